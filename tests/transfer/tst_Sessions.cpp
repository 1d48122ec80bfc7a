// The login and the transfer, tick by tick, with the router's side played by
// hand: what is typed when, and which outcome each router answer gives.

#include "FakeRouterLink.h"
#include "LoginSession.h"
#include "ManualTicker.h"
#include "SendText.h"
#include "TransferSession.h"

#include <QtTest>

using namespace mg;
using namespace mgtest;

Q_DECLARE_METATYPE(mg::DialogueMessage)

namespace {

const QString CrLf = QStringLiteral("\r\n");

// What a session reported, with whether a timer was still running then (a
// live timer under a modal box would tick again inside its event loop).
struct Outcomes {
    QList<DialogueMessage> messages;
    QList<bool> timerLiveAtMessage;
    int loggedIn = 0;
    bool factoryLogin = false;
    LoginSession::AfterFailure after = LoginSession::AfterFailure::Retry;
    bool markChanged = false;
    bool closesWindow = false;
    int completed = 0;
    QStringList phases;   // the login's phases as it entered them
};

void watch(LoginSession &session, ManualTickerFactory &tickers, Outcomes &out)
{
    QObject::connect(&session, &LoginSession::phaseChanged, &session, [&](LoginSession::Phase phase) {
        out.phases << QString::fromLatin1(QMetaEnum::fromType<LoginSession::Phase>().valueToKey(int(phase)));
    });
    QObject::connect(&session, &LoginSession::loggedIn, &session, [&](bool factory) {
        ++out.loggedIn;
        out.factoryLogin = factory;
        out.timerLiveAtMessage << tickers.anyActive();
    });
    QObject::connect(&session, &LoginSession::failed, &session,
                     [&](const DialogueMessage &m, LoginSession::AfterFailure after) {
                         out.messages << m;
                         out.after = after;
                         out.timerLiveAtMessage << tickers.anyActive();
                     });
}

void watch(TransferSession &session, ManualTickerFactory &tickers, Outcomes &out)
{
    QObject::connect(&session, &TransferSession::finished, &session, [&](const InstallOutcome &end) {
        out.completed += end.ok ? 1 : 0;
        out.messages << end.message;
        out.markChanged = end.markChanged;
        out.closesWindow = end.closesWindow;
        out.timerLiveAtMessage << tickers.anyActive();
    });
}

// Fires a ticker until it stops or the limit is reached; answers the ticks.
int runOut(ManualTickerFactory &tickers, const char *name, int limit = 100)
{
    int ticks = 0;
    while (ticks < limit && tickers.fire(name))
        ++ticks;
    return ticks;
}

} // namespace

class TestSessions : public QObject {
    Q_OBJECT

private slots:
    void serialLogin_data();
    void serialLogin();
    void serialPasswordOnlyWhenAsked_data();
    void serialPasswordOnlyWhenAsked();
    void telnetLogin_data();
    void telnetLogin();
    void serialTransfer_data();
    void serialTransfer();
    void telnetTransfer_data();
    void telnetTransfer();
};

void TestSessions::serialLogin_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("wakeAnswer");     // what the console printed after the wake-up
    QTest::addColumn<QStringList>("loginLines"); // typed after the wake-up (empty: none)
    QTest::addColumn<QString>("loginAnswer");    // what it printed after the login
    QTest::addColumn<QString>("outcome");        // "in", "factory", or the failure's title
    QTest::addColumn<QString>("failureText");
    QTest::addColumn<bool>("retry");
    QTest::addColumn<QString>("phases");         // the login's phases, in order

    const QString typedIn = QStringLiteral("Waking,Typing,LoggedIn");
    const QString refusedAfterTyping = QStringLiteral("Waking,Typing,Failed");
    const QString noWakeAnswer = QStringLiteral("Waking,Failed");
    const QStringList managerLines{"manager\r\n", "secret\r\n", "\r\n"};
    QTest::newRow("login prompt, right password")
        << "manager" << "secret" << "\r\nlogin: " << managerLines << "manager\r\nPassword: \r\nKV700> " << "in"
        << "" << false << typedIn;
    QTest::newRow("factory password")
        << "manager" << "pastry" << "login: " << QStringList{"manager\r\n", "pastry\r\n", "\r\n"} << "KV700> "
        << "factory" << "" << false << typedIn;
    QTest::newRow("another user with the factory password is no factory login")
        << "admin" << "pastry" << "login: " << QStringList{"admin\r\n", "pastry\r\n", "\r\n"} << "KV700> " << "in"
        << "" << false << typedIn;
    QTest::newRow("console already at the command prompt")
        << "manager" << "secret" << "KV700> " << QStringList{"login manager\r\n", "secret\r\n", "\r\n"}
        << "Password: \r\nKV700> " << "in" << "" << false << typedIn;
    QTest::newRow("no answer") << "manager" << "secret" << "" << QStringList{} << "" << "応答なし"
                               << "KV700 から応答がありません。\r\nKV700 と PC との接続を確認してください。" << true
                               << noWakeAnswer;
    QTest::newRow("an answer without a prompt")
        << "manager" << "secret" << "garbage" << QStringList{} << "" << "応答なし"
        << "KV700 から応答がありません。\r\nKV700 と PC との接続を確認してください。" << true << noWakeAnswer;
    QTest::newRow("wrong password: asked again")
        << "manager" << "wrong" << "login: " << QStringList{"manager\r\n", "wrong\r\n", "\r\n"}
        << "Login incorrect\r\n\r\nlogin: " << "ログイン失敗"
        << "ログインに失敗しました。\r\nユーザ名とパスワードを確認してください。" << true << refusedAfterTyping;
    QTest::newRow("no prompt after the login")
        << "manager" << "secret" << "login: " << managerLines << "???" << "ログイン失敗"
        << "ログインに失敗しました。\r\nKV700 と PC との接続を確認してください。" << false << refusedAfterTyping;
}

