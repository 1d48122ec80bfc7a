#include "CommandLine.h"
#include "ConfigurationValidator.h"
#include "GenerateCommand.h"
#include "RcfFile.h"
#include "ShiftJis.h"
#include "frmMain.h"
#include "frmScript.h"
#include "tst_validation_fakes.h"

#include <QBuffer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace mg;

namespace {

const QString MakeTitle = QStringLiteral("設定の作成");
const QString NoRoute = QStringLiteral("ルートの設定がありません。");
const QString StaticIncomplete = QStringLiteral("スタティックにルートを設定する場合は、接続先のIPアドレス、\r\n"
                                                "ネットマスク、またはネクストホップは省略できません。");
const QString EnatTitle = QStringLiteral("ENATの設定");

// Lets everything through, so that the generate command's own route checks
// can be reached with records the full check would refuse first.
class PassingChecks : public EditorChecks {
public:
    int calls = 0;
    bool TabCheck(int) override { return true; }
    bool CheckConfiguration(int) override
    {
        ++calls;
        return true;
    }
};

Destination lanDestination(const QString &number, const QString &ppp)
{
    Destination d;
    d.ISDN_Num = number;
    d.UserName = QStringLiteral("office");
    d.UserPass = QStringLiteral("secret");
    d.PPPIP = ppp;
    d.PPPMask = QStringLiteral("255.255.255.0");
    return d;
}

} // namespace

class TestGenerateValidation : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void routeChecks_data();
    void routeChecks();
    void hiddenDestinationWithoutRouteStopsGeneration();
    void failedCheckGeneratesNothing();
    void enatQuestion_data();
    void enatQuestion();
    void scriptWindowShowsTheScriptAndKeepsHandEdits();
    void windowGeneratesWhatTheCommandLineGenerates_data();
    void windowGeneratesWhatTheCommandLineGenerates();
    void generateRightAfterOpening();

private:
    void fillValid();
    void makeWindow();

    std::unique_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<ScriptedFiles> files;
    std::unique_ptr<MemorySettings> settings;
    std::unique_ptr<frmMain> w;
    std::unique_ptr<ConfigurationValidator> validator;
    std::unique_ptr<GenerateCommand> generate;
    int scriptWindows = 0;
};

void TestGenerateValidation::makeWindow()
{
    prompt = std::make_unique<ScriptedPrompt>();
    files = std::make_unique<ScriptedFiles>();
    settings = std::make_unique<MemorySettings>();
    w = std::make_unique<frmMain>(*prompt, *files, *settings, nullptr);
    validator = std::make_unique<ConfigurationValidator>(*w, *prompt);
    w->setChecks(validator.get());
    scriptWindows = 0;
    generate = std::make_unique<GenerateCommand>(*w, *validator, *prompt, [this] { ++scriptWindows; });
    w->setGenerateHandler([this] { generate->cmdGen_Click(); });
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
}

void TestGenerateValidation::init()
{
    makeWindow();
}

void TestGenerateValidation::cleanup()
{
    generate.reset();
    w.reset();
    validator.reset();
}

void TestGenerateValidation::fillValid()
{
    setFields(*w, {QStringLiteral("txtEtherIP=192.168.1.1")});
    QVERIFY(w->selectTab(2));
    setFields(*w, {QStringLiteral("txtISDNNum=03-1234-5678"), QStringLiteral("txtUsername=office"),
                   QStringLiteral("txtUserPass=secret"), QStringLiteral("txtPPPIP=10.0.0.1"),
                   QStringLiteral("chkDefault=1")});
    QVERIFY(prompt->shown.isEmpty());
}

void TestGenerateValidation::routeChecks_data()
{
    QTest::addColumn<int>("type2");
    QTest::addColumn<QStringList>("routes2"); // of DefRoute, PPPRIP, StaticRoute
    QTest::addColumn<QString>("nextHop2");
    QTest::addColumn<QString>("message");

    QTest::newRow("LAN type without route") << 0 << QStringList{} << "" << NoRoute;
    QTest::newRow("terminal type with RIP only") << 1 << QStringList{"PPPRIP"} << "" << NoRoute;
    QTest::newRow("static route without next hop") << 0 << QStringList{"StaticRoute"} << "" << StaticIncomplete;
    QTest::newRow("LAN type with RIP") << 0 << QStringList{"PPPRIP"} << "" << QString();
    QTest::newRow("terminal type with static route") << 1 << QStringList{"StaticRoute"} << "10.0.1.2" << QString();
}

