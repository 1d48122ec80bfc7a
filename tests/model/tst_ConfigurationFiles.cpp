#include "ConfigurationFiles.h"
#include "QSettingsStore.h"
#include "SampleConfigurations.h"
#include "TestFakes.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace mg;

class TestConfigurationFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path())); // before the first QSettings
        QCOMPARE(QSettingsStore().fileName(), m_home.filePath(QStringLiteral("Quillmark KV700 Marrowgate.ini")));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_files = {}, m_messages = {}, m_settings = {};
    }

    // The dial-up sample without its ENAT entry for the LAN: saving adds it
    // again, over destination 2, the first terminal-type one, and only once.
    void saveWritesThePairThatOpensAgain()
    {
        Configuration config = samples::golden(QStringLiteral("dialup"));
        QVERIFY(config.removeEnat(3));
        config.ConfigFileName = QStringLiteral("last.cfg");
        config.EnatCommands = QStringLiteral("stale\r\n");
        m_settings.values.insert(QStringLiteral("ConfigFile/Directory"), QStringLiteral("/srv/configs"));
        QCOMPARE(save(config, QStringLiteral("office.v2.cfg")), QStringLiteral("office.v2.cfg"));
        QVERIFY(m_messages.shown.isEmpty() && config.CommandScript == m_script && config.Saved && config.SaveSucceeded);
        const FileDialogRequest asked = m_files.saveRequests.value(0); // in the folder and under the name last used
        QVERIFY(asked.initialDirectory == "/srv/configs" && asked.initialFileName == "last.cfg");
        QCOMPARE(m_settings.values.value(QStringLiteral("ConfigFile/Directory")), m_dir->path());
        QCOMPARE(read(QStringLiteral("office.v2.cfg")), (m_script + QStringLiteral("\r\n")).toLatin1());
        QVERIFY(config.EnatCount == 5 && config.EnatCommands.isEmpty());
        QCOMPARE(config.EnatList[4], (EnatEntry{"192.168.1.0", "255.255.255.0", {}, {}, {}, {}, {}, "ppp1", 3}));
        const QByteArray rcf = read(QStringLiteral("office.v2.rcf"));
        QVERIFY(!save(config, QStringLiteral("office.v2.cfg")).isEmpty());
        QVERIFY(config.EnatCount == 5 && read(QStringLiteral("office.v2.rcf")) == rcf);

        Configuration opened;
        opened.TabCount = 5;
        opened.CommandScript = QStringLiteral("kept");
        QCOMPARE(open(opened, QStringLiteral("office.v2.cfg")), QStringLiteral("office.v2.cfg"));
        QVERIFY(m_messages.shown.isEmpty() && opened.CommandScript == "kept" && !opened.Saved);
        QCOMPARE(rcfText(opened), rcfText(config));

        // Cancelled: the open changes nothing, the save only the script it generates first.
        opened.SaveSucceeded = true;
        const Configuration before = opened;
        const QStringList files = tree();
        QVERIFY(open(opened, {}).isEmpty() && save(opened, {}).isEmpty());
        QVERIFY(!opened.SaveSucceeded && m_messages.shown.isEmpty() && tree() == files);
        opened.SaveSucceeded = before.SaveSucceeded, opened.CommandScript = before.CommandScript;
        QVERIFY(opened == before);

        // A fault that reading goes past: the box, and the rest is read.
        QVERIFY(write(QStringLiteral("warns.rcf"), "Count=1\r\nTab=1\r\nISDN_Num=03\r\nEndTab=1\r\n"));
        QCOMPARE(open(opened, QStringLiteral("warns.rcf")), QStringLiteral("warns.rcf"));
        QCOMPARE(m_messages.texts(), QStringList{QStringLiteral("エラー")});
        QVERIFY(m_messages.lastTitle().isEmpty() && m_messages.shown[0].icon == MessageIcon::Critical);
        QCOMPARE(opened.destination(1).ISDN_Num, QStringLiteral("03"));
    }

    // Refused before anything is written, or written aside and never put in place: the old files stay
    // as they were, nothing new appears beside them, the configuration is kept, one critical box says why.
    void refusals_data()
    {
        QTest::addColumn<bool>("open"); // else save
        QTest::addColumn<QString>("picked");
        // Old files ("old <name>"); a trailing "/" makes a folder, "|" a pipe, "@target" a link.
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("userName");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("textPart");
        auto row = [](const char *name, bool open, const char *picked, QStringList present, QString title, QString part) {
            QTest::newRow(name) << open << picked << present << QString() << title << part;
        };
        const QStringList pair{"office.cfg", "office.rcf"};
        const QString e = QStringLiteral("エラー");
        row("save, no extension", false, "office", pair, e, "拡張子がありません");
        row("save, dot only in the folder", false, "sub.d/office", {"sub.d/"}, e, "拡張子がありません");
        row("save, the .rcf name itself", false, "office.rcf", pair, e, "同じファイル");
        row("save, script file cannot be replaced", false, "office.cfg", {"office.cfg/", "office.rcf"}, e, "");
        row("save, rcf file cannot be replaced", false, "office.cfg", {"office.cfg", "office.rcf/"}, e, "");
        row("save, folder missing", false, "missing/office.cfg", {}, e, "");
        row("save, rcf file linked to the script file", false, "office.cfg", {"office.cfg", "office.rcf@office.cfg"}, e,
            "同じファイル");
        row("save, rcf file is a pipe", false, "office.cfg", {"office.cfg", "office.rcf|"}, e, "通常のファイル");
        QTest::newRow("save, character outside Shift_JIS") << false << "office.cfg" << pair << "user\U0001F600" << e << "";
        row("open, no rcf file beside", true, "none.cfg", pair, e, "none.rcf");
        row("open, no extension", true, "office", pair + QStringList{"office"}, e, "拡張子");
        row("open, not an rcf file", true, "office.cfg", pair, "ファイルを開く", e);
        row("open, rcf file is a pipe", true, "office.cfg", {"office.cfg", "office.rcf|"}, e, "通常のファイル");
    }

    void refusals()
    {
        QFETCH(bool, open);
        QFETCH(QString, picked);
        QFETCH(QStringList, present);
        QFETCH(QString, userName);
        QFETCH(QString, textPart);
        for (const QString &name : present) {
            if (name.endsWith('/'))
                QVERIFY(QDir(m_dir->path()).mkpath(name));
            else if (name.endsWith('|'))
                QCOMPARE(::mkfifo(QFile::encodeName(path(name.chopped(1))).constData(), 0600), 0);
            else if (name.contains('@'))
                QVERIFY(QFile::link(path(name.section('@', 1)), path(name.section('@', 0, 0))));
            else
                QVERIFY(write(name, "old " + name.toLatin1()));
        }
        const QStringList before = tree();
        Configuration config = samples::golden(QStringLiteral("dialup"));
        if (!userName.isEmpty())
            config.destination(2).UserName = userName;
        config.SaveSucceeded = true;
        const Configuration kept = config;
        QVERIFY(open ? this->open(config, picked).isEmpty() : save(config, picked).isEmpty());
        QCOMPARE(m_messages.shown.size(), 1);
        QTEST(m_messages.lastTitle(), "title");
        QVERIFY(m_messages.shown[0].icon == MessageIcon::Critical && m_messages.shown[0].buttons == MessageButtons::Ok);
        QVERIFY2(m_messages.lastText().contains(textPart) && (open || m_messages.lastText().size() > 10), // says why
                 qPrintable(m_messages.lastText()));
        QCOMPARE(tree(), before);
        for (const QString &name : present)
            QVERIFY(!QRegularExpression(QStringLiteral("^[\\w.]+$")).match(name).hasMatch()
                    || read(name) == "old " + name.toLatin1());
        if (!open) { // marked failed; the script is generated before the name is asked for
            QVERIFY(!config.SaveSucceeded);
            config.CommandScript = kept.CommandScript, config.SaveSucceeded = true;
        }
        QVERIFY(config == kept);
    }

    // A pair copied from another system keeps the case of its names: opening
    // finds the .rcf beside the picked file whatever its case (the exact name
    // first, then the save's own spelling), and a save spells the .rcf's
    // extension in the case of the script file's.
    void namesInAnyCase_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QStringList>("present"); // .rcf files beside it, each naming itself as its Syslog value
        QTest::addColumn<QString>("opens");       // empty: none is found
        QTest::addColumn<QString>("saves");
        QTest::newRow("upper-case pair") << "OFFICE.CFG" << QStringList{"OFFICE.RCF"} << "OFFICE.RCF" << "OFFICE.RCF";
        QTest::newRow("upper-case script, lower-case extension")
            << "OFFICE.CFG" << QStringList{"OFFICE.rcf"} << "OFFICE.rcf" << "OFFICE.RCF";
        QTest::newRow("mixed case") << "Office.Cfg" << QStringList{"OFFICE.RCF"} << "OFFICE.RCF" << "Office.rcf";
        QTest::newRow("the exact name first") << "office.cfg" << QStringList{"OFFICE.RCF", "office.rcf"} << "office.rcf"
                                              << "office.rcf";
        QTest::newRow("the save's spelling first") << "OFFICE.CFG" << QStringList{"office.rcf", "OFFICE.RCF"}
                                                   << "OFFICE.RCF" << "OFFICE.RCF";
        QTest::newRow("another base name is not it") << "OFFICE.CFG" << QStringList{"OFFICE2.RCF", "OFFIC.RCF"} << ""
                                                     << "OFFICE.RCF";
    }

    void namesInAnyCase()
    {
        QFETCH(QString, picked);
        QFETCH(QStringList, present);
        QFETCH(QString, opens);
        QFETCH(QString, saves);
        for (const QString &name : present)
            QVERIFY(write(name, "Count=1\r\nSyslog=" + name.toLatin1() + "\r\n\r\nTab=1\r\nType=0\r\nEndTab=1\r\n"));
        Configuration opened;
        QCOMPARE(open(opened, picked), opens.isEmpty() ? QString() : picked);
        QCOMPARE(opened.Common.Syslog, opens);
        QCOMPARE(m_messages.shown.size(), opens.isEmpty() ? 1 : 0);

        m_messages.shown.clear();
        Configuration config = samples::golden(QStringLiteral("dialup"));
        QCOMPARE(save(config, picked), picked);
        QVERIFY(m_messages.shown.isEmpty());
        QCOMPARE(read(picked), (m_script + QStringLiteral("\r\n")).toLatin1());
        QVERIFY(read(saves).startsWith("Count=3\r\n"));
        Configuration again;
        QCOMPARE(open(again, picked), picked);
        QCOMPARE(again.Common.Syslog, config.Common.Syslog);
    }

    // A disk that fills up while the pair is written: a file-size limit
    // stands in for it. Nothing takes the old files' place, and the box says so.
    void fullDiskKeepsTheOldPair()
    {
        QVERIFY(write(QStringLiteral("office.cfg"), "old office.cfg") && write(QStringLiteral("office.rcf"), "old office.rcf"));
        const QStringList before = tree();
        Configuration config = samples::golden(QStringLiteral("dialup"));
        rlimit unlimited{}, small{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        small = unlimited;
        small.rlim_cur = 512; // more than the script, less than the settings
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString saved = save(config, QStringLiteral("office.cfg"));
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        std::signal(SIGXFSZ, previous);
        QVERIFY(saved.isEmpty() && !config.SaveSucceeded);
        QCOMPARE(m_messages.shown.size(), 1);
        QVERIFY(m_messages.lastText().contains(QStringLiteral("office.rcf")));
        QCOMPARE(tree(), before);
        QVERIFY(read(QStringLiteral("office.cfg")) == "old office.cfg" && read(QStringLiteral("office.rcf")) == "old office.rcf");
    }

    // The real settings store: what is written reads back unchanged, in a
    // later run too; what cannot be read reads as the default.
    void settingsStore_data()
    {
        QTest::addColumn<QByteArray>("file"); // as another program left it
        QTest::addColumn<QString>("written"); // SaveSetting first unless null
        QTest::addColumn<QString>("read");
        const QByteArray junk("\x00\xff\xfe[\x01\n=\n\x80", 9);
        QTest::newRow("no file yet") << QByteArray() << QString() << "default";
        QTest::newRow("comma") << QByteArray() << "9600,n,8,1" << "9600,n,8,1";
        const QString odd = QStringLiteral("@V(x) \"[設定]\nk=v;#\\\" ");
        QTest::newRow("Japanese, INI syntax, @, quotes") << QByteArray() << odd << odd;
        QTest::newRow("hand-edited list") << QByteArray("[Transmit]\nMethod=0, 1\n") << QString() << "0,1";
        QTest::newRow("binary junk") << junk << QString() << "default";
        QTest::newRow("binary junk, then written") << junk << "1" << "1";
    }

    void settingsStore()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, written);
        QFETCH(QString, read);
        const QString ini = path(QStringLiteral("settings.ini"));
        QVERIFY(file.isEmpty() || write(QStringLiteral("settings.ini"), file));
        if (!written.isNull())
            QSettingsStore(ini).SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), written);
        QVERIFY(written.isNull() || QFileInfo(ini).size() > 10); // on disk once the store is gone
        const QSettingsStore later(ini);
        QCOMPARE(later.GetSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), "default"), read);
        const QList<QPair<QString, QString>> all = later.GetAllSettings(QStringLiteral("Transmit"));
        QCOMPARE(all, (read == "default" ? decltype(all){} : decltype(all){{"Method", read}}));
    }

