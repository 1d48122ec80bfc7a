#include "ConfigurationFiles.h"
#include "FileTestFakes.h"
#include "SampleConfigurations.h"
#include "ShiftJis.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mg;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QString Script = QStringLiteral("enable ip\r\nadd ip int=eth0 ip=192.168.1.1 mask=255.255.255.0\r\n");

} // namespace

class TestConfigurationFiles : public QObject {
    Q_OBJECT
private slots:
    void init();
    void rcfPathFor_data();
    void rcfPathFor();
    void saveWritesThePair();
    void saveAddsTheAutomaticEnatEntryOnce();
    void saveCancelled();
    void saveRefusesNames_data();
    void saveRefusesNames();
    void failedSaveKeepsOldPair_data();
    void failedSaveKeepsOldPair();
    void openReadsTheRcfBeside();
    void openCancelled();
    void failedOpenKeepsConfiguration_data();
    void failedOpenKeepsConfiguration();
    void openWarnsAndReadsOn();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    FakeFileDialog m_files;
    RecordingPrompt m_messages;
    MemorySettings m_settings;
    int m_generated = 0;
    ScriptGeneratorFunction m_generate;

    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestConfigurationFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_files = FakeFileDialog{};
    m_messages = RecordingPrompt{};
    m_settings = MemorySettings{};
    m_generated = 0;
    m_generate = [this](Configuration &) {
        ++m_generated;
        return Script;
    };
}

void TestConfigurationFiles::rcfPathFor_data()
{
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QString>("rcf");
    QTest::newRow(".cfg") << "/home/op/office.cfg" << "/home/op/office.rcf";
    QTest::newRow(".rcf itself") << "/home/op/office.rcf" << "/home/op/office.rcf";
    QTest::newRow("last dot of the name") << "/home/op/office.v2.cfg" << "/home/op/office.v2.rcf";
    QTest::newRow("dot in a folder only") << "/home/op.d/office" << "";
    QTest::newRow("no dot at all") << "/home/op/office" << "";
    QTest::newRow("name ending in a dot") << "/tmp/office." << "/tmp/office.rcf";
}

void TestConfigurationFiles::rcfPathFor()
{
    QFETCH(QString, picked);
    QFETCH(QString, rcf);
    QCOMPARE(RcfPathFor(picked), rcf);
}

void TestConfigurationFiles::saveWritesThePair()
{
    Configuration config = samples::dialUp();
    config.ConfigFileName = QStringLiteral("last.cfg");
    m_settings.values.insert(QStringLiteral("ConfigFile/Directory"), QStringLiteral("/srv/configs"));
    m_files.answer = path(QStringLiteral("office.cfg"));

    const QString name = SaveConfiguration(config, m_files, m_messages, m_settings, m_generate);

    QCOMPARE(name, QStringLiteral("office.cfg"));
    QVERIFY(m_messages.shown.isEmpty());
    QCOMPARE(m_generated, 1);
    QCOMPARE(config.CommandScript, Script);
    QVERIFY(config.Saved);
    QVERIFY(config.SaveSucceeded);

    QCOMPARE(m_files.saveRequests.size(), 1);
    const FileDialogRequest &request = m_files.saveRequests.first();
    QCOMPARE(request.title, QStringLiteral("設定の保存"));
    QCOMPARE(request.initialDirectory, QStringLiteral("/srv/configs"));
    QCOMPARE(request.initialFileName, QStringLiteral("last.cfg"));
    QCOMPARE(request.filters.size(), 2);
    QCOMPARE(request.filters[0].qtFilter(), QStringLiteral("すべてのファイル (*.*)"));
    QCOMPARE(request.filters[1].qtFilter(), QStringLiteral("設定ファイル (*.cfg)"));
    QCOMPARE(request.selectedFilter, 1);

    QCOMPARE(m_settings.values.value(QStringLiteral("ConfigFile/Directory")), m_dir->path());
    QCOMPARE(readFile(path(QStringLiteral("office.cfg"))), (Script + QStringLiteral("\r\n")).toLatin1());
    const QByteArray rcf = readFile(path(QStringLiteral("office.rcf")));
    QVERIFY(rcf.startsWith("Count=3\r\nConnectType=0\r\n"));

    // What was saved opens again as the same configuration.
    Configuration opened;
    m_files.answer = path(QStringLiteral("office.cfg"));
    QCOMPARE(OpenConfiguration(opened, m_files, m_messages), QStringLiteral("office.cfg"));
    QVERIFY(m_messages.shown.isEmpty());
    Configuration expected = config;
    expected.Saved = false;             // the window marks the loaded values changed
    expected.SaveSucceeded = false;
    expected.CommandScript.clear();
    expected.ConfigFileName.clear();
    QCOMPARE(RcfText(opened), RcfText(expected));
    QVERIFY(opened == expected);
}

