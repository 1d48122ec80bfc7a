#include "EnatRules.h"
#include "EnatScriptedPrompt.h"

#include <QtTest>

using namespace mg;

namespace {

struct Row {
    int type;
    QString privateIP;
    QString privateMask;
    QString globalIP;
    QString globalInterface = {};
    QString privatePort = {};
    QString globalPort = {};
};

EnatEntry entryOf(const Row &r)
{
    EnatEntry e;
    e.NATType = int16(r.type);
    e.PrivateIP = r.privateIP;
    e.PrivateMask = r.privateMask;
    e.GlobalIP = r.globalIP;
    e.GlobalInterFace = r.globalInterface;
    e.PrivatePort = r.privatePort;
    e.GlobalPort = r.globalPort;
    if (r.type == StaticEnat)
        e.Protocol = QStringLiteral("TCP");
    return e;
}

Configuration withEntries(const QList<Row> &rows)
{
    Configuration c;
    for (const Row &r : rows)
        c.appendEnat(entryOf(r));
    return c;
}

QStringList privateAddresses(const Configuration &c)
{
    QStringList out;
    for (int i = 0; i < c.EnatCount; ++i)
        out << c.EnatList[i].PrivateIP;
    return out;
}

using ScriptedPrompt = EnatScriptedPrompt;
using Shown = EnatScriptedPrompt::Shown;

EnatInput input(int type, const QString &privateIP, const QString &privateMask,
                const QString &globalIP, const QString &globalMask = {},
                const QString &privatePort = {}, const QString &globalPort = {})
{
    EnatInput in;
    in.type = type;
    in.privateIP = privateIP;
    in.privateMask = privateMask;
    in.globalIP = globalIP;
    in.globalMask = globalMask;
    in.privatePort = privatePort;
    in.globalPort = globalPort;
    in.protocol = QStringLiteral("TCP");
    return in;
}

const QString Caption = QStringLiteral("アドレス・ポート変換の詳細設定");

} // namespace

Q_DECLARE_METATYPE(QList<Row>)
Q_DECLARE_METATYPE(EnatInput)
Q_DECLARE_METATYPE(EnatFault)
Q_DECLARE_METATYPE(CoverBy)
Q_DECLARE_METATYPE(MessageAnswer)

class TestEnatRules : public QObject {
    Q_OBJECT
private slots:
    void coverage_data();
    void coverage();
    void checks_data();
    void checks();
    void cascade_data();
    void cascade();
    void openingQuestion_data();
    void openingQuestion();
};

void TestEnatRules::coverage_data()
{
    QTest::addColumn<QList<Row>>("entries");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("global");
    QTest::addColumn<CoverBy>("coverBy");
    QTest::addColumn<bool>("covered");

    const QString g = QStringLiteral("203.0.113.1");
    const QList<Row> lan24{{DynamicEnat, "192.168.1.0", "255.255.255.0", g}};
    QTest::newRow("/24 inside") << lan24 << "192.168.1.10" << g << CoverBy::DynamicEnatOnly << true;
    QTest::newRow("/24 next network") << lan24 << "192.168.2.0" << g << CoverBy::DynamicEnatOnly << false;
    QTest::newRow("/24 other global") << lan24 << "192.168.1.10" << "203.0.113.2"
                                      << CoverBy::DynamicEnatOnly << false;

    const QList<Row> net22{{DynamicEnat, "172.16.4.0", "255.255.252.0", g}};
    QTest::newRow("/22 first") << net22 << "172.16.4.0" << g << CoverBy::DynamicEnatOnly << true;
    QTest::newRow("/22 third octet 7") << net22 << "172.16.7.255" << g << CoverBy::DynamicEnatOnly << true;
    QTest::newRow("/22 third octet 8") << net22 << "172.16.8.0" << g << CoverBy::DynamicEnatOnly << false;
    QTest::newRow("/22 third octet 3") << net22 << "172.16.3.255" << g << CoverBy::DynamicEnatOnly << false;

    const QList<Row> host{{DynamicEnat, "192.168.1.7", "255.255.255.255", g}};
    QTest::newRow("host mask itself") << host << "192.168.1.7" << g << CoverBy::DynamicEnatOnly << true;
    QTest::newRow("host mask neighbour") << host << "192.168.1.8" << g << CoverBy::DynamicEnatOnly << false;

    // The router applies the mask to the entry's address; an entry typed
    // with a host address covers its whole network, below that host too.
    const QList<Row> hostTyped{{DynamicEnat, "192.168.1.100", "255.255.255.0", g}};
    QTest::newRow("host-typed base, lower address")
        << hostTyped << "192.168.1.10" << g << CoverBy::DynamicEnatOnly << true;

    const QList<Row> dynamicNat{{DynamicNat, "192.168.1.0", "255.255.255.0", g}};
    QTest::newRow("dynamic NAT counts for static NAT")
        << dynamicNat << "192.168.1.10" << g << CoverBy::AnyDynamic << true;
    QTest::newRow("dynamic NAT does not cover static ENAT")
        << dynamicNat << "192.168.1.10" << g << CoverBy::DynamicEnatOnly << false;
    const QList<Row> statics{{StaticNat, "192.168.1.0", "255.255.255.0", g},
                             {StaticEnat, "192.168.1.0", "255.255.255.0", g}};
    QTest::newRow("static entries cover nothing") << statics << "192.168.1.0" << g << CoverBy::AnyDynamic << false;
    const QList<Row> byInterface{{DynamicEnat, "192.168.1.0", "255.255.255.0", "", "ppp0"}};
    QTest::newRow("interface entry has no global address")
        << byInterface << "192.168.1.10" << g << CoverBy::DynamicEnatOnly << false;
    const QList<Row> unreadable{{DynamicEnat, "192.168.1.0", "", g}};
    QTest::newRow("entry without mask covers nothing")
        << unreadable << "192.168.1.0" << g << CoverBy::DynamicEnatOnly << false;
}

