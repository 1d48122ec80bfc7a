#include "InputGuard.h"
#include "RecordingPrompt.h"
#include "ScriptGenerator.h"
#include "frmBOD.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace mg;

namespace {

// Types text key by key; characters beyond Latin-1 (a full-width digit)
// arrive as an input method would hand them to a key press.
void typeKeys(QWidget *widget, const QString &text)
{
    for (QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClick(widget, char(ch.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
    }
}

const QString Caption = QStringLiteral("バンドワイズオンデマンド(BOD)の詳細設定");
const char *const Boxes[] = {"txtUprate", "txtUptime", "txtDownrate", "txtDowntime"};

class Driver {
public:
    Driver(Configuration &config, int destination) : dialog(config, destination, prompt)
    {
        dialog.show();
        dialog.activateWindow();
        active = QTest::qWaitForWindowActive(&dialog);
    }

    QLineEdit *box(const char *name) { return dialog.findChild<QLineEdit *>(QString::fromLatin1(name)); }
    QPushButton *button(const char *name) { return dialog.findChild<QPushButton *>(QString::fromLatin1(name)); }

    QStringList shown()
    {
        QStringList texts;
        for (const char *name : Boxes)
            texts << box(name)->text();
        return texts;
    }

    void type(const char *name, const QString &text)
    {
        QLineEdit *b = box(name);
        QTest::mouseClick(b, Qt::LeftButton);
        b->end(false);
        while (!b->text().isEmpty())
            QTest::keyClick(b, Qt::Key_Backspace);
        typeKeys(b, text);
    }

    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    RecordingPrompt prompt;
    frmBOD dialog;
    bool active = false;
};

QStringList textsOf(const BodSetting &b) { return {b.Uprate, b.Uptime, b.Downrate, b.Downtime}; }

} // namespace

class TestFrmBOD : public QObject {
    Q_OBJECT
private slots:
    void showsRecordOrDefaults_data();
    void showsRecordOrDefaults();
    void bounds_data();
    void bounds();
    void keyLimits_data();
    void keyLimits();
    void cancelLeavesRecord();
    void tabOrder();
    void noSuchDestination_data();
    void noSuchDestination();
    void scriptShowsThresholds();
    void textsFitAndScreenshot();
};

void TestFrmBOD::showsRecordOrDefaults_data()
{
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("new destination") << QStringList{"", "", "", ""} << QStringList{"80", "30", "20", "60"};
    QTest::newRow("stored values") << QStringList{"90", "45", "10", "120"} << QStringList{"90", "45", "10", "120"};
}

void TestFrmBOD::showsRecordOrDefaults()
{
    QFETCH(QStringList, record);
    QFETCH(QStringList, expected);

    Configuration c;
    c.TabCount = 3;
    c.bod(2) = {record[0], record[1], record[2], record[3]};
    c.bod(1) = {"1", "2", "3", "4"};
    Driver ui(c, 2);
    QVERIFY(ui.active);
    QCOMPARE(ui.dialog.windowTitle(), Caption);
    QCOMPARE(ui.shown(), expected);
    for (const char *name : Boxes)
        QVERIFY(!ui.box(name)->testAttribute(Qt::WA_InputMethodEnabled));

    // OK at once stores what is shown, defaults included.
    ui.click("cmdOK");
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(ui.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(textsOf(c.bod(2)), expected);
    QCOMPARE(textsOf(c.bod(1)), (QStringList{"1", "2", "3", "4"}));
    QVERIFY(!c.Saved);
}

void TestFrmBOD::bounds_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // empty: accepted

    const QString addBlank = QStringLiteral("追加接続条件に空欄があります。この項目は省略できません。");
    const QString dropBlank = QStringLiteral("切断条件に空欄があります。この項目は省略できません。");
    const QString rate = QStringLiteral("割合は、0～100% までの間で指定して下さい。");
    const QString time = QStringLiteral("時間は、0～65535秒までの間で指定して下さい。");

    QTest::newRow("uprate 100") << 0 << "100" << QString();
    QTest::newRow("uprate 101") << 0 << "101" << rate;
    QTest::newRow("uprate empty") << 0 << "" << addBlank;
    QTest::newRow("uptime 65535") << 1 << "65535" << QString();
    QTest::newRow("uptime 65536") << 1 << "65536" << time;
    QTest::newRow("downrate 101") << 2 << "101" << rate;
    QTest::newRow("downtime 65535") << 3 << "65535" << QString();
    QTest::newRow("downtime empty") << 3 << "" << dropBlank;
}

void TestFrmBOD::bounds()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);

    Configuration c;
    c.TabCount = 2;
    c.bod(1) = {"70", "31", "21", "61"};
    const Configuration before = c;
    Driver ui(c, 1);
    QVERIFY(ui.active);
    ui.type(Boxes[field], typed);
    QStringList expected{"70", "31", "21", "61"};
    expected[field] = typed;
    QCOMPARE(ui.shown(), expected);
    ui.click("cmdOK");