void TestConfigurationFiles::saveAddsTheAutomaticEnatEntryOnce()
{
    Configuration config;
    config.setEthIP(QStringLiteral("192.168.1.1"));
    config.destination(1).Type = 1;
    config.EnatCommands = QStringLiteral("stale\r\n");
    m_files.answer = path(QStringLiteral("term.cfg"));

    QCOMPARE(SaveConfiguration(config, m_files, m_messages, m_settings, m_generate), QStringLiteral("term.cfg"));
    QCOMPARE(config.EnatCount, int16(1));
    QVERIFY(config.EnatCommands.isEmpty());
    const QByteArray rcf = readFile(path(QStringLiteral("term.rcf")));
    QVERIFY(rcf.contains("ENATListNum=1\r\nNATType=3\r\nPrivateIP=192.168.1.0\r\nPrivateMask=255.255.255.0\r\n"
                         "GlobalInterFace=ppp0\r\nEndENATList\r\n"));

    QCOMPARE(SaveConfiguration(config, m_files, m_messages, m_settings, m_generate), QStringLiteral("term.cfg"));
    QCOMPARE(config.EnatCount, int16(1));
    QCOMPARE(readFile(path(QStringLiteral("term.rcf"))), rcf);
}

void TestConfigurationFiles::saveCancelled()
{
    Configuration config = samples::leased();
    config.SaveSucceeded = true;
    config.destination(1).Type = 1;      // would get an automatic ENAT entry
    const Configuration before = config;

    QVERIFY(SaveConfiguration(config, m_files, m_messages, m_settings, m_generate).isEmpty());
    QVERIFY(!config.SaveSucceeded);
    QVERIFY(!config.Saved);
    QCOMPARE(config.EnatCount, before.EnatCount);
    QVERIFY(m_messages.shown.isEmpty());
    QVERIFY(m_settings.values.isEmpty());
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

void TestConfigurationFiles::saveRefusesNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("textPart");
    QTest::newRow("no extension") << "office" << "拡張子がありません";
    QTest::newRow("dot only in the folder") << "sub.d/office" << "拡張子がありません";
    QTest::newRow("the .rcf name itself") << "office.rcf" << "同じファイル";
}

void TestConfigurationFiles::saveRefusesNames()
{
    QFETCH(QString, name);
    QFETCH(QString, textPart);
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("sub.d")));
    Configuration config = samples::dialUp();
    config.SaveSucceeded = true;
    m_files.answer = path(name);

    QVERIFY(SaveConfiguration(config, m_files, m_messages, m_settings, m_generate).isEmpty());
    QVERIFY(!config.SaveSucceeded);
    QVERIFY(!config.Saved);
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].title, QStringLiteral("エラー"));
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Critical);
    QVERIFY2(m_messages.shown[0].text.contains(textPart), qPrintable(m_messages.shown[0].text));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("sub.d"))).entryList(QDir::Files), QStringList());
}

void TestConfigurationFiles::failedSaveKeepsOldPair_data()
{
    QTest::addColumn<QString>("blocked");       // made a folder, so it cannot be written
    QTest::addColumn<QString>("badName");       // a user name Shift_JIS cannot store, or empty
    QTest::newRow("script file cannot be replaced") << "office.cfg" << "";
    QTest::newRow("rcf file cannot be replaced") << "office.rcf" << "";
    QTest::newRow("folder missing") << "" << "";
    QTest::newRow("character outside Shift_JIS") << "" << "user\U0001F600";
}

void TestConfigurationFiles::failedSaveKeepsOldPair()
{
    QFETCH(QString, blocked);
    QFETCH(QString, badName);
    const QByteArray oldScript("old script\r\n");
    const QByteArray oldRcf("Count=1\r\n");
    QString target = path(QStringLiteral("office.cfg"));
    if (!blocked.isEmpty()) {
        QVERIFY(QDir(m_dir->path()).mkdir(blocked));
        const QString other = blocked == QLatin1String("office.cfg") ? QStringLiteral("office.rcf")
                                                                     : QStringLiteral("office.cfg");
        writeFile(path(other), other.endsWith(QLatin1String(".cfg")) ? oldScript : oldRcf);
    } else if (badName.isEmpty()) {
        target = path(QStringLiteral("missing/office.cfg"));
    } else {
        writeFile(path(QStringLiteral("office.cfg")), oldScript);
        writeFile(path(QStringLiteral("office.rcf")), oldRcf);
    }
    const QStringList before = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    Configuration config = samples::dialUp();
    if (!badName.isEmpty())
        config.destination(2).UserName = badName;
    config.SaveSucceeded = true;
    m_files.answer = target;

    QVERIFY(SaveConfiguration(config, m_files, m_messages, m_settings, m_generate).isEmpty());
    QVERIFY(!config.SaveSucceeded);
    QVERIFY(!config.Saved);
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].title, QStringLiteral("エラー"));
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Critical);
    QVERIFY(m_messages.shown[0].text.size() > 10);

    // Nothing new beside the old files, and the old ones unchanged.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    if (QFileInfo(path(QStringLiteral("office.cfg"))).isFile())
        QCOMPARE(readFile(path(QStringLiteral("office.cfg"))), oldScript);
    if (QFileInfo(path(QStringLiteral("office.rcf"))).isFile())
        QCOMPARE(readFile(path(QStringLiteral("office.rcf"))), oldRcf);
}

