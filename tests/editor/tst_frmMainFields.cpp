// The fields of the editor window: what each box lets through, what each
// check box and list switches on and off, the copies between fields, the
// paste routes that must find nothing, the focus rules and the change mark.

#include "EditorTestKit.h"
#include "InputGuard.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMimeData>

using namespace mg;

class TestFrmMainFields : public EditorFixture {
    Q_OBJECT

    void showPageOf(const QString &name)
    {
        const bool destination = w->tabPosition(w->findChild<QWidget *>(name)) >= 25;
        if (destination != (w->selectedTab() > 1))
            clickTab(*w, destination ? 2 : 1);
    }
    // Shows the box with whatever it depends on switched on, empty and focused.
    QLineEdit *reachable(const QString &name)
    {
        showPageOf(name);
        setFields(*w, {"chkDHCPSrv=1", "chkAutoHash(0)=1", "chkAutoHash(1)=1", "chkCallBack=1", "chkPPPAuth=1",
                       "chkStaticRoute=1", "cboType=#1"});
        QLineEdit *box = lineOf(*w, name);
        box->setFocus();
        box->clear();
        return box;
    }
    static int refusals(QLineEdit *box, const std::function<void()> &action)
    {
        auto *guard = box->findChild<InputGuard *>();
        QSignalSpy spy(guard, &InputGuard::refused);
        action();
        return guard ? int(spy.count()) : -1;
    }

private slots:
    void init() { start(false, true); }
    void cleanup() { rig.reset(); }