private:
    const QString m_script = QStringLiteral("enable ip\r\nadd ip int=eth0 ip=192.168.1.1 mask=255.255.255.0\r\n");
    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    mgtest::ScriptedFileDialog m_files;
    mgtest::ScriptedPrompt m_messages;
    mgtest::MemorySettings m_settings;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool write(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QStringList tree() const // every entry below the temporary folder, and its kind
    {
        QStringList all;
        for (QDirIterator it(m_dir->path(), QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
             it.hasNext();) {
            const QFileInfo entry(it.next());
            all << entry.filePath() + (entry.isSymLink() ? "@" : entry.isDir() ? "/" : entry.isFile() ? "" : "|");
        }
        return all;
    }
    // The operator picks `picked`, or cancels when it is empty.
    QString save(Configuration &config, const QString &picked)
    {
        m_files.answers = {picked.isEmpty() ? std::nullopt : std::optional(path(picked))};
        return SaveConfiguration(config, m_files, m_messages, m_settings, [this](Configuration &) { return m_script; });
    }
    QString open(Configuration &config, const QString &picked)
    {
        m_files.answers = {picked.isEmpty() ? std::nullopt : std::optional(path(picked))};
        return OpenConfiguration(config, m_files, m_messages);
    }
};

QTEST_GUILESS_MAIN(TestConfigurationFiles)
#include "tst_ConfigurationFiles.moc"