void TestSessions::serialLogin()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, wakeAnswer);
    QFETCH(QStringList, loginLines);
    QFETCH(QString, loginAnswer);
    QFETCH(QString, outcome);
    QFETCH(QString, failureText);
    QFETCH(bool, retry);
    QFETCH(QString, phases);

    TransferRequest request;
    request.method = TransferMethod::Serial;
    request.commandScript = QStringLiteral("enable ip\r\n");
    request.configName = QStringLiteral("kelpin.cfg");
    FakeRouterLink link;
    ManualTickerFactory tickers;
    LoginSession session(request, link, tickers);
    Outcomes out;
    watch(session, tickers, out);

    session.start(user, password);
    QVERIFY(session.isBusy());
    QVERIFY(tickers.isActive(LoginSession::WakeTicker));
    QCOMPARE(tickers.find(LoginSession::WakeTicker)->interval(), std::chrono::milliseconds(300));
    for (int i = 0; i < 3; ++i)
        QVERIFY(tickers.fire(LoginSession::WakeTicker));
    QCOMPARE(link.takeSent(), (QStringList{CrLf, CrLf, CrLf}));

    session.receive(wakeAnswer);
    QVERIFY(tickers.fire(LoginSession::WakeTicker));   // the answer is looked at one period later
    QVERIFY(!tickers.isActive(LoginSession::WakeTicker));

    if (!loginLines.isEmpty()) {
        QVERIFY(tickers.isActive(LoginSession::LineTicker));
        QCOMPARE(tickers.find(LoginSession::LineTicker)->interval(), std::chrono::milliseconds(1000));
        for (int i = 0; i < loginLines.size(); ++i) {
            QVERIFY(tickers.fire(LoginSession::LineTicker));
            QCOMPARE(link.sent.size(), i + 1);   // one line per tick
            // The password waits for the question that asks for it.
            if (i == 0)
                session.receive(link.sent.first().chopped(2) + QStringLiteral("\r\nPassword: "));
        }
        QCOMPARE(link.takeSent(), loginLines);
        session.receive(loginAnswer);
        QVERIFY(tickers.fire(LoginSession::LineTicker));
    }

    QVERIFY(!tickers.anyActive());
    QVERIFY(!session.isBusy());
    QCOMPARE(out.phases.join(QLatin1Char(',')), phases);
    QCOMPARE(out.timerLiveAtMessage, QList<bool>{false});
    if (outcome == QLatin1String("in") || outcome == QLatin1String("factory")) {
        QCOMPARE(out.loggedIn, 1);
        QCOMPARE(out.factoryLogin, outcome == QLatin1String("factory"));
        QVERIFY(out.messages.isEmpty());
        return;
    }
    QCOMPARE(out.loggedIn, 0);
    QCOMPARE(out.messages.size(), 1);
    QCOMPARE(out.messages.first().title, outcome);
    QCOMPARE(out.messages.first().text, failureText);
    QCOMPARE(out.messages.first().icon, MessageIcon::Information);
    QCOMPARE(out.after, retry ? LoginSession::AfterFailure::Retry : LoginSession::AfterFailure::Close);
    // The port stays open for the next try; nothing was typed after the
    // failure.
    QCOMPARE(link.closes, 0);
    QVERIFY(link.sent.isEmpty());
}