void TestConfigurationFiles::openReadsTheRcfBeside()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("a.b")));
    writeFile(path(QStringLiteral("a.b/office.rcf")), WriteRcf(samples::leased()).bytes);
    writeFile(path(QStringLiteral("a.b/office.cfg")), "not read\r\n");
    Configuration config;
    config.TabCount = 5;
    config.CommandScript = Script;
    m_files.answer = path(QStringLiteral("a.b/office.cfg"));

    QCOMPARE(OpenConfiguration(config, m_files, m_messages), QStringLiteral("office.cfg"));
    QVERIFY(m_messages.shown.isEmpty());
    QCOMPARE(m_files.openRequests.size(), 1);
    const FileDialogRequest &request = m_files.openRequests.first();
    QCOMPARE(request.title, QStringLiteral("設定ファイルを開く"));
    QVERIFY(request.initialDirectory.isEmpty());
    QVERIFY(request.initialFileName.isEmpty());
    QCOMPARE(request.filters.size(), 2);
    QCOMPARE(request.selectedFilter, 1);

    Configuration expected = samples::leased();
    expected.CommandScript = Script;
    QCOMPARE(RcfText(config), RcfText(expected));
    QVERIFY(config == expected);
}

void TestConfigurationFiles::openCancelled()
{
    Configuration config = samples::dialUp();
    const Configuration before = config;
    QVERIFY(OpenConfiguration(config, m_files, m_messages).isEmpty());
    QVERIFY(config == before);
    QVERIFY(m_messages.shown.isEmpty());
}

void TestConfigurationFiles::failedOpenKeepsConfiguration_data()
{
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QByteArray>("rcf");      // written as office.rcf when not empty
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textPart");
    QTest::newRow("no rcf file") << "office.cfg" << QByteArray() << "エラー" << "office.rcf";
    QTest::newRow("no extension") << "office" << QByteArray("Count=1\r\n") << "エラー" << "拡張子";
    QTest::newRow("not an rcf file") << "office.cfg" << QByteArray("hello\r\n") << "ファイルを開く" << "エラー";
    QTest::newRow("too many destinations") << "office.cfg" << QByteArray("Count=40\r\n") << "エラー" << "接続先の数";
    QTest::newRow("cut inside a block") << "office.cfg" << QByteArray("Count=1\r\nTab=1\r\nType=0\r\nMP=0\r\n")
                                        << "エラー" << "途中で終わって";
}

void TestConfigurationFiles::failedOpenKeepsConfiguration()
{
    QFETCH(QString, picked);
    QFETCH(QByteArray, rcf);
    QFETCH(QString, title);
    QFETCH(QString, textPart);
    if (!rcf.isEmpty())
        writeFile(path(QStringLiteral("office.rcf")), rcf);
    Configuration config = samples::dialUp();
    const Configuration before = config;
    m_files.answer = path(picked);

    QVERIFY(OpenConfiguration(config, m_files, m_messages).isEmpty());
    QVERIFY(config == before);
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Critical);
    QCOMPARE(m_messages.shown[0].buttons, MessageButtons::Ok);
    QCOMPARE(m_messages.shown[0].title, title);
    QVERIFY2(m_messages.shown[0].text.contains(textPart), qPrintable(m_messages.shown[0].text));
}

void TestConfigurationFiles::openWarnsAndReadsOn()
{
    writeFile(path(QStringLiteral("office.rcf")), "Count=1\r\nTab=1\r\nISDN_Num=03\r\nEndTab=1\r\n");
    Configuration config;
    m_files.answer = path(QStringLiteral("office.cfg"));
    QCOMPARE(OpenConfiguration(config, m_files, m_messages), QStringLiteral("office.cfg"));
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].text, QStringLiteral("エラー"));
    QCOMPARE(m_messages.shown[0].title, QString());
    QCOMPARE(m_messages.shown[0].icon, MessageIcon::Critical);
    QCOMPARE(config.destination(1).ISDN_Num, QStringLiteral("03"));
}

QTEST_GUILESS_MAIN(TestConfigurationFiles)
#include "tst_ConfigurationFiles.moc"