void TestGenerateValidation::routeChecks()
{
    QFETCH(int, type2);
    QFETCH(QStringList, routes2);
    QFETCH(QString, nextHop2);
    QFETCH(QString, message);

    fillValid();
    setFields(*w, {"chkDefault=0", "chkStaticRoute=1", "txtRouteIP=172.16.0.0", "txtRouteNetMask=255.255.0.0",
                   "txtNextHop=10.0.0.2"});
    w->mnuConnectAdd_Click();
    Destination d = lanDestination(QStringLiteral("06-1111-2222"), QStringLiteral("10.0.1.1"));
    d.Type = int16(type2);
    d.PPPRIP = routes2.contains(QStringLiteral("PPPRIP"));
    d.StaticRoute = routes2.contains(QStringLiteral("StaticRoute"));
    if (d.StaticRoute) {
        d.RouteIP = QStringLiteral("172.17.0.0");
        d.RouteNetMask = QStringLiteral("255.255.0.0");
        d.RouteNextHop = nextHop2;
    }
    w->configuration().destination(2) = d;
    w->configuration().CommandScript = QStringLiteral("old\r\n");
    // Destination 1 into its record: the passing checks below do not store it.
    QVERIFY(w->selectTab(1));
    QVERIFY(w->selectTab(2));
    QVERIFY(prompt->shown.isEmpty());

    PassingChecks checks;
    int windows = 0;
    GenerateCommand command(*w, checks, *prompt, [&windows] { ++windows; });
    w->txtUsername->setFocus();
    command.cmdGen_Click();

    QCOMPARE(checks.calls, 1);
    if (message.isEmpty()) {
        QCOMPARE(windows, 1);
        QVERIFY(w->configuration().CommandScript.startsWith(QStringLiteral("enable ip")));
        return;
    }
    QVERIFY(!prompt->shown.isEmpty());
    QCOMPARE(prompt->shown[0].text, message);
    QCOMPARE(prompt->shown[0].title, MakeTitle);
    QCOMPARE(prompt->shown[0].icon, MessageIcon::Critical);
    QCOMPARE(prompt->shown.size(), 1);
    QCOMPARE(windows, 0);
    QCOMPARE(w->configuration().CommandScript, QStringLiteral("old\r\n"));
    QCOMPARE(focusName(), message == StaticIncomplete ? QStringLiteral("txtRouteIP") : QStringLiteral("txtUsername"));
}

void TestGenerateValidation::hiddenDestinationWithoutRouteStopsGeneration()
{
    // The second destination, read from a file, uses an unnumbered interface
    // (so the page check is not made for it) and has no route at all.
    fillValid();
    w->mnuConnectAdd_Click();
    Destination d = lanDestination(QStringLiteral("06-1111-2222"), QStringLiteral("0.0.0.0"));
    d.PPPDyn = 1;
    d.PPPMask = QStringLiteral("0.0.0.0");
    w->configuration().destination(2) = d;

    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    QCOMPARE(prompt->shown.size(), 1);
    QCOMPARE(prompt->shown[0].text, NoRoute);
    QCOMPARE(prompt->shown[0].title, MakeTitle);
    QCOMPARE(w->selectedTab(), 2);
    QCOMPARE(scriptWindows, 0);
    QVERIFY(w->configuration().CommandScript.isEmpty());
}

void TestGenerateValidation::failedCheckGeneratesNothing()
{
    fillValid();
    setFields(*w, {"cboType=#1", "chkDefault=0", "chkStaticRoute=1", "txtRouteIP=172.16.0.0",
                   "txtRouteNetMask=255.255.0.0", "txtNextHop=10.0.0.2", "txtUserPass="});
    const int enatBefore = w->configuration().EnatCount;
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    QCOMPARE(prompt->shown.size(), 1);
    QVERIFY(prompt->shown[0].title != EnatTitle);
    QCOMPARE(scriptWindows, 0);
    QVERIFY(w->configuration().CommandScript.isEmpty());
    QCOMPARE(w->configuration().EnatCount, enatBefore);
}

void TestGenerateValidation::enatQuestion_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("yes") << MessageAnswer::Yes;
    QTest::newRow("no") << MessageAnswer::No;
}