void TestEnatRules::coverage()
{
    QFETCH(QList<Row>, entries);
    QFETCH(QString, address);
    QFETCH(QString, global);
    QFETCH(CoverBy, coverBy);
    QFETCH(bool, covered);
    const Configuration c = withEntries(entries);
    QCOMPARE(IsCoveredByDynamic(c, address, global, coverBy), covered);
}

void TestEnatRules::checks_data()
{
    QTest::addColumn<QList<Row>>("entries");
    QTest::addColumn<EnatInput>("in");
    QTest::addColumn<int>("editIndex");
    QTest::addColumn<EnatFault>("fault");

    const QString g = QStringLiteral("203.0.113.1");
    const QString m = QStringLiteral("255.255.255.0");
    const QList<Row> none;
    const QList<Row> de{{DynamicEnat, "192.168.1.0", m, g}};
    QTest::newRow("private broadcast") << none << input(StaticNat, "255.255.255.255", {}, g) << -1
                                       << EnatFault::PrivateAddress;
    QTest::newRow("private before global") << none << input(StaticNat, "", {}, "") << -1
                                           << EnatFault::PrivateAddress;
    QTest::newRow("global missing") << none << input(StaticNat, "192.168.1.5", {}, "") << -1
                                    << EnatFault::GlobalAddress;
    {
        EnatInput in = input(DynamicEnat, "192.168.1.0", m, "");
        in.useInterface = true;
        in.globalInterface = QStringLiteral("ppp0");
        QTest::newRow("interface needs no global address") << none << in << -1 << EnatFault::None;
        EnatInput sn = input(StaticNat, "192.168.1.5", {}, "");
        sn.useInterface = true;
        QTest::newRow("interface only for dynamic ENAT") << none << sn << -1 << EnatFault::GlobalAddress;
    }
    QTest::newRow("private mask 0.0.0.0") << none << input(DynamicNat, "192.168.1.0", "0.0.0.0", g, m) << -1
                                          << EnatFault::PrivateMask;
    QTest::newRow("dynamic NAT complete") << none << input(DynamicNat, "192.168.1.0", m, g, m) << -1
                                          << EnatFault::None;
    // The port boxes take any number of digits; the limit must hold for
    // values far beyond 16 bits too.
    QTest::newRow("port 65536") << de << input(StaticEnat, "192.168.1.10", {}, g, {}, "80", "65536") << -1
                                << EnatFault::Port;
    QTest::newRow("port far too long") << de
                                       << input(StaticEnat, "192.168.1.10", {}, g, {}, "80", "99999999999999999999999")
                                       << -1 << EnatFault::Port;
    QTest::newRow("global port alone") << de << input(StaticEnat, "192.168.1.10", {}, g, {}, "", "80") << -1
                                       << EnatFault::Port;
    QTest::newRow("static ENAT without ports") << de << input(StaticEnat, "192.168.1.10", {}, g) << -1
                                               << EnatFault::Port;
    QTest::newRow("static ENAT port 0") << de << input(StaticEnat, "192.168.1.10", {}, g, {}, "0", "80") << -1
                                        << EnatFault::Port;

    const QList<Row> sn{{StaticNat, "192.168.5.5", {}, g}, {StaticNat, "192.168.5.6", {}, "203.0.113.9"}};
    QTest::newRow("add: other type is no duplicate")
        << QList<Row>{{DynamicNat, "192.168.5.5", m, g}} << input(StaticNat, "192.168.9.9", {}, g) << -1
        << EnatFault::None;
    QTest::newRow("edit: unchanged entry") << sn << input(StaticNat, "192.168.5.5", {}, g) << 0 << EnatFault::None;
    QTest::newRow("edit: into another entry") << sn << input(StaticNat, "192.168.5.6", {}, "203.0.113.9") << 0
                                              << EnatFault::Duplicate;
    QTest::newRow("edit: new global address") << sn << input(StaticNat, "192.168.5.5", {}, "203.0.113.8") << 0
                                              << EnatFault::None;
    const QList<Row> se{{DynamicEnat, "192.168.1.0", m, g},
                        {StaticEnat, "192.168.1.10", {}, g, {}, "80", "8080"}};
    QTest::newRow("add: same private address and port")
        << se << input(StaticEnat, "192.168.1.10", {}, g, {}, "80", "8081") << -1 << EnatFault::Duplicate;
    QTest::newRow("add: same address, other port")
        << se << input(StaticEnat, "192.168.1.10", {}, g, {}, "81", "8081") << -1 << EnatFault::None;
    QTest::newRow("add: same dynamic ENAT network")
        << se << input(DynamicEnat, "192.168.1.0", m, "203.0.113.2") << -1 << EnatFault::Duplicate;
    QTest::newRow("add: dynamic NAT never duplicate")
        << QList<Row>{{DynamicNat, "192.168.5.0", m, g, {}}} << input(DynamicNat, "192.168.5.0", m, g, m) << -1
        << EnatFault::None;
    QTest::newRow("static NAT, dynamic with other global")
        << de << input(StaticNat, "192.168.1.20", {}, "203.0.113.5") << -1 << EnatFault::None;
    QTest::newRow("static ENAT under dynamic NAT only")
        << QList<Row>{{DynamicNat, "192.168.1.0", m, g}}
        << input(StaticEnat, "192.168.1.10", {}, g, {}, "80", "8080") << -1 << EnatFault::NoDynamicCover;
}