void TestSessions::serialPasswordOnlyWhenAsked_data()
{
    QTest::addColumn<QString>("answer");   // the console's answer to the user name
    QTest::addColumn<bool>("typed");       // the password went out

    QTest::newRow("asked for the password") << "manager\r\nPassword: " << true;
    QTest::newRow("asked after a few periods") << "later" << true;
    QTest::newRow("no answer: the old login prompt is no question") << "" << false;
    QTest::newRow("a command prompt instead") << "manager\r\nKV700> " << false;
}

void TestSessions::serialPasswordOnlyWhenAsked()
{
    QFETCH(QString, answer);
    QFETCH(bool, typed);

    TransferRequest request;
    request.method = TransferMethod::Serial;
    FakeRouterLink link;
    ManualTickerFactory tickers;
    LoginSession session(request, link, tickers);
    Outcomes out;
    watch(session, tickers, out);
    session.start(QStringLiteral("manager"), QStringLiteral("secret"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(tickers.fire(LoginSession::WakeTicker));
    session.receive(QStringLiteral("\r\nlogin: "));
    QVERIFY(tickers.fire(LoginSession::WakeTicker));
    QVERIFY(tickers.fire(LoginSession::LineTicker));
    QCOMPARE(link.sent.constLast(), QStringLiteral("manager\r\n"));
    if (answer == QLatin1String("later")) {
        for (int i = 0; i < 5; ++i)
            QVERIFY(tickers.fire(LoginSession::LineTicker));
        QCOMPARE(link.sent.constLast(), QStringLiteral("manager\r\n"));
        answer = QStringLiteral("manager\r\nPassword: ");
    }
    session.receive(answer);
    runOut(tickers, LoginSession::LineTicker, 60);
    QCOMPARE(link.sent.contains(QStringLiteral("secret\r\n")), typed);
    if (!typed) {
        QCOMPARE(out.messages.size(), 1);
        QCOMPARE(out.messages.first().text,
                 QStringLiteral("ログインに失敗しました。\r\nKV700 と PC との接続を確認してください。"));
        QCOMPARE(out.timerLiveAtMessage, QList<bool>{false});
    }
}

void TestSessions::telnetLogin_data()
{
    QTest::addColumn<QString>("answer");
    // "dropped": gone before a line is due; "error": the connection reports
    // one; "unreachable": it reports one before it is ever up.
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("failureText");
    QTest::addColumn<bool>("retry");
    QTest::addColumn<QString>("phases");

    const QString typedIn = QStringLiteral("Connecting,Typing,LoggedIn");
    const QString failedAfterTyping = QStringLiteral("Connecting,Typing,Failed");
    const QString connectionFailed = QStringLiteral("ログインに失敗しました。ルータの IP アドレス\r\nを再確認して下さい。");
    QTest::newRow("logged in") << "Password: \r\nKV700> " << "" << "in" << "" << false << typedIn;
    QTest::newRow("asked again") << "login: " << "" << "ログイン失敗"
                                 << "ログインに失敗しました。\r\nユーザ名とパスワードを確認してください。" << true
                                 << failedAfterTyping;
    QTest::newRow("no prompt") << "bye" << "" << "ログイン失敗"
                               << "ログインに失敗しました。\r\nルータの IP アドレスを確認してください。" << false
                               << failedAfterTyping;
    QTest::newRow("not connected when a line is due")
        << "" << "dropped" << "ログイン失敗" << "ログインに失敗しました。\r\nルータの IP アドレスを確認してください。"
        << false << failedAfterTyping;
    QTest::newRow("connection error") << "" << "error" << "接続失敗" << connectionFailed << false << failedAfterTyping;
    QTest::newRow("connection refused before it is up")
        << "" << "unreachable" << "接続失敗" << connectionFailed << false << "Connecting,Failed";
}

void TestSessions::telnetLogin()
{
    QFETCH(QString, answer);
    QFETCH(QString, fault);
    QFETCH(QString, outcome);
    QFETCH(QString, failureText);
    QFETCH(bool, retry);
    QFETCH(QString, phases);

    TransferRequest request;
    request.method = TransferMethod::Telnet;
    request.routerAddress = QStringLiteral("127.0.0.2");
    FakeRouterLink link;
    ManualTickerFactory tickers;
    LoginSession session(request, link, tickers);
    Outcomes out;
    watch(session, tickers, out);

    session.start(QStringLiteral("manager"), QStringLiteral("secret"));
    QCOMPARE(link.connects, QStringList{QStringLiteral("127.0.0.2")});
    // Nothing is typed before the connection is up.
    QVERIFY(!tickers.anyActive());
    if (fault == QLatin1String("unreachable")) {
        session.linkFailed();
    } else {
        session.linkConnected();
        QVERIFY(tickers.isActive(LoginSession::LineTicker));
        session.receive(QStringLiteral("KV700 TELNET session now in ESTABLISHED state\r\n\r\nlogin: "));
    }

    if (fault == QLatin1String("dropped"))
        link.usable = false;
    if (fault == QLatin1String("error"))
        session.linkFailed();
    runOut(tickers, LoginSession::LineTicker, 3);
    if (fault.isEmpty()) {
        QCOMPARE(link.takeSent(), (QStringList{"\r\n", "manager\r\n", "secret\r\n"}));
        session.receive(answer);
        QVERIFY(tickers.fire(LoginSession::LineTicker));
    }
    QVERIFY(!tickers.anyActive());
    QCOMPARE(out.phases.join(QLatin1Char(',')), phases);

    if (outcome == QLatin1String("in")) {
        QCOMPARE(out.loggedIn, 1);
        QVERIFY(!out.factoryLogin);
        QCOMPARE(link.closes, 0);
        return;
    }
    QCOMPARE(out.messages.size(), 1);
    QCOMPARE(out.messages.first().title, outcome);
    QCOMPARE(out.messages.first().text, failureText);
    QCOMPARE(out.after, retry ? LoginSession::AfterFailure::Retry : LoginSession::AfterFailure::Close);
    QCOMPARE(out.timerLiveAtMessage, QList<bool>{false});
    // Every failure closes the connection, so another try connects anew.
    QCOMPARE(link.closes, 1);
    session.start(QStringLiteral("manager"), QStringLiteral("secret"));
    QCOMPARE(link.connects.size(), 2);
}

void TestSessions::serialTransfer_data()
{
    QTest::addColumn<int>("portGoneAfter");   // lines typed before the port fails; -1: never
    QTest::addColumn<QString>("refused");     // the line the router answers with an Error
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textHas");

    // The last piece has no CR LF: it goes on its own tick, the next completes.
    QTest::newRow("typed to the end") << -1 << "" << QStringList{"a\r\n", "b\r\n", "last"} << "完了"
                                      << "KV700 の設定が完了しました。";
    // The cable was pulled: the rest cannot reach the router, and the end
    // must not be reported as a completed installation.
    QTest::newRow("the port is gone") << 1 << "" << QStringList{"a\r\n"} << "設定の送信" << "write failed";
    // The router's answer ends the typing and names the line.
    QTest::newRow("a line refused") << -1 << "b" << QStringList{"a\r\n", "b\r\n"} << "設定の送信"
                                    << "設定の 2 行目を受け付けませんでした。\r\n2: b\r\nルータの表示: Error: unknown command";
}

void TestSessions::serialTransfer()
{
    QFETCH(int, portGoneAfter);
    QFETCH(QString, refused);
    QFETCH(QStringList, sent);
    QFETCH(QString, title);
    QFETCH(QString, textHas);

    TransferRequest request;
    request.method = TransferMethod::Serial;
    FakeRouterLink link;
    ManualTickerFactory tickers;
    TransferInput input;
    input.sendText = QStringLiteral("a\r\nb\r\nlast");
    TransferSession session(request, input, link, tickers, nullptr);
    Outcomes out;
    watch(session, tickers, out);

    session.start();
    QCOMPARE(session.linesTotal(), 3);
    for (int tick = 0; tick < 10 && tickers.isActive(TransferSession::SerialTicker); ++tick) {
        link.sendFails = tick == portGoneAfter;
        QVERIFY(tickers.fire(TransferSession::SerialTicker));
        QCOMPARE(session.linesSent(), qMin(tick + 1, 3));
        if (link.sent.isEmpty())
            continue;
        const QString line = link.sent.constLast().chopped(link.sent.constLast().endsWith(CrLf) ? 2 : 0);
        session.receive(line + CrLf + (line == refused ? QStringLiteral("Error: unknown command\r\n") : QString())
                        + QStringLiteral("KV700> "));
    }
    QCOMPARE(link.sent, sent);
    QCOMPARE(out.messages.size(), 1);
    QCOMPARE(out.messages.first().title, title);
    QCOMPARE(out.completed, title == QStringLiteral("完了") ? 1 : 0);
    QVERIFY2(out.messages.first().text.contains(textHas), qPrintable(out.messages.first().text));
    QCOMPARE(out.timerLiveAtMessage, QList<bool>{false});
}

void TestSessions::telnetTransfer_data()
{
    QTest::addColumn<QString>("routerAddress");
    QTest::addColumn<QString>("event");          // what happens while the router fetches the file
    QTest::addColumn<QStringList>("sentAfterFetch");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("markChanged");
    QTest::addColumn<bool>("closesWindow");

    const QString done = QStringLiteral("KV700 の設定が完了しました。");
    QTest::newRow("fetched, boot configuration set, restarted")
        << "127.0.0.2" << "delivered" << QStringList{"set config=office.cfg\r\n", "restart router\r\n"} << "完了"
        << done << false << false;
    QTest::newRow("remote-operation mode: no restart, power-cycle advice")
        << "192.168.42.2" << "delivered" << QStringList{"set config=office.cfg\r\n"} << "完了"
        << "KV700 の設定を完了しました。\r\n一旦電源を切り、ディップスイッチ２を OFF にした後、\r\n電源を入れ直して下さい。"
        << false << false;
    QTest::newRow("the router prints Error")
        << "127.0.0.2" << "error" << QStringList{} << "設定の送信"
        << "設定の送信に失敗しました。\r\nルータに同じ名前の設定ファイルがないか、または、ルータのフラッシュメモリに十分な\r\n"
           "空き容量があるか確認してから設定を送信して下さい。"
        << true << false;
    QTest::newRow("the connection is gone when a line is due")
        << "127.0.0.2" << "dropped" << QStringList{} << "接続エラー"
        << "KV700 と接続できません。ルータのIPアドレスや、ルータの電源が入ってるいるかどうか等を確認して下さい。" << false
        << true;
    QTest::newRow("the file server gives up")
        << "127.0.0.2" << "serverFailed" << QStringList{} << "設定の送信" << "no answer" << true << false;
}

void TestSessions::telnetTransfer()
{
    QFETCH(QString, routerAddress);
    QFETCH(QString, event);
    QFETCH(QStringList, sentAfterFetch);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(bool, markChanged);
    QFETCH(bool, closesWindow);

    TransferRequest request;
    request.method = TransferMethod::Telnet;
    request.routerAddress = routerAddress;
    request.configName = QStringLiteral("office.cfg");
    FakeRouterLink link;
    link.address = QStringLiteral("127.0.0.1");
    ManualTickerFactory tickers;
    TransferSession session(request, TransferInput{}, link, tickers, nullptr);
    Outcomes out;
    watch(session, tickers, out);

    session.start();
    QCOMPARE(runOut(tickers, TransferSession::CommandTicker, 10), 3);   // two lines, then the queue is found empty
    QCOMPARE(link.takeSent(), (QStringList{"\r\n", "load file=office.cfg server=127.0.0.1 destination=flash\r\n"}));
    // Waiting for the router to fetch the file: no timer, no outcome.
    QVERIFY(!tickers.anyActive());
    QVERIFY(out.messages.isEmpty());

    if (event == QLatin1String("error")) {
        // "Error" split over two arrivals still ends the transfer.
        session.receive(QStringLiteral("Err"), false);
        session.receive(QStringLiteral("or (3043): file exists\r\n"), true);
    } else if (event == QLatin1String("dropped")) {
        session.fileDelivered();
        link.usable = false;
    } else if (event == QLatin1String("serverFailed")) {
        session.fileServerFailed(QStringLiteral("no answer"));
    } else {
        session.fileDelivered();
    }
    runOut(tickers, TransferSession::CommandTicker, 10);

    QCOMPARE(link.sent, sentAfterFetch);
    QCOMPARE(out.messages.size(), 1);
    QCOMPARE(out.messages.first().title, title);
    QCOMPARE(out.messages.first().text, text);
    QCOMPARE(out.completed, title == QStringLiteral("完了") ? 1 : 0);
    QCOMPARE(out.markChanged, markChanged);
    QCOMPARE(out.closesWindow, closesWindow);
    QCOMPARE(out.timerLiveAtMessage, QList<bool>{false});
    QVERIFY(session.isFinished());
    if (out.completed)
        QVERIFY(link.closes > 0);   // the connection is closed at the end

    // Nothing after the end changes the outcome.
    session.receive(QStringLiteral("Error"), true);
    session.fileDelivered();
    runOut(tickers, TransferSession::CommandTicker, 10);
    QCOMPARE(out.messages.size(), 1);
}

QTEST_GUILESS_MAIN(TestSessions)
#include "tst_Sessions.moc"
