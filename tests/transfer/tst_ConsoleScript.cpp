// The serial send text against a console played line by line: which
// router answers let the installation go on, which end it and with what,
// and that a password never goes to anything but the prompt that asks for
// it, nor anything at all to a router that has not come back.

#include "ConsoleScript.h"
#include "SendText.h"

#include <QtTest>

using namespace mg;

Q_DECLARE_METATYPE(mg::ConsoleScript::Failure)

namespace {

const QString Script = QStringLiteral("enable ip\r\nset system name=\"Error\"\r\nadd route=0.0.0.0 int=ppp0\r\n");
const QString NewPassword = QStringLiteral("n3wpass1");

// A console after the program's own login: it echoes what is typed (never
// a password), asks for the login after a restart and for the passwords of
// "set password", and can be told to misbehave.
struct Console {
    enum class Mode { Command, LoginName, Password, OldPassword, NewPassword, Confirm, Booting };

    // What the test changes.
    QString factoryPassword = QStringLiteral("pastry"); // what the restarted router takes
    int bootWaits = 0;           // periods after the restart before the login prompt
    QString refuse;              // a line holding this is answered with an Error line
    bool errorLate = false;      // the Error comes with the answer to the next line
    QString silentOn;            // a line holding this gets no answer at all
    bool restartRefused = false; // "restart router" gives the command prompt again
    bool silentFinalRestart = false;

    Mode mode = Mode::Command;
    int restarts = 0;
    int waitsLeft = 0;
    bool oldPasswordRight = true;
    QString pendingError;
    QStringList typed;
    bool passwordAtWrongPrompt = false;
    bool typedWhileBooting = false;

    bool isPassword(const QString &line) const
    {
        return line == QLatin1String("pastry") || line == NewPassword;
    }

    // The router's output for a line typed, CR LF removed.
    QString answer(const QString &line)
    {
        typed << line;
        const bool passwordPrompt = mode == Mode::Password || mode == Mode::OldPassword || mode == Mode::NewPassword
                                    || mode == Mode::Confirm;
        if (isPassword(line) && !passwordPrompt)
            passwordAtWrongPrompt = true;
        if (mode == Mode::Booting) {
            typedWhileBooting = true;
            return QString();
        }
        if (!silentOn.isEmpty() && line.contains(silentOn))
            return QString();
        if (silentFinalRestart && restarts > 0 && line == QLatin1String("restart router"))
            return QString();
        const QString prompt = QStringLiteral("KV700> ");
        const QString echo = passwordPrompt ? QString() : line;
        QString late = std::exchange(pendingError, QString());
        switch (mode) {
        case Mode::LoginName:
            if (line.isEmpty())
                return QStringLiteral("\r\nlogin: ");
            mode = Mode::Password;
            return echo + QStringLiteral("\r\nPassword: ");
        case Mode::Password:
            if (line == factoryPassword) {
                mode = Mode::Command;
                return QStringLiteral("\r\nようこそ manager さん\r\n") + prompt;
            }
            mode = Mode::LoginName;
            return QStringLiteral("\r\nLogin incorrect\r\n\r\nlogin: ");
        case Mode::OldPassword:
            oldPasswordRight = line == QLatin1String("pastry");
            mode = Mode::NewPassword;
            return QStringLiteral("\r\nNew password: ");
        case Mode::NewPassword:
            mode = Mode::Confirm;
            return QStringLiteral("\r\nConfirm: ");
        case Mode::Confirm:
            mode = Mode::Command;
            return QStringLiteral("\r\n")
                + (oldPasswordRight ? QString() : QStringLiteral("Error: 旧パスワードが違います\r\n")) + prompt;
        case Mode::Booting:
        case Mode::Command:
            break;
        }
        // A refusal held back comes before the next line's echo: the router
        // answers one line at a time.
        QString out = late + echo + QStringLiteral("\r\n");
        if (!refuse.isEmpty() && line.contains(refuse)) {
            const QString error = QStringLiteral("Error: コマンドを実行できません\r\n");
            if (errorLate)
                pendingError = error;
            else
                out += error;
        }
        if (line == QLatin1String("restart router") && !restartRefused) {
            ++restarts;
            out += QStringLiteral("Restarting ...\r\n");
            if (restarts > 1)
                return out;
            mode = Mode::Booting;
            waitsLeft = bootWaits;
            return waitsLeft == 0 ? out + booted() : out;
        }
        if (line == QLatin1String("set password")) {
            mode = Mode::OldPassword;
            return out + QStringLiteral("Old password: ");
        }
        return out + prompt;
    }

    QString booted()
    {
        mode = Mode::LoginName;
        return QStringLiteral("\r\nKV700 を再起動しました\r\n\r\nlogin: ");
    }