void TestEnatRules::checks()
{
    QFETCH(QList<Row>, entries);
    QFETCH(EnatInput, in);
    QFETCH(int, editIndex);
    QFETCH(EnatFault, fault);
    const Configuration c = withEntries(entries);
    QCOMPARE(CheckEnatInput(c, in, editIndex), fault);
}

void TestEnatRules::cascade_data()
{
    QTest::addColumn<QList<Row>>("entries");
    QTest::addColumn<QStringList>("remaining");

    const QString g = QStringLiteral("203.0.113.1");
    const QString m = QStringLiteral("255.255.255.0");
    // The dynamic entry for 192.168.1.0 is already gone in every row.
    QTest::newRow("orphans removed, others kept")
        << QList<Row>{{StaticEnat, "192.168.1.10", {}, g, {}, "80", "80"},
                      {StaticNat, "192.168.1.11", {}, g},
                      {StaticEnat, "192.168.1.12", {}, g, {}, "25", "25"},
                      {DynamicNat, "192.168.3.0", m, g},
                      {StaticEnat, "192.168.1.13", {}, g, {}, "21", "21"}}
        << QStringList{"192.168.1.11", "192.168.3.0"};
    QTest::newRow("covered by another dynamic ENAT")
        << QList<Row>{{DynamicEnat, "192.168.0.0", "255.255.0.0", g},
                      {StaticEnat, "192.168.1.10", {}, g, {}, "80", "80"},
                      {StaticEnat, "10.0.0.1", {}, g, {}, "80", "80"}}
        << QStringList{"192.168.0.0", "192.168.1.10"};
    QTest::newRow("other global address loses its cover")
        << QList<Row>{{DynamicEnat, "192.168.1.0", m, g},
                      {StaticEnat, "192.168.1.10", {}, "203.0.113.2", {}, "80", "80"}}
        << QStringList{"192.168.1.0"};
    QTest::newRow("adjacent orphans") << QList<Row>{{StaticEnat, "1.1.1.1", {}, g, {}, "1", "1"},
                                                    {StaticEnat, "1.1.1.2", {}, g, {}, "1", "1"}}
                                      << QStringList{};
}