    if (message.isEmpty()) {
        QVERIFY(ui.prompt.shown.isEmpty());
        QCOMPARE(ui.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(textsOf(c.bod(1)), expected);
        QVERIFY(!c.Saved);
        return;
    }
    QCOMPARE(ui.prompt.shown.size(), 1);
    QCOMPARE(ui.prompt.shown[0].text, message);
    QCOMPARE(ui.prompt.shown[0].title, Caption);
    QCOMPARE(ui.prompt.shown[0].icon, MessageIcon::Critical);
    QCOMPARE(ui.prompt.shown[0].buttons, MessageButtons::Ok);
    QVERIFY(ui.dialog.isVisible());
    QVERIFY(ui.box(Boxes[field])->hasFocus());
    QCOMPARE(ui.box(Boxes[field])->selectedText(), typed);
    QCOMPARE(ui.shown(), expected);
    QVERIFY(c == before);
}

void TestFrmBOD::keyLimits_data()
{
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("beeps");

    QTest::newRow("fourth digit of a rate") << "txtUprate" << "1005" << "100" << 1;
    QTest::newRow("sixth digit of a time") << "txtUptime" << "123456" << "12345" << 1;
    QTest::newRow("full-width digit") << "txtDowntime" << "１2" << "2" << 1;
}

void TestFrmBOD::keyLimits()
{
    QFETCH(QString, boxName);
    QFETCH(QString, keys);
    QFETCH(QString, result);
    QFETCH(int, beeps);

    Configuration c;
    Driver ui(c, 1);
    QVERIFY(ui.active);
    const QByteArray name = boxName.toLatin1();
    ui.type(name.constData(), QString());
    QLineEdit *b = ui.box(name.constData());
    QSignalSpy refused(b->findChild<InputGuard *>(), &InputGuard::refused);
    typeKeys(b, keys);
    QCOMPARE(b->text(), result);
    QCOMPARE(refused.count(), beeps);

    // Backspace still works on a full box.
    QTest::keyClick(b, Qt::Key_Backspace);
    QCOMPARE(b->text(), result.chopped(1));
    QCOMPARE(refused.count(), beeps);
}

void TestFrmBOD::cancelLeavesRecord()
{
    Configuration c;
    c.TabCount = 3;
    c.bod(2) = {"", "45", "", ""};
    const Configuration before = c;
    Driver ui(c, 2);
    QVERIFY(ui.active);
    ui.type("txtUprate", "99");
    ui.type("txtDowntime", "");
    ui.click("cmdCancel");
    QCOMPARE(ui.dialog.result(), int(QDialog::Rejected));
    QVERIFY(!ui.dialog.isVisible());
    QVERIFY(ui.prompt.shown.isEmpty());
    QVERIFY(c == before);
}

void TestFrmBOD::tabOrder()
{
    Configuration c;
    Driver ui(c, 1);
    QVERIFY(ui.active);
    ui.box("txtUprate")->setFocus();
    const QStringList expected{"txtUptime", "txtDownrate", "txtDowntime", "cmdOK", "cmdCancel"};
    for (const QString &next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }
}

void TestFrmBOD::noSuchDestination_data()
{
    QTest::addColumn<int>("destination");
    QTest::newRow("common tab") << 0;
}

void TestFrmBOD::noSuchDestination()
{
    QFETCH(int, destination);
    Configuration c;
    const Configuration before = c;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("frmBOD: no destination"));
    Driver ui(c, destination);
    QCOMPARE(ui.shown(), (QStringList{"80", "30", "20", "60"}));
    ui.click("cmdOK");
    QCOMPARE(ui.dialog.result(), int(QDialog::Rejected));
    QVERIFY(c == before);
}

void TestFrmBOD::scriptShowsThresholds()
{
    Configuration c;
    c.Common.EthIP = "192.168.1.1";
    c.TabCount = 3;
    for (int n : {1, 2}) {
        Destination &d = c.destination(n);
        d.ISDN_Num = QStringLiteral("03-1234-000%1").arg(n);
        d.PPPIP = QStringLiteral("192.168.%1.1").arg(n + 1);
        d.PPPRIP = 1;
        d.MP = 1;
    }
    {
        Driver ui(c, 2);
        QVERIFY(ui.active);
        ui.type("txtUprate", "90");
        ui.type("txtUptime", "45");
        ui.type("txtDownrate", "10");
        ui.type("txtDowntime", "120");
        ui.click("cmdOK");
        QCOMPARE(ui.dialog.result(), int(QDialog::Accepted));
    }

    RecordingPrompt prompt;
    const QString script = GenerateScript(c, prompt);
    QVERIFY(script.contains(QLatin1String("add ppp=1 over=isdn-remote1 type=demand\r\n"
                                          "set ppp=1 uprate=90 uptime=45 downrate=10 downtime=120\r\n")));
    // Destination 1 was never given thresholds.
    QVERIFY(!script.contains(QLatin1String("set ppp=0 uprate=")));
}

void TestFrmBOD::textsFitAndScreenshot()
{
    Configuration c;
    c.bod(1) = {"100", "65535", "100", "65535"};
    Driver ui(c, 1);
    QVERIFY(ui.active);
    for (QLabel *label : ui.dialog.findChildren<QLabel *>())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
    for (QPushButton *button : ui.dialog.findChildren<QPushButton *>())
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
    for (QGroupBox *frame : ui.dialog.findChildren<QGroupBox *>())
        QVERIFY2(frame->width() >= frame->fontMetrics().horizontalAdvance(frame->title()) + 16,
                 qPrintable(frame->title()));
    for (const char *name : Boxes) {
        QLineEdit *b = ui.box(name);
        QVERIFY2(b->contentsRect().width() >= b->fontMetrics().horizontalAdvance(b->text()), name);
    }
    const QString dir = qEnvironmentVariable("MG_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(ui.dialog.grab().save(dir + QStringLiteral("/frmBOD.png")));
}

QTEST_MAIN(TestFrmBOD)
#include "tst_frmBOD.moc"
