// What is kept of a session: the masker that hides passwords in output cut
// anywhere, the transcript file with its entries and permissions, the echo
// watch that paces the serial typing, and the rules for what may be typed
// as a user name or password.

#include "EchoWatch.h"
#include "PasswordRules.h"
#include "SecretMasker.h"
#include "SendText.h"
#include "Transcript.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace mg;

namespace {

const QString M = SecretMasker::Mask;

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The entries of a transcript without their times.
QStringList entries(const QString &path)
{
    QStringList lines = readAll(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines)
        line = line.mid(24); // "yyyy-MM-dd HH:mm:ss.zzz "
    return lines;
}

} // namespace

class TestTranscript : public QObject {
    Q_OBJECT

private slots:
    void masker_data();
    void masker();
    void maskerNeverLetsASecretThrough();
    void secretAddedWhileTextIsHeld();
    void transcriptEntries_data();
    void transcriptEntries();
    void transcriptIsOwnerOnly_data();
    void transcriptIsOwnerOnly();
    void folderKeepsTheLastFifty();
    void echoWatch_data();
    void echoWatch();
    void scriptPasswords_data();
    void scriptPasswords();
    void passwordRules_data();
    void passwordRules();
};

void TestTranscript::masker_data()
{
    QTest::addColumn<QStringList>("secrets");
    QTest::addColumn<QStringList>("pieces");   // as the output arrives
    QTest::addColumn<QString>("shown");        // all that comes out, finish() included

    const QStringList pastry{"pastry"};
    QTest::newRow("no secret in the text") << pastry << QStringList{"KV700> ", "show config\r\n"} << "KV700> show config\r\n";
    QTest::newRow("secret whole in one piece") << pastry << QStringList{"login pastry ok"} << "login " + M + " ok";
    QTest::newRow("secret cut over two pieces") << pastry << QStringList{"xpas", "tryx"} << "x" + M + "x";
    QTest::newRow("secret one character a piece")
        << pastry << QStringList{"p", "a", "s", "t", "r", "y", "\r\n"} << M + "\r\n";
    QTest::newRow("a beginning that is not the secret") << pastry << QStringList{"pas", "ta\r\n"} << "pasta\r\n";
    QTest::newRow("a beginning left at the end of the stream") << pastry << QStringList{"KV700> pas"} << "KV700> pas";
    QTest::newRow("the secret's first letter repeated") << pastry << QStringList{"ppas", "try"} << "p" + M;
    QTest::newRow("secret twice, once cut") << pastry << QStringList{"pastry pa", "stry"} << M + " " + M;
    QTest::newRow("the longer of two secrets") << QStringList{"pastry", "pastry12"} << QStringList{"[pastry1", "2]"}
                                               << "[" + M + "]";
    QTest::newRow("overlapping secrets make one mask") << QStringList{"xxab", "abzz"} << QStringList{"-xxa", "bzz-"}
                                                        << "-" + M + "-";
    QTest::newRow("the end of a secret held back as the beginning of another")
        << QStringList{"xxab", "abzz"} << QStringList{"-xxab", "q"} << "-" + M + "q";
    QTest::newRow("adjacent secrets make one mask") << QStringList{"pastry", "n3wpass"}
                                                    << QStringList{"pastryn3w", "pass."} << M + ".";
    QTest::newRow("a secret inside a longer candidate") << QStringList{"abcdef", "cd"} << QStringList{"abcd", "xy"}
                                                         << "ab" + M + "xy";
    QTest::newRow("Japanese around the secret") << pastry << QStringList{"ようこそpas", "tryさん"} << "ようこそ" + M + "さん";
    QTest::newRow("nothing to hide") << QStringList{} << QStringList{"pastry"} << "pastry";
}

void TestTranscript::masker()
{
    QFETCH(QStringList, secrets);
    QFETCH(QStringList, pieces);
    QFETCH(QString, shown);

    SecretMasker masker;
    qsizetype longest = 0;
    for (const QString &secret : secrets) {
        masker.addSecret(secret);
        longest = std::max(longest, secret.size());
    }
    QString out;
    for (const QString &piece : pieces) {
        out += masker.feed(piece);
        // Never more held back than could still become a secret.
        QVERIFY(masker.heldBack() <= std::max<qsizetype>(0, longest - 1));
    }
    out += masker.finish();
    QCOMPARE(out, shown);
    QCOMPARE(masker.heldBack(), 0);
    // The stream cut into pieces shows what the whole text shows.
    QCOMPARE(masker.masked(pieces.join(QString())), shown);
}