void TestGenerateValidation::enatQuestion()
{
    QFETCH(MessageAnswer, answer);
    fillValid();
    setFields(*w, {"cboType=#1"});
    // As if just saved: only an accepted entry may count as a change.
    w->configuration().Saved = true;
    prompt->answers = {answer};

    QTest::mouseClick(w->cmdGen, Qt::LeftButton);

    QCOMPARE(prompt->shown.size(), 1);
    QCOMPARE(prompt->shown[0].title, EnatTitle);
    QCOMPARE(prompt->shown[0].icon, MessageIcon::Information);
    QCOMPARE(prompt->shown[0].buttons, MessageButtons::YesNo);
    QVERIFY(prompt->shown[0].text.startsWith(QStringLiteral("接続先1は端末型の設定です。\r\n\r\n")));
    QCOMPARE(scriptWindows, 1);
    const Configuration &config = w->configuration();
    const QString natLine = QStringLiteral("add ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=ppp0\r\n");
    if (answer == MessageAnswer::Yes) {
        QCOMPARE(config.EnatCount, int16(1));
        QCOMPARE(config.EnatList[0].NATType, int16(3));
        QCOMPARE(config.EnatList[0].GlobalInterFace, QStringLiteral("ppp0"));
        QVERIFY(config.CommandScript.contains(QStringLiteral("enable ip nat\r\n") + natLine));
        QVERIFY(!config.Saved);
        QVERIFY(w->cmdSave->isEnabled());
    } else {
        QCOMPARE(config.EnatCount, int16(0));
        QVERIFY(!config.CommandScript.contains(QStringLiteral("nat")));
        QVERIFY(config.Saved);
    }

    // Generating again: after Yes the entry answers the question for good.
    prompt->shown.clear();
    prompt->answers = {MessageAnswer::No};
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    QCOMPARE(prompt->shown.size(), answer == MessageAnswer::Yes ? 0 : 1);
    QCOMPARE(w->configuration().EnatCount, int16(answer == MessageAnswer::Yes ? 1 : 0));
}

void TestGenerateValidation::scriptWindowShowsTheScriptAndKeepsHandEdits()
{
    fillValid();
    installValidation(*w, *prompt); // the production wiring, real script window
    QString shownText;
    bool wasModal = false;
    int tries = 0;
    QTimer driver;
    driver.setInterval(10);
    connect(&driver, &QTimer::timeout, this, [&] {
        auto *window = qobject_cast<frmScript *>(QApplication::activeModalWidget());
        if (!window) {
            if (++tries > 300)
                driver.stop();
            return;
        }
        driver.stop();
        wasModal = window->isModal() && window->parentWidget() == w.get();
        shownText = frmScript::scriptText(*window->txtScript);
        prompt->answers = {MessageAnswer::Ok};
        window->cmdEdit->click();
        window->txtScript->moveCursor(QTextCursor::End);
        window->txtScript->insertPlainText(QStringLiteral("save\n"));
        window->cmdEdit->click();
        window->cmdReconf->click();
    });
    driver.start();
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);

    QVERIFY2(!shownText.isEmpty(), "the script window did not appear");
    QVERIFY(wasModal);
    QVERIFY(shownText.startsWith(QStringLiteral("enable ip\r\n")));
    QCOMPARE(w->configuration().CommandScript, shownText + QStringLiteral("save\r\n"));
    QVERIFY(!QApplication::activeModalWidget());
}

void TestGenerateValidation::windowGeneratesWhatTheCommandLineGenerates_data()
{
    QTest::addColumn<int>("connectType");
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<bool>("enatYes");
    QTest::newRow("dial-up, two LAN destinations") << 0 << false << false;
    QTest::newRow("dial-up terminal type, ENAT yes") << 0 << true << true;
    QTest::newRow("dial-up terminal type, ENAT no") << 0 << true << false;
    QTest::newRow("128k leased line") << 2 << false << false;
}