    // One period passed without anything typed.
    QString tick()
    {
        if (mode == Mode::Booting && waitsLeft > 0 && --waitsLeft == 0)
            return booted();
        return QString();
    }
};

struct Outcome {
    ConsoleScript::Failure failure = ConsoleScript::Failure::None;
    bool complete = false;
    QString failedLine;
    int scriptLine = 0;
    QString routerLine;
};

// Types the text into the console until it is complete or a verdict ends it.
Outcome play(ConsoleScript &script, Console &console)
{
    Outcome outcome;
    auto judge = [&](const ConsoleScript::Verdict &verdict) {
        if (!verdict.failed())
            return false;
        outcome.failure = verdict.failure;
        const ConsoleScript::Line &line = script.line(verdict.line);
        outcome.failedLine = line.text.chopped(2);
        outcome.scriptLine = line.scriptLine;
        outcome.routerLine = verdict.routerLine;
        return true;
    };
    for (int step = 0; step < 2000; ++step) {
        if (script.complete()) {
            outcome.complete = true;
            return outcome;
        }
        if (script.ready()) {
            const std::optional<ConsoleScript::Line> line = script.take();
            const QString answer = console.answer(line->text.chopped(2));
            if (judge(script.feed(answer)))
                return outcome;
            continue;
        }
        if (judge(script.waited(std::chrono::seconds(1))))
            return outcome;
        if (judge(script.feed(console.tick())))
            return outcome;
    }
    return outcome;
}

} // namespace

class TestConsoleScript : public QObject {
    Q_OBJECT

private slots:
    void dialogue_data();
    void dialogue();
    void plan();
};

void TestConsoleScript::dialogue_data()
{
    QTest::addColumn<bool>("newPassword");
    QTest::addColumn<QString>("configName");
    QTest::addColumn<QString>("fault");  // what the console does wrong
    QTest::addColumn<ConsoleScript::Failure>("failure");
    QTest::addColumn<QString>("failedLine");
    QTest::addColumn<int>("scriptLine");
    QTest::addColumn<QString>("lastTyped");
    // What the router is left with, as the operator is told when stopping:
    // "restarted" (the reset's restart typed), "boot typed" ("set config="
    // typed, its answer not taken), "boot taken".
    QTest::addColumn<QString>("left");

    using F = ConsoleScript::Failure;
    const QString office = QStringLiteral("office.cfg");
    QTest::newRow("factory router, new password") << true << office << "" << F::None << "" << 0 << "restart router"
                                                  << "boot taken";
    QTest::newRow("factory password kept") << false << office << "" << F::None << "" << 0 << "restart router"
                                           << "boot taken";
    QTest::newRow("the router takes 60 s to boot") << true << office << "boot 60" << F::None << "" << 0
                                                   << "restart router" << "boot taken";
    QTest::newRow("the router does not come back") << true << office << "boot 1000" << F::NoLoginPrompt
                                                   << "restart router" << 0 << "restart router" << "restarted";
    QTest::newRow("set up before: the factory login is refused")
        << true << office << "old password" << F::NotFactory << "pastry" << 0 << "pastry" << "restarted";
    QTest::newRow("the restart is refused") << true << office << "no restart" << F::NotFactory << "restart router" << 0
                                            << "restart router" << "restarted";
    QTest::newRow("a script line refused") << true << office << "refuse add route" << F::Refused
                                           << "add route=0.0.0.0 int=ppp0" << 3 << "add route=0.0.0.0 int=ppp0"
                                           << "restarted";
    QTest::newRow("a refusal that comes after the next line was typed")
        << true << office << "late enable ip" << F::Refused << "enable ip" << 1 << "set system name=\"Error\""
        << "restarted";
    QTest::newRow("the name refused by create config")
        << true << office << "refuse create config" << F::Refused << "create config=office.cfg" << 0
        << "create config=office.cfg" << "restarted";
    QTest::newRow("the boot configuration refused") << false << office << "refuse set config" << F::Refused
                                                    << "set config=office.cfg" << 0 << "set config=office.cfg"
                                                    << "boot typed";
    QTest::newRow("the password change refused") << true << office << "old password wrong" << F::Refused
                                                 << "set password" << 0 << NewPassword << "restarted";
    QTest::newRow("no answer to saving") << true << office << "silent create" << F::NoAnswer
                                         << "create config=office.cfg" << 0 << "create config=office.cfg"
                                         << "restarted";
    QTest::newRow("no answer to the final restart") << true << office << "silent final restart" << F::NoAnswer
                                                    << "restart router" << 0 << "restart router" << "boot taken";
}

