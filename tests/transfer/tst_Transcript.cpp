// What is kept of a session: the masker that hides passwords in output cut
// anywhere, the transcript file with its entries and permissions, the
// passwords found in a script, and the rules for what may be typed as a user
// name or password.

#include "PasswordRules.h"
#include "SecretMasker.h"
#include "SendText.h"
#include "SessionChecks.h"
#include "Transcript.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace mg;
using namespace mgtest;

namespace {

const QString M = SecretMasker::Mask;

// Rows are written compactly: "|" separates the items of a list, "*" stands
// for the mask.
QStringList items(const char *row)
{
    return *row ? QString::fromUtf8(row).replace(QLatin1Char('*'), M).split(QLatin1Char('|')) : QStringList();
}

} // namespace

class TestTranscript : public QObject {
    Q_OBJECT

private slots:
    void masker_data();
    void masker();
    void maskerNeverLetsASecretThrough();
    void transcriptEntries_data();
    void transcriptEntries();
    void folderKeepsTheLastFifty();
    void scriptPasswords();
    void passwordRules_data();
    void passwordRules();
};

void TestTranscript::masker_data()
{
    QTest::addColumn<QStringList>("secrets");
    QTest::addColumn<QStringList>("pieces"); // as the output arrives; "+=x" makes x a secret from there on
    QTest::addColumn<QString>("shown");      // all that comes out, finish() included

    const struct { const char *name, *secrets, *pieces, *shown; } rows[] = {
        {"nothing to hide", "", "pastry", "pastry"},
        {"secret cut over two pieces", "pastry", "xpas|tryx", "x*x"},
        {"secret one character a piece", "pastry", "p|a|s|t|r|y|\r\n", "*\r\n"},
        {"a beginning that is not the secret", "pastry", "pas|ta\r\n", "pasta\r\n"},
        {"the secret's first letter repeated", "pastry", "ppas|try", "p*"},
        {"secret twice, once cut", "pastry", "pastry pa|stry", "* *"},
        {"the longer of two secrets", "pastry|pastry12", "[pastry1|2]", "[*]"},
        {"overlapping secrets make one mask", "xxab|abzz", "-xxa|bzz-", "-*-"},
        {"the end of a secret held back as the beginning of another", "xxab|abzz", "-xxab|q", "-*q"},
        {"adjacent secrets make one mask", "pastry|n3wpass", "pastryn3w|pass.", "*."},
        {"a secret inside a longer candidate", "abcdef|cd", "abcd|xy", "ab*xy"},
        {"Japanese around the secret", "pastry", "ようこそpas|tryさん", "ようこそ*さん"},
        // The new password becomes known after the login; what the router
        // sent before is still checked against it when it is let out.
        {"a secret added while text is held", "pastry", "echo pa|+=past1x|st1x.", "echo *."},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << items(row.secrets) << items(row.pieces) << items(row.shown).join(QString());
}

void TestTranscript::masker()
{
    QFETCH(QStringList, secrets);
    QFETCH(QStringList, pieces);
    QFETCH(QString, shown);

    SecretMasker masker;
    qsizetype longest = 0;
    const auto add = [&](const QString &secret) {
        masker.addSecret(secret);
        longest = std::max(longest, secret.size());
    };
    for (const QString &secret : secrets)
        add(secret);
    QString out, whole;
    for (const QString &piece : pieces) {
        if (piece.startsWith(QLatin1String("+="))) {
            add(piece.mid(2));
            continue;
        }
        out += masker.feed(piece);
        whole += piece;
        // Never more held back than could still become a secret.
        QVERIFY(masker.heldBack() <= std::max<qsizetype>(0, longest - 1));
    }
    out += masker.finish();
    QCOMPARE(out, shown);
    QCOMPARE(masker.heldBack(), 0);
    // The stream cut into pieces shows what the whole text shows.
    QCOMPARE(masker.masked(whole), shown);
}

// Random text with the secrets in it, cut at random places: whatever the
// cuts, no secret comes out, and the result is that of the text in one piece.
void TestTranscript::maskerNeverLetsASecretThrough()
{
    QRandomGenerator random(700);
    const QStringList secrets{"pastry", "n3wpass1", "$0$7061", "ss1x"};
    const QString alphabet = QStringLiteral("pastryn3w1$07x> \r\n");
    for (int round = 0; round < 400; ++round) {
        QString text, out;
        for (int i = random.bounded(2, 12); i > 0; --i)
            text += random.bounded(3) == 0 ? secrets.at(random.bounded(int(secrets.size())))
                                           : QString(alphabet.at(random.bounded(int(alphabet.size()))));
        SecretMasker masker;
        for (const QString &secret : secrets)
            masker.addSecret(secret);
        for (qsizetype at = 0, length = 0; at < text.size(); at += length) {
            length = std::min<qsizetype>(random.bounded(1, 5), text.size() - at);
            out += masker.feed(text.mid(at, length));
        }
        out += masker.finish();
        QVERIFY2(shownSecret(out, secrets).isEmpty(), qPrintable(QStringLiteral("\"%1\" gave \"%2\"").arg(text, out)));
        QCOMPARE(out, masker.masked(text));
    }
}

void TestTranscript::transcriptEntries_data()
{
    // Each event: "<text" received, ">text" typed, "#text" a note.
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("expected");

    const struct { const char *name, *events, *expected; } rows[] = {
        {"a prompt is written before the line typed at it", "<login: |>manager\r\n|<manager\r\nPassword: ",
         "< login: |> manager|< manager|< Password: "},
        {"CR LF cut between arrivals ends one line", "<first\r|<\nsecond\r\n", "< first|< second"},
        {"bare LF and bare CR end lines too", "<a\nb\rc\r\n", "< a|< b|< c"},
        {"empty lines are kept", "<\r\n\r\nlogin: ", "<|<|< login: "},
        {"the rest of a prompt's line after the typed line", "<KV700> |>\r\n|<\r\nKV700> ", "< KV700> |>|< KV700> "},
        {"a typed password is hidden whole", ">pastry\r\n|>set password\r\n|>n3wpass1\r\n", "> *|> set password|> *"},
        {"a typed line that carries a password is hidden whole", ">add user=hq01 password=n3wpass1\r\n", "> *"},
        {"an echoed password cut into bytes", "<set ppp=0 pass=\"n3w|<pa|<ss1\"\r\n", "< set ppp=0 pass=\"*\""},
        {"control characters and backslashes are escaped", "<a\bb\tc\\d\x1b[K\r\n", "< a\\x08b\\x09c\\\\d\\x1b[K"},
        {"notes keep their lines, passwords hidden", "#one\r\ntwo pastry", "# one|# two *"},
        {"a held-back beginning comes out at the end", "<KV700> pas", "< KV700> pas"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << items(row.events) << items(row.expected);
}

void TestTranscript::transcriptEntries()
{
    QFETCH(QStringList, events);
    QFETCH(QStringList, expected);

    // An earlier file of that name, readable by all, is replaced by one that
    // is the owner's alone.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.log"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old secrets\n") > 0);
    old.close();
    QVERIFY(QFile::setPermissions(path, OwnerReadWrite | QFileDevice::ReadGroup | QFileDevice::ReadOther));

    Transcript transcript;
    transcript.setClock([] { return QDateTime(QDate(2024, 5, 1), QTime(10, 15, 2, 317)); });
    QVERIFY2(transcript.open(path), qPrintable(transcript.errorString()));
    transcript.addSecret(QStringLiteral("pastry"));
    transcript.addSecret(QStringLiteral("n3wpass1"));
    for (const QString &event : events) {
        const QChar kind = event.at(0);
        kind == QLatin1Char('<') ? transcript.received(event.mid(1))
        : kind == QLatin1Char('>') ? transcript.sent(event.mid(1))
                                   : transcript.note(event.mid(1));
    }
    transcript.close();
    QStringList lines = readText(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines) {
        QVERIFY2(line.startsWith(QStringLiteral("2024-05-01 10:15:02.317 ")), qPrintable(line));
        line = line.mid(24);
    }
    QCOMPARE(lines, expected);
    QCOMPARE(permissionsOf(path), OwnerReadWrite);
}

void TestTranscript::folderKeepsTheLastFifty()
{
    QTemporaryDir dir;
    const QDir folder(dir.filePath(QStringLiteral("data/transcripts")));
    QVERIFY(QDir().mkpath(folder.path()));
    // 55 older transcripts, and someone else's file that is never taken for one.
    for (int i = 0; i < 55; ++i)
        QVERIFY(QFile(folder.filePath(QStringLiteral("20240501-1000%1-000.log").arg(i, 2, 10, QLatin1Char('0'))))
                    .open(QIODevice::WriteOnly));
    QVERIFY(QFile(folder.filePath(QStringLiteral("notes.txt"))).open(QIODevice::WriteOnly));

    // Two sessions in the same millisecond get a file each.
    for (const char *name : {"20240502-090000-005.log", "20240502-090000-005_2.log"}) {
        Transcript transcript;
        transcript.setClock([] { return QDateTime(QDate(2024, 5, 2), QTime(9, 0, 0, 5)); });
        QVERIFY2(transcript.openInFolder(folder.path()), qPrintable(transcript.errorString()));
        QCOMPARE(QFileInfo(transcript.path()).fileName(), QLatin1String(name));
    }
    // The newest 50 are kept, the oldest gone.
    QStringList left = folder.entryList(QDir::Files, QDir::Name);
    QVERIFY(left.removeOne(QStringLiteral("notes.txt")));
    QCOMPARE(left.size(), 50);
    QCOMPARE(left.first(), QStringLiteral("20240501-100007-000.log"));
    QCOMPARE(left.last(), QStringLiteral("20240502-090000-005_2.log"));

    // A folder made for transcripts is the owner's alone.
    const QString fresh = dir.filePath(QStringLiteral("fresh/transcripts"));
    Transcript third;
    QVERIFY(third.openInFolder(fresh));
    QCOMPARE(permissionsOf(fresh), OwnerReadWrite | QFileDevice::ExeOwner);
}

// The passwords a script carries, quoted (spaces and all) or not; a word
// that only ends in "pass" carries none, or every "n" of a transcript would
// be hidden.
void TestTranscript::scriptPasswords()
{
    const QString script = QStringLiteral("add user=hq01 password=Hq0!pass\r\nset ppp=0 user=\"b01\" password=\"Br4 nch\"\r\n"
                                          "set ppp=1 pass=\"isp-pass\"\r\nset bypass=on\r\nset compass=\"n\"\r\n");
    QCOMPARE(SendText::scriptPasswords(script), (QStringList{"Hq0!pass", "Br4 nch", "isp-pass"}));
}

void TestTranscript::passwordRules_data()
{
    QTest::addColumn<QString>("kind"); // user, login, new
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    const struct { const char *kind; QStringList accepted, refused; } rules[] = {
        {"user", {"manager"}, {"man.ager", QString(33, QLatin1Char('a'))}},
        {"login", {"my pass", "x"}, {"what?", "a\"b", "ñandú1", ""}},
        {"new", {"abc!12", QString(32, QLatin1Char('k'))}, {"abc12", QString(33, QLatin1Char('k')), "abc 123", "abc\t123"}},
    };
    for (const auto &rule : rules) {
        for (const bool accepted : {true, false}) {
            for (const QString &text : accepted ? rule.accepted : rule.refused)
                QTest::addRow("%s \"%s\" (%lld)", rule.kind, qPrintable(text), qlonglong(text.size()))
                    << QString::fromLatin1(rule.kind) << text << accepted;
        }
    }
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
