#include "DialogTestKit.h"
#include "InputGuard.h"
#include "ScriptGenerator.h"
#include "frmBOD.h"

using namespace mg;
using namespace dlgtest;

class TestFrmBOD : public QObject {
    Q_OBJECT
private slots:
    void typeAndOk_data() { addRowsFromTable("bod_typing.tsv", {"box", "keys", "kept", "message"}); }
    void typeAndOk();
};

void TestFrmBOD::typeAndOk()
{
    const QString box = cell("box"), keys = cell("keys"), kept = cell("kept"), message = cell("message");
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
    Shown<frmBOD> ui({}, c, 1);
    const QStringList boxes{"txtUprate", "txtUptime", "txtDownrate", "txtDowntime"};
    auto shown = [&] {
        QStringList texts;
        for (const QString &name : boxes)
            texts << ui.get(qPrintable(name))->text();
        return texts;
    };
    // Empty fields show their defaults.
    QStringList expected{"100", "30", "20", "65535"};
    QCOMPARE(shown(), expected);
    if (box.isEmpty()) {
        checkNothingClipped(&ui.dialog);
    } else {
        QSignalSpy refused(ui.get(qPrintable(box))->findChild<InputGuard *>(), &InputGuard::refused);
        typeInto(ui.get(qPrintable(box)), keys);
        QCOMPARE(refused.count(), keys.size() - kept.size());
        expected[boxes.indexOf(box)] = kept;
    }
    QCOMPARE(shown(), expected);
    ui.press("cmdOK");

    if (!message.isEmpty()) {
        expectShown(ui.prompt, message, QStringLiteral("バンドワイズオンデマンド(BOD)の詳細設定"));
        QVERIFY(ui.get(qPrintable(box))->hasFocus());
        QCOMPARE(ui.get(qPrintable(box))->selectedText(), kept);
        QVERIFY(c == before);
        ui.press("cmdCancel");
        QCOMPARE(ui.dialog.result(), int(QDialog::Rejected));
        QVERIFY(c == before);
        return;
    }
    QVERIFY(ui.prompt.shown.isEmpty());
    QCOMPARE(ui.dialog.result(), int(QDialog::Accepted));
    const QStringList stored{c.bod(1).Uprate, c.bod(1).Uptime, c.bod(1).Downrate, c.bod(1).Downtime};
    QCOMPARE(stored, expected);
    QVERIFY(c.bod(2) == before.bod(2));
    QVERIFY(!c.Saved);
    const QString line = QStringLiteral("set ppp=0 uprate=%1 uptime=%2 downrate=%3 downtime=%4\r\n")
                             .arg(expected[0], expected[1], expected[2], expected[3]);
    QVERIFY(GenerateScript(c, ui.prompt).contains("add ppp=0 over=isdn-remote0 type=demand\r\n" + line));
}

QTEST_MAIN(TestFrmBOD)
#include "tst_frmBOD.moc"
