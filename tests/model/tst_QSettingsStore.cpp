#include "QSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mg;

class TestQSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void userFileUnderTheConfigFolder();
    void valuesSurviveAsWritten_data();
    void valuesSurviveAsWritten();
    void absentValuesReadAsDefault();
    void allSettingsOfASection();
    void handEditedAndDamagedFiles_data();
    void handEditedAndDamagedFiles();

private:
    QTemporaryDir m_home;
};

void TestQSettingsStore::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Before any QSettings exists: Qt reads the folder once.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
}

void TestQSettingsStore::userFileUnderTheConfigFolder()
{
    const QString expected = m_home.filePath(QStringLiteral("Quillmark KV700 Marrowgate.ini"));
    {
        QSettingsStore store;
        QCOMPARE(store.fileName(), expected);
        store.SaveSetting(QStringLiteral("ConfigFile"), QStringLiteral("Directory"), QStringLiteral("/home/op/cfg"));
    }
    QFile file(expected);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("[ConfigFile]"));
    QVERIFY(text.contains("Directory=/home/op/cfg"));
    // A later store, a later run, reads it back.
    QCOMPARE(QSettingsStore().GetSetting(QStringLiteral("ConfigFile"), QStringLiteral("Directory")),
             QStringLiteral("/home/op/cfg"));
}

void TestQSettingsStore::valuesSurviveAsWritten_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("Japanese folder") << QStringLiteral("/home/op/設定 ファイル");
    QTest::newRow("comma") << QStringLiteral("9600,n,8,1");
    QTest::newRow("INI syntax") << QStringLiteral("[x]\nk=v;#comment");
    QTest::newRow("leading @") << QStringLiteral("@Variant(x)");
    QTest::newRow("blanks and quotes") << QStringLiteral("  \"quoted\"  ");
    QTest::newRow("backslashes") << QStringLiteral("C:\\Program Files\\x");
}

void TestQSettingsStore::valuesSurviveAsWritten()
{
    QFETCH(QString, value);
    const QString ini = m_home.filePath(QStringLiteral("values.ini"));
    QSettingsStore(ini).SaveSetting(QStringLiteral("MSComm"), QStringLiteral("Parity"), value);
    QCOMPARE(QSettingsStore(ini).GetSetting(QStringLiteral("MSComm"), QStringLiteral("Parity"),
                                            QStringLiteral("default")),
             value);
}

void TestQSettingsStore::absentValuesReadAsDefault()
{
    QSettingsStore store(m_home.filePath(QStringLiteral("first-run.ini")));
    QCOMPARE(store.GetSetting(QStringLiteral("Transmit"), QStringLiteral("Method")), QString());
    QCOMPARE(store.GetSetting(QStringLiteral("LocalPC"), QStringLiteral("IPAddr"), QStringLiteral("x")),
             QStringLiteral("x"));
    QVERIFY(store.GetAllSettings(QStringLiteral("MSComm")).isEmpty());
}

void TestQSettingsStore::allSettingsOfASection()
{
    const QString ini = m_home.filePath(QStringLiteral("serial.ini"));
    {
        QSettingsStore store(ini);
        const QList<QPair<QString, QString>> written = {
            {"Port", "Com2"}, {"Speed", "9600"}, {"DataBits", "8"}, {"Parity", "None"},
            {"StopBits", "1.5"}, {"Echo", "False"}, {"Flow", "0"}};
        for (const auto &pair : written)
            store.SaveSetting(QStringLiteral("MSComm"), pair.first, pair.second);
        store.SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), QStringLiteral("1"));
    }
    const QList<QPair<QString, QString>> all = QSettingsStore(ini).GetAllSettings(QStringLiteral("MSComm"));
    const QList<QPair<QString, QString>> expected = {
        {"DataBits", "8"}, {"Echo", "False"}, {"Flow", "0"}, {"Parity", "None"},
        {"Port", "Com2"}, {"Speed", "9600"}, {"StopBits", "1.5"}};
    QCOMPARE(all, expected);
}

void TestQSettingsStore::handEditedAndDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("method");    // Transmit/Method as read, "d" the default
    QTest::newRow("hand-edited list") << QByteArray("[Transmit]\nMethod=0, 1\n") << "0,1";
    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe[\x01\n=\n\x80", 9) << "d";
    QTest::newRow("section without keys") << QByteArray("[Transmit]\n") << "d";
}

void TestQSettingsStore::handEditedAndDamagedFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, method);
    const QString ini = m_home.filePath(QStringLiteral("edited.ini"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    QSettingsStore store(ini);
    QCOMPARE(store.GetSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), QStringLiteral("d")), method);
    // Still writable after a damaged read.
    store.SaveSetting(QStringLiteral("Transmit"), QStringLiteral("Method"), QStringLiteral("1"));
    QCOMPARE(QSettingsStore(ini).GetSetting(QStringLiteral("Transmit"), QStringLiteral("Method")),
             QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(TestQSettingsStore)
#include "tst_QSettingsStore.moc"