// Random text with the secrets in it, cut at random places: whatever the
// cuts, no secret comes out, and the result is that of the text in one piece.
void TestTranscript::maskerNeverLetsASecretThrough()
{
    QRandomGenerator random(700);
    const QStringList secrets{"pastry", "n3wpass1", "$0$7061", "ss1x"};
    const QString alphabet = QStringLiteral("pastryn3w1$07x> \r\n");
    for (int round = 0; round < 400; ++round) {
        QString text;
        const int parts = random.bounded(2, 12);
        for (int i = 0; i < parts; ++i) {
            if (random.bounded(3) == 0)
                text += secrets.at(random.bounded(int(secrets.size())));
            else
                text += alphabet.at(random.bounded(int(alphabet.size())));
        }
        SecretMasker masker;
        for (const QString &secret : secrets)
            masker.addSecret(secret);
        QString out;
        for (qsizetype at = 0; at < text.size();) {
            const qsizetype length = std::min<qsizetype>(random.bounded(1, 5), text.size() - at);
            out += masker.feed(text.mid(at, length));
            at += length;
        }
        out += masker.finish();
        for (const QString &secret : secrets)
            QVERIFY2(!out.contains(secret), qPrintable(QStringLiteral("\"%1\" gave \"%2\"").arg(text, out)));
        QCOMPARE(out, masker.masked(text));
    }
}

void TestTranscript::secretAddedWhileTextIsHeld()
{
    // The new password becomes known after the login; what the router sent
    // before is still checked against it when it is let out.
    SecretMasker masker;
    masker.addSecret(QStringLiteral("pastry"));
    QString out = masker.feed(QStringLiteral("echo pa"));
    masker.addSecret(QStringLiteral("past1x"));
    out += masker.feed(QStringLiteral("st1x."));
    out += masker.finish();
    QCOMPARE(out, "echo " + M + ".");
}

void TestTranscript::transcriptEntries_data()
{
    // Each event: "<text" received, ">text" typed, "#text" a note.
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("a prompt is written before the line typed at it")
        << QStringList{"<login: ", ">manager\r\n", "<manager\r\nPassword: "}
        << QStringList{"< login: ", "> manager", "< manager", "< Password: "};
    QTest::newRow("CR LF cut between arrivals ends one line")
        << QStringList{"<first\r", "<\nsecond\r\n"} << QStringList{"< first", "< second"};
    QTest::newRow("bare LF and bare CR end lines too") << QStringList{"<a\nb\rc\r\n"}
                                                       << QStringList{"< a", "< b", "< c"};
    QTest::newRow("empty lines are kept") << QStringList{"<\r\n\r\nlogin: "} << QStringList{"<", "<", "< login: "};
    QTest::newRow("the rest of a prompt's line after the typed line")
        << QStringList{"<KV700> ", ">\r\n", "<\r\nKV700> "} << QStringList{"< KV700> ", ">", "< KV700> "};
    QTest::newRow("a typed password is hidden whole")
        << QStringList{">pastry\r\n", ">set password\r\n", ">n3wpass1\r\n"}
        << QStringList{"> " + M, "> set password", "> " + M};
    QTest::newRow("a typed line that carries a password is hidden whole")
        << QStringList{">add user=hq01 password=n3wpass1\r\n"} << QStringList{"> " + M};
    QTest::newRow("an echoed password cut into bytes")
        << QStringList{"<set ppp=0 pass=\"n3w", "<pa", "<ss1\"\r\n"} << QStringList{"< set ppp=0 pass=\"" + M + "\""};
    QTest::newRow("control characters and backslashes are escaped")
        << QStringList{"<a\bb\tc\\d\x1b[K\r\n"} << QStringList{"< a\\x08b\\x09c\\\\d\\x1b[K"};
    QTest::newRow("notes keep their lines, passwords hidden")
        << QStringList{"#one\r\ntwo pastry"} << QStringList{"# one", "# two " + M};
    QTest::newRow("a held-back beginning comes out at the end") << QStringList{"<KV700> pas"}
                                                                << QStringList{"< KV700> pas"};
}