void TestEnatRules::cascade()
{
    QFETCH(QList<Row>, entries);
    QFETCH(QStringList, remaining);
    Configuration c = withEntries(entries);
    c.EnatCommands = QStringLiteral("enable ip nat\r\n");
    const int before = c.EnatCount;
    const QList<int> removed = RemoveUncoveredStaticEnat(c);
    QCOMPARE(privateAddresses(c), remaining);
    QCOMPARE(removed.size(), before - remaining.size());
    QCOMPARE(c.EnatList[c.EnatCount].PrivateIP, QString());
    if (!removed.isEmpty())
        QVERIFY(c.EnatCommands.isEmpty());
}

void TestEnatRules::openingQuestion_data()
{
    QTest::addColumn<int>("connectType");
    QTest::addColumn<QList<int>>("types");        // Type of destinations 1..N
    QTest::addColumn<QString>("ethIP");
    QTest::addColumn<QList<Row>>("entries");
    QTest::addColumn<QList<MessageAnswer>>("answers");
    QTest::addColumn<QList<int>>("asked");        // destination numbers asked about
    QTest::addColumn<QString>("addedInterface");  // empty: nothing added

    using A = MessageAnswer;
    const QString lan = QStringLiteral("192.168.1.1");
    const QList<Row> none;
    QTest::newRow("LAN type only") << 0 << QList<int>{0, 0} << lan << none << QList<A>{} << QList<int>{} << "";
    QTest::newRow("yes for destination 2") << 0 << QList<int>{0, 1, 1} << lan << none << QList<A>{A::Yes}
                                           << QList<int>{2} << "ppp1";
    QTest::newRow("no ends the questioning") << 0 << QList<int>{1, 1} << lan << none << QList<A>{A::No}
                                             << QList<int>{1} << "";
    QTest::newRow("leased line asked too") << 1 << QList<int>{1} << lan << none << QList<A>{A::Yes}
                                           << QList<int>{1} << "ppp0";
    QTest::newRow("LAN entry exists")
        << 0 << QList<int>{1} << lan
        << QList<Row>{{StaticNat, "192.168.1.0", "255.255.255.0", "203.0.113.1"}} << QList<A>{}
        << QList<int>{} << "";
    QTest::newRow("entry for another LAN")
        << 0 << QList<int>{1} << lan << QList<Row>{{DynamicEnat, "192.168.2.0", "255.255.255.0", "", "ppp0"}}
        << QList<A>{A::No} << QList<int>{1} << "";
    QTest::newRow("no Ethernet address yet") << 0 << QList<int>{1} << "" << none << QList<A>{} << QList<int>{}
                                             << "";
}

void TestEnatRules::openingQuestion()
{
    QFETCH(int, connectType);
    QFETCH(QList<int>, types);
    QFETCH(QString, ethIP);
    QFETCH(QList<Row>, entries);
    QFETCH(QList<MessageAnswer>, answers);
    QFETCH(QList<int>, asked);
    QFETCH(QString, addedInterface);

    Configuration c = withEntries(entries);
    c.Common.ConnectType = int16(connectType);
    c.Common.EthIP = ethIP;
    c.Common.EthMask = QStringLiteral("255.255.255.0");
    c.TabCount = int16(types.size() + 1);
    for (int n = 1; n <= types.size(); ++n)
        c.destination(n).Type = int16(types[n - 1]);
    const int before = c.EnatCount;
    ScriptedPrompt prompt;
    prompt.answers = answers;

    const bool changed = AskLanEnatEntries(c, prompt, Caption);

    QCOMPARE(prompt.shown.size(), asked.size());
    for (int i = 0; i < asked.size(); ++i) {
        const Shown &s = prompt.shown[i];
        QCOMPARE(s.title, QStringLiteral("ENATの設定"));
        QCOMPARE(s.icon, MessageIcon::Information);
        QCOMPARE(s.buttons, MessageButtons::YesNo);
        QCOMPARE(s.text, QStringLiteral("接続先%1は端末型の設定です。\r\n\r\n"
                                        "この接続先のPPPインターフェースをグローバルアドレス\r\n"
                                        "とするダイナミックENATエントリを追加しますか？")
                             .arg(asked[i]));
    }
    QCOMPARE(changed, !addedInterface.isEmpty());
    QCOMPARE(c.EnatCount, before + (addedInterface.isEmpty() ? 0 : 1));
    if (!addedInterface.isEmpty()) {
        EnatEntry expected;
        expected.NATType = DynamicEnat;
        expected.PrivateIP = QStringLiteral("192.168.1.0");
        expected.PrivateMask = QStringLiteral("255.255.255.0");
        expected.GlobalInterFace = addedInterface;
        QCOMPARE(c.EnatList[c.EnatCount - 1], expected);
    }
}

QTEST_GUILESS_MAIN(TestEnatRules)
#include "tst_EnatRules.moc"
