#include "DialogTestKit.h"
#include "InputGuard.h"
#include "ScriptGenerator.h"
#include "frmBOD.h"

using namespace mg;
using namespace dlgtest;

namespace {

const char *const Boxes[] = {"txtUprate", "txtUptime", "txtDownrate", "txtDowntime"};

struct Window {
    Window(Configuration &config, int destination) : dialog(config, destination, prompt)
    {
        dialog.show();
        active = QTest::qWaitForWindowActive(&dialog);
    }
    QLineEdit *box(int field) { return child(&dialog, Boxes[field]); }
    QStringList shown() { return {box(0)->text(), box(1)->text(), box(2)->text(), box(3)->text()}; }

    mgtest::ScriptedPrompt prompt;
    frmBOD dialog;
    bool active = false;
};

QStringList textsOf(const BodSetting &b) { return {b.Uprate, b.Uptime, b.Downrate, b.Downtime}; }

} // namespace

class TestFrmBOD : public QObject {
    Q_OBJECT
private slots:
    void typeAndOk_data();
    void typeAndOk();
};

void TestFrmBOD::typeAndOk_data()
{
    QTest::addColumn<int>("field"); // -1: nothing typed
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("kept");    // what the box takes of them
    QTest::addColumn<QString>("message"); // empty: accepted

    const QString addBlank = QStringLiteral("追加接続条件に空欄があります。この項目は省略できません。");
    const QString dropBlank = QStringLiteral("切断条件に空欄があります。この項目は省略できません。");
    const QString rate = QStringLiteral("割合は、0～100% までの間で指定して下さい。");
    const QString time = QStringLiteral("時間は、0～65535秒までの間で指定して下さい。");
    QTest::newRow("as shown") << -1 << "" << "" << "";
    QTest::newRow("uprate 0") << 0 << "0" << "0" << "";
    QTest::newRow("uprate 101") << 0 << "101" << "101" << rate;
    QTest::newRow("uprate, fourth digit") << 0 << "1005" << "100" << "";
    QTest::newRow("uprate empty") << 0 << "" << "" << addBlank;
    QTest::newRow("uptime, sixth digit") << 1 << "123456" << "12345" << "";
    QTest::newRow("uptime 65536") << 1 << "65536" << "65536" << time;
    QTest::newRow("uptime empty") << 1 << "" << "" << addBlank;
    QTest::newRow("downrate 101") << 2 << "101" << "101" << rate;
    QTest::newRow("downrate empty") << 2 << "" << "" << dropBlank;
    QTest::newRow("downtime 0, full-width digit") << 3 << "０0" << "0" << "";
    QTest::newRow("downtime 70000") << 3 << "70000" << "70000" << time;
    QTest::newRow("downtime empty") << 3 << "" << "" << dropBlank;
}

void TestFrmBOD::typeAndOk()
{
    QFETCH(int, field);
    QFETCH(QString, keys);
    QFETCH(QString, kept);
    QFETCH(QString, message);

    Configuration c;
    c.Common.EthIP = "192.168.1.1";
    c.TabCount = 3;
    for (int n : {1, 2}) {
        c.destination(n).ISDN_Num = QStringLiteral("03-1234-000%1").arg(n);
        c.destination(n).PPPIP = QStringLiteral("192.168.%1.1").arg(n + 1);
        c.destination(n).MP = 1;
    }
    // Full boxes: Backspace must still clear them.
    c.bod(1) = {"100", "", "", "65535"};
    c.bod(2) = {"1", "2", "3", "4"};
    const Configuration before = c;
    Window ui(c, 1);
    QVERIFY(ui.active);
    // Empty fields show their defaults.
    QStringList expected{"100", "30", "20", "65535"};
    QCOMPARE(ui.shown(), expected);
    if (field < 0)
        checkNothingClipped(&ui.dialog);
    if (field >= 0) {
        QSignalSpy refused(ui.box(field)->findChild<InputGuard *>(), &InputGuard::refused);
        typeInto(ui.box(field), keys);
        QCOMPARE(refused.count(), keys.size() - kept.size());
        expected[field] = kept;
    }
    QCOMPARE(ui.shown(), expected);
    click(&ui.dialog, "cmdOK");

    if (!message.isEmpty()) {
        expectShown(ui.prompt, message, QStringLiteral("バンドワイズオンデマンド(BOD)の詳細設定"));
        QVERIFY(ui.box(field)->hasFocus());
        QCOMPARE(ui.box(field)->selectedText(), kept);
        QVERIFY(c == before);
        click(&ui.dialog, "cmdCancel");
        QCOMPARE(ui.dialog.result(), int(QDialog::Rejected));
        QVERIFY(c == before);
        return;
    }
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(ui.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(textsOf(c.bod(1)), expected);
    QCOMPARE(textsOf(c.bod(2)), textsOf(before.bod(2)));
    QVERIFY(!c.Saved);
    const QString line = QStringLiteral("set ppp=0 uprate=%1 uptime=%2 downrate=%3 downtime=%4\r\n")
                             .arg(expected[0], expected[1], expected[2], expected[3]);
    QVERIFY(GenerateScript(c, ui.prompt).contains("add ppp=0 over=isdn-remote0 type=demand\r\n" + line));
}

QTEST_MAIN(TestFrmBOD)
#include "tst_frmBOD.moc"