void TestTranscript::transcriptEntries()
{
    QFETCH(QStringList, events);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("t.log"));
    Transcript transcript;
    transcript.setClock([] { return QDateTime(QDate(2024, 5, 1), QTime(10, 15, 2, 317)); });
    QVERIFY2(transcript.open(path), qPrintable(transcript.errorString()));
    transcript.addSecret(QStringLiteral("pastry"));
    transcript.addSecret(QStringLiteral("n3wpass1"));
    for (const QString &event : events) {
        const QString text = event.mid(1);
        if (event.startsWith(QLatin1Char('<')))
            transcript.received(text);
        else if (event.startsWith(QLatin1Char('>')))
            transcript.sent(text);
        else
            transcript.note(text);
    }
    transcript.close();
    QVERIFY(readAll(path).startsWith(QStringLiteral("2024-05-01 10:15:02.317 ")));
    QCOMPARE(entries(path), expected);
}

void TestTranscript::transcriptIsOwnerOnly_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("a new file") << false;
    QTest::newRow("a file that was readable by all") << true;
}

void TestTranscript::transcriptIsOwnerOnly()
{
    QFETCH(bool, existing);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.log"));
    if (existing) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old secrets\n") > 0);
        old.close();
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                                | QFileDevice::ReadOther));
    }
    Transcript transcript;
    QVERIFY(transcript.open(path));
    transcript.note(QStringLiteral("start"));
    transcript.close();
    QCOMPARE(QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(!readAll(path).contains(QStringLiteral("old secrets")));
}

void TestTranscript::folderKeepsTheLastFifty()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("data/transcripts"));
    QVERIFY(QDir().mkpath(folder));
    QStringList made;
    for (int i = 0; i < 55; ++i) {
        const QString name = QStringLiteral("20240501-1000%1-000.log").arg(i, 2, 10, QLatin1Char('0'));
        QFile file(QDir(folder).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        made << name;
    }
    // Someone else's file in the folder is never taken for a transcript.
    QFile foreign(QDir(folder).filePath(QStringLiteral("notes.txt")));
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.close();

    Transcript transcript;
    transcript.setClock([] { return QDateTime(QDate(2024, 5, 2), QTime(9, 0, 0, 5)); });
    QVERIFY2(transcript.openInFolder(folder), qPrintable(transcript.errorString()));
    QCOMPARE(QFileInfo(transcript.path()).fileName(), QStringLiteral("20240502-090000-005.log"));
    transcript.close();
    // A second session in the same millisecond gets a file of its own.
    Transcript second;
    second.setClock([] { return QDateTime(QDate(2024, 5, 2), QTime(9, 0, 0, 5)); });
    QVERIFY(second.openInFolder(folder));
    QCOMPARE(QFileInfo(second.path()).fileName(), QStringLiteral("20240502-090000-005_2.log"));
    second.close();

    QStringList left = QDir(folder).entryList(QDir::Files, QDir::Name);
    QVERIFY(left.removeOne(QStringLiteral("notes.txt")));
    QCOMPARE(left.size(), Transcript::KeptInFolder);
    // The newest are kept, the oldest gone.
    QCOMPARE(left.last(), QStringLiteral("20240502-090000-005_2.log"));
    QCOMPARE(left.first(), made.at(7));

    // A folder made for transcripts is the owner's alone.
    const QString fresh = dir.filePath(QStringLiteral("fresh/transcripts"));
    Transcript third;
    QVERIFY(third.openInFolder(fresh));
    QCOMPARE(QFileInfo(fresh).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestTranscript::echoWatch_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("echoed");          // the router shows the line
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<int>("takenAt");          // the piece after which the line counts as taken; -1: never

    QTest::newRow("echo, line end, command prompt")
        << "enable ip" << true << QStringList{"enable ip\r\nKV700> "} << 0;
    QTest::newRow("echo cut into bytes")
        << "enable ip" << true << QStringList{"en", "able", " ip", "\r", "\n", "KV700", "> "} << 6;
    QTest::newRow("a question ends in a colon") << "set password" << true
                                                << QStringList{"set password\r\nOld password: "} << 0;
    QTest::newRow("output before the echo does not count")
        << "enable ip" << true << QStringList{"\r\nKV700> ", "enable ip\r\n", "KV700> "} << 2;
    QTest::newRow("no prompt after the echo") << "restart router" << true
                                              << QStringList{"restart router\r\nRestarting ...\r\n"} << -1;
    QTest::newRow("a prompt before the line end is the echo's own text")
        << "set name=a> " << true << QStringList{"set name=a> ", "\r\nKV700> "} << 1;
    QTest::newRow("a password is not echoed: line end and prompt")
        << "n3wpass1" << false << QStringList{"\r\n", "Confirm: "} << 1;
    QTest::newRow("an empty line") << "" << true << QStringList{"\r\nKV700> "} << 0;
    QTest::newRow("a prompt without a line end is an old one") << "" << true << QStringList{"KV700> "} << -1;
}

void TestTranscript::echoWatch()
{
    QFETCH(QString, line);
    QFETCH(bool, echoed);
    QFETCH(QStringList, pieces);
    QFETCH(int, takenAt);

    EchoWatch watch;
    watch.expect(line, echoed);
    int taken = -1;
    for (int i = 0; i < pieces.size(); ++i) {
        if (watch.feed(pieces.at(i))) {
            QCOMPARE(taken, -1); // once only
            taken = i;
        }
    }
    QCOMPARE(taken, takenAt);
    QCOMPARE(watch.isWaiting(), takenAt < 0);
}

void TestTranscript::scriptPasswords_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("passwords");
    QTest::newRow("generated lines") << "add user=hq01 password=Hq0!pass\r\nset ppp=0 user=\"branch01\" password=\"Br4 nch\"\r\n"
                                        "set ppp=1 pass=\"isp-pass\"\r\n"
                                     << QStringList{"Hq0!pass", "Br4 nch", "isp-pass"};
    QTest::newRow("the same password once") << "set ppp=0 pass=\"abc123\"\r\nset ppp=1 pass=\"abc123\"\r\n"
                                            << QStringList{"abc123"};
    QTest::newRow("words that only end in pass") << "set bypass=on\r\nset compass=\"n\"\r\n" << QStringList{};
    QTest::newRow("an empty password") << "set ppp=0 pass=\"\"\r\n" << QStringList{};
    QTest::newRow("no passwords") << "enable ip\r\n" << QStringList{};
}