void TestConsoleScript::dialogue()
{
    QFETCH(bool, newPassword);
    QFETCH(QString, configName);
    QFETCH(QString, fault);
    QFETCH(ConsoleScript::Failure, failure);
    QFETCH(QString, failedLine);
    QFETCH(int, scriptLine);
    QFETCH(QString, lastTyped);
    QFETCH(QString, left);

    Console console;
    if (fault.startsWith(QLatin1String("boot ")))
        console.bootWaits = fault.mid(5).toInt();
    else if (fault == QLatin1String("old password"))
        console.factoryPassword = QStringLiteral("s3cret!");
    else if (fault == QLatin1String("no restart"))
        console.restartRefused = true;
    else if (fault.startsWith(QLatin1String("refuse ")))
        console.refuse = fault.mid(7);
    else if (fault.startsWith(QLatin1String("late "))) {
        console.refuse = fault.mid(5);
        console.errorLate = true;
    } else if (fault == QLatin1String("silent create"))
        console.silentOn = QStringLiteral("create config");
    if (fault == QLatin1String("old password wrong"))
        console.factoryPassword = QStringLiteral("pastry");

    if (fault == QLatin1String("silent final restart"))
        console.silentFinalRestart = true;

    const std::optional<QString> password = newPassword ? std::optional<QString>(NewPassword) : std::nullopt;
    QString text = SendText::serialText(Script) + SendText::serialTail(password, configName);
    if (fault == QLatin1String("old password wrong"))
        text.replace(QStringLiteral("set password\r\npastry\r\n"), QStringLiteral("set password\r\nwrong\r\n"));
    ConsoleScript script;
    script.setSecrets({QStringLiteral("pastry"), NewPassword});
    script.reset(text);

    const Outcome outcome = play(script, console);
    QCOMPARE(outcome.failure, failure);
    QCOMPARE(outcome.complete, failure == ConsoleScript::Failure::None);
    QCOMPARE(outcome.failedLine, failedLine);
    QCOMPARE(outcome.scriptLine, scriptLine);
    if (failure == ConsoleScript::Failure::Refused)
        QVERIFY2(outcome.routerLine.startsWith(QLatin1String("Error")), qPrintable(outcome.routerLine));
    // Nothing typed after the line that failed, and the whole text when
    // nothing did.
    QVERIFY(!console.typed.isEmpty());
    QCOMPARE(console.typed.constLast(), lastTyped);
    if (outcome.complete)
        QCOMPARE(console.typed.size(), script.lineCount());
    QVERIFY(!console.passwordAtWrongPrompt);
    QVERIFY(!console.typedWhileBooting);

    QVERIFY(script.hasReset());
    QVERIFY(script.typed(ConsoleScript::RenameLine));
    QVERIFY(script.typed(ConsoleScript::ResetRestartLine));
    const int boot = script.lastLineOf(InstallStep::BootConfig);
    QCOMPARE(script.line(boot).text, QStringLiteral("set config=office.cfg\r\n"));
    QCOMPARE(script.typed(boot), left != QLatin1String("restarted"));
    QCOMPARE(script.taken(boot), left == QLatin1String("boot taken"));
}

void TestConsoleScript::plan()
{
    // The roles come from the lines the program builds, wherever the script
    // ends; a text without them (a script typed as it is) is all script.
    const QList<ConsoleScript::Line> lines =
        ConsoleScript::plan(SendText::serialText(Script) + SendText::serialTail(NewPassword, QStringLiteral("a.cfg")));
    QCOMPARE(lines.size(), 11 + 3 + 9);
    const QList<int> secrets{8, 15, 16, 17};
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines.at(i).secret, secrets.contains(i));
    QCOMPARE(lines.at(12).scriptLine, 2);
    QVERIFY(lines.at(5).boot && lines.at(6).boot && !lines.at(7).boot);
    QVERIFY(!lines.at(2).checked);   // the reset's rename: boot.cfg may not be there
    QVERIFY(lines.at(20).checked && lines.at(21).checked);
    QCOMPARE(lines.constLast().await, ConsoleScript::Line::Await::LineEnd);
    // The steps the progress window names, line by line: reset, restart and
    // factory login, script (paging off first), password, saving, restart.
    QString steps;
    for (const ConsoleScript::Line &line : lines)
        steps += QLatin1String("LEASP-BF").at(int(line.step));
    QCOMPARE(steps, QStringLiteral("EEEEEAAAAASSSSPPPPPBBBF"));
    ConsoleScript kept;
    kept.reset(SendText::serialText(Script) + SendText::serialTail(std::nullopt, QStringLiteral("a.cfg")));
    QCOMPARE(kept.steps(), (QList<InstallStep>{InstallStep::Reset, InstallStep::Restart, InstallStep::Script,
                                               InstallStep::BootConfig, InstallStep::FinalRestart}));
    QCOMPARE(kept.step(), InstallStep::Reset);

    const QList<ConsoleScript::Line> plain = ConsoleScript::plan(QStringLiteral("a\r\nrestart router\r\nlast"));
    QCOMPARE(plain.size(), 3);
    for (const ConsoleScript::Line &line : plain) {
        QVERIFY(line.checked && !line.secret && !line.restart);
        QCOMPARE(line.await, ConsoleScript::Line::Await::Nothing);
    }
    QCOMPARE(plain.at(2).scriptLine, 3);
}

QTEST_GUILESS_MAIN(TestConsoleScript)
#include "tst_ConsoleScript.moc"