    void keyRules_data()
    {
        addRowsFromTable(QStringLiteral("keys.tsv"), 5);
        // Each length limit: the key that would go past it is refused.
        for (auto [box, limit, key] : {std::tuple{"txtEtherIP", 15, '1'}, {"txtISDNNum", 31, '1'},
                                       {"txtNumber", 6, '1'}, {"txtLease", 9, '9'}, {"txtCbdelay", 3, '4'},
                                       {"txtAutoTimer(0)", 2, '5'}, {"txtIPNumber", 3, '1'}, {"cboIdleTimer", 9, '7'},
                                       {"txtUsername", 64, 'u'}, {"txtAuthUserPass", 32, 'q'}})
            QTest::addRow("%s holds %d", box, limit) << QStringList{box, QString(limit - 1, QChar(key)),
                                                                    QString(2, QChar(key)), QString(limit, QChar(key)), "1"};
    }
    void keyRules()
    {
        QFETCH(QStringList, row);
        const QString &before = row[1], &typed = row[2];
        QLineEdit *target = reachable(row[0]);
        const qsizetype from = before.indexOf(QLatin1Char('[')), to = before.indexOf(QLatin1Char(']'));
        target->setText(QString(before).remove(QLatin1Char('[')).remove(QLatin1Char(']')));
        if (from >= 0)
            target->setSelection(int(from), int(to - from - 1));
        // Keys go where the platform sends them, to the focus widget: the
        // combo box itself for an editable list, not its line edit.
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus == target || focus == target->parentWidget());
        QCOMPARE(refusals(target, [&] {
                     for (QChar c : typed) {
                         // Characters no key of the test keyboard types arrive as text.
                         QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                         if (c.unicode() < 128)
                             QTest::keyClick(focus, char(c.unicode()));
                         else
                             QApplication::sendEvent(focus, &press);
                     }
                 }),
                 row[4].toInt());
        QCOMPARE(target->text(), row[3]);
    }

    void enablingRules_data()
    {
        addRowsFromTable(QStringLiteral("enabling.tsv"), 4);   // edits, on, off, both ways
    }
    void enablingRules()
    {
        QFETCH(QStringList, row);
        QStringList changes = row[0].split(QLatin1Char(' '));
        QStringList names[2] = {row[2].split(QLatin1Char(' '), Qt::SkipEmptyParts),
                                row[1].split(QLatin1Char(' '), Qt::SkipEmptyParts)};   // [enabled]
        for (int round = 0; round < (row[3] == "both" ? 2 : 1); ++round) {
            for (const QString &change : changes) {
                showPageOf(change.section(QLatin1Char('='), 0, 0));
                // The rules switch fields on and off and never touch their values.
                for (const QString &name : names[0] + names[1])
                    if (auto *box = w->findChild<QLineEdit *>(name); box && change == changes.last()) {
                        const QSignalBlocker quiet(box);
                        box->setText(QStringLiteral("7"));
                    }
                setFields(*w, {change});
            }
            for (bool enabled : {false, true})
                for (const QString &name : names[enabled]) {
                    QWidget *control = w->findChild<QWidget *>(name);
                    QVERIFY2(control && control->isEnabled() == enabled, qPrintable(name));
                    if (auto *box = qobject_cast<QLineEdit *>(control)) {
                        // White when on, the scheme's window grey when off.
                        const QColor expected = enabled ? QColor(Qt::white)
                                                        : QApplication::palette().color(QPalette::Window);
                        QCOMPARE(box->palette().color(QPalette::Base), expected);
                        QCOMPARE(box->text(), QStringLiteral("7"));
                    }
                }
            changes = {changes.last().replace(QStringLiteral("=1"), QStringLiteral("=0"))};
            std::swap(names[0], names[1]);
        }
    }

    void defaultRouteOfOneDestination()
    {
        w->mnuConnectAdd->trigger();
        Configuration &c = w->configuration();
        c.destination(1).StaticRoute = 1;
        c.destination(2).DefRoute = 1;
        c.destination(2).Authentication = 1;
        c.DefaultRouteTaken = true;
        clickTab(*w, 2);
        QVERIFY(!w->destinationPage->chkDefault->isEnabled());
        setFields(*w, {"chkStaticRoute=0"});   // freeing it here must not offer the taken route
        QVERIFY(!w->destinationPage->chkDefault->isEnabled());
        // The destination shown after one with a static route can still give
        // its default route up.
        setFields(*w, {"chkStaticRoute=1"});
        clickTab(*w, 3);
        QVERIFY(w->destinationPage->chkDefault->isChecked() && w->destinationPage->chkDefault->isEnabled());
        QVERIFY(!w->destinationPage->chkStaticRoute->isEnabled() && !w->destinationPage->txtRouteIP->isEnabled());
        QVERIFY(w->destinationPage->txtAuthUserName->isEnabled());
    }

    void copiesToDhcpFields()
    {
        setField(*w, "txtEtherIP", "192.168.1.1");
        setField(*w, "txtEthernetMask", "255.255.0.0");
        QCOMPARE(w->commonPage->txtRouter->text(), QStringLiteral("192.168.1.1"));
        QCOMPARE(w->commonPage->txtDHCPSubnet->text(), QStringLiteral("255.255.0.0"));
        // What the operator typed there is overwritten by the next change.
        setFields(*w, {"chkDHCPSrv=1"});
        setField(*w, "txtRouter", "192.168.1.254");
        QCOMPARE(w->configuration().Common.DHCP_Router, QStringLiteral("192.168.1.254"));
        w->commonPage->txtEtherIP->setFocus();
        QTest::keyClick(w->commonPage->txtEtherIP, Qt::Key_Backspace);
        QCOMPARE(w->commonPage->txtRouter->text(), QStringLiteral("192.168.1."));
        QCOMPARE(w->configuration().Common.DHCP_Router, QStringLiteral("192.168.1."));
    }

    void portExclusivity()
    {
        const CommonSettings &c = w->configuration().Common;
        for (auto [port, expected] : {std::pair{0, QList<int>{1, 0}}, {1, QList<int>{0, 1}}}) {
            w->commonPage->cboAnalog[port]->setFocus();
            QTest::keyClick(w->commonPage->cboAnalog[port], Qt::Key_Down);
            QCOMPARE(QList<int>({w->commonPage->cboAnalog[0]->currentIndex(), w->commonPage->cboAnalog[1]->currentIndex()}), expected);
            QCOMPARE(QList<int>({c.ANALOG1, c.ANALOG2}), expected);
        }
        QCOMPARE(saveState(*w), "unsaved");
    }

    void nothingPastes_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("inputMethod");
        QTest::newRow("address") << "txtEtherIP" << false;
        QTest::newRow("name") << "txtUsername" << false;
        QTest::newRow("idle timer list") << "cboIdleTimer" << false;
        QTest::newRow("next hop") << "txtNextHop" << true;
    }
    void nothingPastes()
    {
        QFETCH(QString, box);
        QFETCH(bool, inputMethod);
        QLineEdit *target = reachable(box);
        QWidget *focus = QApplication::focusWidget();   // where keys and input-method text arrive
        QClipboard *clipboard = QApplication::clipboard();
        clipboard->setText(QStringLiteral("12"));
        QCOMPARE(refusals(target, [&] {
                     QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
                     QTest::keyClick(focus, Qt::Key_Insert, Qt::ShiftModifier);
                 }),
                 2);
        // A right-button press empties the clipboard before the context menu
        // could offer to paste it.
        QTest::mousePress(target, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(target, Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(clipboard->text().isEmpty());
        QVERIFY(!clipboard->supportsSelection() || clipboard->text(QClipboard::Selection).isEmpty());
        // So does the menu key's context menu.
        clipboard->setText(QStringLiteral("12"));
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(target, &menuKey);
        if (QWidget *menu = QApplication::activePopupWidget())
            menu->close();
        QVERIFY(clipboard->text().isEmpty());
        target->paste();   // what the context menu's paste does
        if (clipboard->supportsSelection())
            clipboard->setText(QStringLiteral("34"), QClipboard::Selection);
        QTest::mouseClick(target, Qt::MiddleButton, {}, QPoint(5, 5));
        QMimeData data;
        data.setText(QStringLiteral("56"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        // What an input method commits passes the filter character by
        // character, as if typed.
        QCOMPARE(target->testAttribute(Qt::WA_InputMethodEnabled), inputMethod);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("１２３"));
        QApplication::sendEvent(focus, &commit);
        QCOMPARE(target->text(), QString());
        commit.setCommitString(QStringLiteral("1１"));
        QCOMPARE(refusals(target, [&] { QApplication::sendEvent(focus, &commit); }), 1);
        QCOMPARE(target->text(), QStringLiteral("1"));
    }

    // Posted focus moves must not undo where entering a tab put the focus.
    void focusOnEnteringTab()
    {
        for (auto [connection, tab, focus] :
             {std::tuple{0, 2, "cboType"}, {0, 1, "cboConnect"}, {1, 2, "txtUsername"}}) {
            w->commonPage->cboConnect->setCurrentIndex(connection);
            clickTab(*w, tab);
            QTest::qWait(20);
            QCOMPARE(focusName(), QString::fromLatin1(focus));
        }
    }

    void tabStaysOnVisiblePage_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("backwards");
        for (int tab : {1, 2})
            for (bool backwards : {false, true})
                QTest::addRow("%s, %s", tab == 1 ? "common" : "destination", backwards ? "Shift+Tab" : "Tab")
                    << tab << backwards;
    }
    void tabStaysOnVisiblePage()
    {
        QFETCH(int, tab);
        QFETCH(bool, backwards);
        setFields(*w, {"chkDHCPSrv=1", "chkAutoHash(1)=1"});   // also switches cmdSave on
        clickTab(*w, tab);
        const int first = tab == 1 ? 0 : 25, last = tab == 1 ? 24 : 50;
        w->cmdGen->setFocus();
        QSet<int> visited;
        for (int i = 0; i < 70; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
            QCoreApplication::processEvents();
            QWidget *now = QApplication::focusWidget();
            QVERIFY(now && now->isVisible());
            const int position = w->tabPosition(now);
            if (position != frmMain::TabPositionNone && position < 51)
                QVERIFY2(position >= first && position <= last, qPrintable(now->objectName()));
            visited.insert(position);
        }
        // The walk reached the page and every button (from the last common
        // field straight to the buttons, past the hidden page).
        for (int position : {first, 51, 52, 53, 54})
            QVERIFY2(visited.contains(position), qPrintable(QString::number(position)));
    }

    void markChanged_data()
    {
        QTest::addColumn<QString>("name");
        EditorRig probe;   // every field of the window, whatever its kind
        for (QWidget *field : probe.w->findChildren<QWidget *>()) {
            const bool isField = qobject_cast<QCheckBox *>(field) || qobject_cast<QComboBox *>(field)
                || (qobject_cast<QLineEdit *>(field) && !qobject_cast<QComboBox *>(field->parentWidget()));
            if (isField && !field->objectName().isEmpty())
                QTest::newRow(qPrintable(field->objectName())) << field->objectName();
        }
    }
    void markChanged()
    {
        QFETCH(QString, name);
        QWidget *target = w->findChild<QWidget *>(name);
        if (lineOf(*w, name))
            reachable(name)->setText(QStringLiteral("2"));
        showPageOf(name);
        setFields(*w, {"chkPPPAuth=1"});
        w->configuration().Saved = true;   // as after a save
        w->cmdSave->setEnabled(false);
        if (auto *check = qobject_cast<QCheckBox *>(target)) {
            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
        } else if (auto *combo = qobject_cast<QComboBox *>(target); combo && !combo->isEditable()) {
            combo->setFocus();
            QTest::keyClick(combo, combo->currentIndex() + 1 < combo->count() ? Qt::Key_Down : Qt::Key_Up);
        } else {
            lineOf(*w, name)->setFocus();
            QTest::keyClick(lineOf(*w, name), '1');
        }
        QCOMPARE(saveState(*w), "unsaved");
    }
};

QTEST_MAIN(TestFrmMainFields)
#include "tst_frmMainFields.moc"