void TestTranscript::scriptPasswords()
{
    QFETCH(QString, script);
    QFETCH(QStringList, passwords);
    QCOMPARE(SendText::ScriptPasswords(script), passwords);
}

void TestTranscript::passwordRules_data()
{
    QTest::addColumn<QString>("kind");      // user, login, new
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("user manager") << "user" << "manager" << true;
    QTest::newRow("user with a dot") << "user" << "man.ager" << false;
    QTest::newRow("user of 33 characters") << "user" << QString(33, QLatin1Char('a')) << false;
    QTest::newRow("login with a space") << "login" << "my pass" << true;
    QTest::newRow("login of one character") << "login" << "x" << true;
    QTest::newRow("login with a question mark") << "login" << "what?" << false;
    QTest::newRow("login with a double quote") << "login" << "a\"b" << false;
    QTest::newRow("login not ASCII") << "login" << "ñandú1" << false;
    QTest::newRow("login empty") << "login" << "" << false;
    QTest::newRow("new of 6") << "new" << "abc!12" << true;
    QTest::newRow("new of 5") << "new" << "abc12" << false;
    QTest::newRow("new of 32") << "new" << QString(32, QLatin1Char('k')) << true;
    QTest::newRow("new of 33") << "new" << QString(33, QLatin1Char('k')) << false;
    QTest::newRow("new with a space") << "new" << "abc 123" << false;
    QTest::newRow("new with a tab") << "new" << "abc\t123" << false;
}

void TestTranscript::passwordRules()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    const QString problem = kind == QLatin1String("user")    ? PasswordRules::checkUserName(text)
                            : kind == QLatin1String("login") ? PasswordRules::checkLoginPassword(text)
                                                             : PasswordRules::checkNewPassword(text);
    QCOMPARE(problem.isEmpty(), accepted);
    // A refusal never repeats the password it refuses.
    if (kind != QLatin1String("user") && !text.isEmpty())
        QVERIFY(!problem.contains(text));
}

QTEST_GUILESS_MAIN(TestTranscript)
#include "tst_Transcript.moc"