void TestGenerateValidation::windowGeneratesWhatTheCommandLineGenerates()
{
    QFETCH(int, connectType);
    QFETCH(bool, terminal);
    QFETCH(bool, enatYes);

    Configuration config = Configuration::atProgramStart();
    CommonSettings &c = config.Common;
    c.ConnectType = int16(connectType);
    c.EthIP = QStringLiteral("192.168.10.1");
    c.EthMask = QStringLiteral("255.255.255.0");
    c.Syslog = QStringLiteral("192.168.10.5");
    c.DHCP = 1;
    c.DHCP_IP = QStringLiteral("192.168.10.100");
    c.DHCP_Num = QStringLiteral("20");
    c.DHCP_Router = QStringLiteral("192.168.10.1");
    c.DHCP_DNS = QStringLiteral("192.168.10.2");
    c.DHCP_Lease = QStringLiteral("86400");
    if (connectType == 0) {
        c.PBX_Number = QStringLiteral("03-5555-0001");
        c.PBX_DialIn = QStringLiteral("03-5555-0002");
        c.AutoHash1 = 1;
        c.AutoHashTimer1 = QStringLiteral("10");
    }
    Destination first = lanDestination(QStringLiteral("03-1234-5678"), QStringLiteral("10.0.0.1"));
    first.DefRoute = 1;
    first.Type = terminal ? 1 : 0;
    first.Comp = 1;
    first.Idle = QStringLiteral("120");
    config.destination(1) = first;
    config.DefaultRouteTaken = true;
    config.TabCount = 2;
    if (connectType == 0) {
        Destination second = lanDestination(QStringLiteral("06-1111-2222"), QStringLiteral("10.0.1.1"));
        second.PPPRIP = 1;
        second.StaticRoute = 1;
        second.RouteIP = QStringLiteral("172.16.5.0");
        second.RouteNetMask = QStringLiteral("255.255.255.0");
        second.RouteNextHop = QStringLiteral("10.0.1.2");
        second.MP = 1;
        config.destination(2) = second;
        config.bod(2) = {QStringLiteral("70"), QStringLiteral("20"), QStringLiteral("10"), QStringLiteral("40")};
        config.TabCount = 3;
    }
    QVERIFY(config.appendRoute({QStringLiteral("172.20.0.9"), QStringLiteral("255.255.0.0"), QStringLiteral("ppp0"),
                                QStringLiteral("0.0.0.0")}));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const RcfWriteResult rcf = WriteRcf(config);
    QVERIFY2(rcf.ok, qPrintable(rcf.errorText));
    QFile rcfFile(dir.filePath(QStringLiteral("office.rcf")));
    QVERIFY(rcfFile.open(QIODevice::WriteOnly));
    rcfFile.write(rcf.bytes);
    rcfFile.close();
    QFile cfgFile(dir.filePath(QStringLiteral("office.cfg")));
    QVERIFY(cfgFile.open(QIODevice::WriteOnly));
    cfgFile.write("enable ip\r\n\r\n");
    cfgFile.close();

    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const std::optional<int> status = runCommandLine(
        {QStringLiteral("marrowgate"), QStringLiteral("generate"),
         enatYes ? QStringLiteral("--enat=yes") : QStringLiteral("--enat=no"), cfgFile.fileName()},
        out, err);
    QVERIFY2(status == 0, err.data().constData());

    files->openPath = cfgFile.fileName();
    w->mnuFileOpen_Click();
    for (const ShownMessage &m : std::as_const(prompt->shown))
        qWarning() << m.title << m.text;
    QVERIFY(prompt->shown.isEmpty());
    QCOMPARE(w->configuration().TabCount, config.TabCount);
    // The operator looks at the first destination before generating.
    QVERIFY(w->selectTab(2));
    QVERIFY(prompt->shown.isEmpty());

    prompt->answers = {enatYes ? MessageAnswer::Yes : MessageAnswer::No};
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    for (const ShownMessage &m : std::as_const(prompt->shown))
        QVERIFY2(m.title == EnatTitle, qPrintable(m.title + QLatin1Char(' ') + m.text));
    QCOMPARE(prompt->shown.size(), terminal ? 1 : 0);
    QCOMPARE(scriptWindows, 1);

    const std::optional<QByteArray> windowBytes = ShiftJis::encode(w->configuration().CommandScript);
    QVERIFY(windowBytes);
    QCOMPARE(*windowBytes, out.data());
    QCOMPARE(out.data().contains("enable ip nat\r\n"), terminal && enatYes);
}

// Opening leaves the common page in front. The destination page must then
// still hold a destination of the file, since the checks read it for every
// destination; a valid file must generate without complaint.
void TestGenerateValidation::generateRightAfterOpening()
{
    Configuration config = Configuration::atProgramStart();
    config.Common.EthIP = QStringLiteral("192.168.10.1");
    Destination d = lanDestination(QStringLiteral("03-1234-5678"), QStringLiteral("10.0.0.1"));
    d.DefRoute = 1;
    config.destination(1) = d;
    config.DefaultRouteTaken = true;
    const RcfWriteResult rcf = WriteRcf(config);
    QVERIFY(rcf.ok);
    QTemporaryDir dir;
    QFile rcfFile(dir.filePath(QStringLiteral("office.rcf")));
    QVERIFY(rcfFile.open(QIODevice::WriteOnly));
    rcfFile.write(rcf.bytes);
    rcfFile.close();

    files->openPath = dir.filePath(QStringLiteral("office.cfg"));
    w->mnuFileOpen_Click();
    QVERIFY(prompt->shown.isEmpty());
    QCOMPARE(w->selectedTab(), 1);
    QTest::mouseClick(w->cmdGen, Qt::LeftButton);
    QVERIFY2(prompt->shown.isEmpty(), prompt->shown.isEmpty() ? "" : qPrintable(prompt->shown[0].text));
    QCOMPARE(scriptWindows, 1);
}

QTEST_MAIN(TestGenerateValidation)
#include "tst_generate_validation.moc"
