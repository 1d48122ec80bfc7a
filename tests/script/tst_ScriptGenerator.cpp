#include "RcfFile.h"
#include "ScriptGenerator.h"
#include "ShiftJis.h"
#include "TestFakes.h"

#include <QFile>
#include <QtTest>

#include <functional>

using namespace mg;
using Edit = std::function<void(Configuration &)>;

namespace {

QByteArray readGolden(const QString &name)
{
    QFile f(QStringLiteral(MG_GOLDEN_DIR "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The configuration of golden/<name>.rcf, each "Key=value" of `edits` replacing that key's line.
Configuration load(const QString &name, const QStringList &edits = {})
{
    QStringList lines = ShiftJis::decode(readGolden(name + QStringLiteral(".rcf"))).split(QStringLiteral("\r\n"));
    for (const QString &edit : edits) {
        const qsizetype at = lines.indexOf(QRegularExpression(QRegularExpression::escape(edit.section('=', 0, 0)) + "=.*"));
        if (at < 0)
            qFatal("%s has no line for %s", qPrintable(name), qPrintable(edit));
        lines[at] = edit;
    }
    const RcfReadResult read = readRcf(ShiftJis::encode(lines.join(QStringLiteral("\r\n"))).value(), {});
    if (!read.ok)
        qFatal("%s does not read: %s", qPrintable(name), qPrintable(read.error.description));
    return read.config;
}

// `answers` to the ENAT question in turn, "NY": No, then Yes.
QString generate(Configuration &c, const QString &answers = {}, mgtest::ScriptedPrompt *record = nullptr)
{
    mgtest::ScriptedPrompt local;
    mgtest::ScriptedPrompt &prompt = record ? *record : local;
    for (QChar a : answers)
        prompt.answers << (a == QLatin1Char('Y') ? MessageAnswer::Yes : MessageAnswer::No);
    return GenerateScript(c, prompt);
}

} // namespace

class TestScriptGenerator : public QObject {
    Q_OBJECT
private slots:
    void golden_data()
    {
        QTest::addColumn<QString>("name"); // golden/<name>.rcf in, golden/<name>.txt out
        QTest::addColumn<QString>("answers");
        QTest::newRow("dial-up, one LAN destination") << "dialup_lan" << "";
        QTest::newRow("128k leased line") << "leased_128" << "";
        QTest::newRow("channels once after the first compression") << "three_compressing" << "";
        QTest::newRow("two terminals, No then Yes") << "two_terminal_no_then_yes" << "NY";
        QTest::newRow("dial-up, every step") << "dialup_every_step" << "";
        QTest::newRow("64k leased line, every step, never asked") << "leased_64_every_step" << "";
    }

    void golden()
    {
        QFETCH(QString, name);
        QFETCH(QString, answers);
        const QByteArray expected = readGolden(name + QStringLiteral(".txt"));
        QVERIFY(!expected.isEmpty());
        Configuration config = load(name);
        if (name == QLatin1String("dialup_every_step")) // files always hold an up rate; an emptied BOD box does not
            config.bod(3).Uprate.clear();
        const Configuration before = config;
        mgtest::ScriptedPrompt prompt;
        const QString script = generate(config, answers, &prompt);
        QCOMPARE(prompt.shown.size(), answers.size());
        // Line by line first, so a mismatch names the line; then the exact bytes.
        QCOMPARE(script.split(QStringLiteral("\r\n")), QString::fromUtf8(expected).split(QStringLiteral("\r\n")));
        QCOMPARE(script.toUtf8(), expected);
        // Only the ENAT list and the kept texts may change.
        Configuration untouched = before;
        untouched.EnatList = config.EnatList, untouched.EnatCount = config.EnatCount;
        untouched.RouteCommands = config.RouteCommands, untouched.EnatCommands = config.EnatCommands;
        QVERIFY(config == untouched);
    }

    void stepConditions_data()
    {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QStringList>("block");  // consecutive lines of the script
        QTest::addColumn<QStringList>("absent"); // no line may contain any of these
        const QString data = QString::fromUtf8(readGolden(QStringLiteral("step_conditions.txt")));
        const QStringList text = data.split(QRegularExpression(QStringLiteral("\r?\n")));
        QVERIFY(text.size() > 20);
        QStringList edits, block, absent;
        QString name;
        for (const QString &line : text + QStringList{QStringLiteral("== end")}) {
            if (line.startsWith(QLatin1String("=="))) {
                if (!name.isEmpty())
                    QTest::newRow(qPrintable(name)) << edits << block << absent;
                name = line.mid(3), edits.clear(), block.clear(), absent.clear();
            } else if (line.startsWith(QLatin1Char('>'))) {
                block << line.mid(2);
            } else if (line.startsWith(QLatin1String("! "))) {
                absent << line.mid(2);
            } else if (line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char('#'))) {
                edits << line;
            }
        }
    }

    void stepConditions()
    {
        QFETCH(QStringList, edits);
        QFETCH(QStringList, block);
        QFETCH(QStringList, absent);
        Configuration c = load(QStringLiteral("dialup_lan"), edits);
        const QString script = generate(c);
        QVERIFY2(("\r\n" + script).contains("\r\n" + block.join(QStringLiteral("\r\n")) + "\r\n"), qPrintable(script));
        for (const QString &fragment : absent)
            QVERIFY2(!script.contains(fragment), qPrintable(fragment));
    }

    void enatQuestion_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("dialogue"); // destinations asked about, each with its answer: "1N 3Y"
        QTest::addColumn<int>("enatCount");
        QTest::addColumn<QString>("interface"); // of the entry added, or empty
        auto with = [](QList<int> types, QString privateIP = {}, QString mask = {}, int count = 0) {
            return Edit([=](Configuration &c) {
                c.TabCount = int16(types.size() + 1);
                for (int n = 1; n <= types.size(); ++n)
                    c.destination(n).Type = int16(types[n - 1]);
                for (int i = 0; i < count; ++i)
                    c.EnatList[i] = {i ? QStringLiteral("10.0.0.%1").arg(i) : privateIP, mask, {}, "1.1.1.1", {}, {}, {}, {}, 1};
                c.EnatCount = int16(count);
                c.EnatCommands = count > 0 ? QStringLiteral("enable ip nat\r\nkept\r\n") : QString();
            });
        };
        const QString lan = QStringLiteral("192.168.1.0"), mask = QStringLiteral("255.255.255.0");
        QTest::newRow("No, LAN type skipped, Yes") << with({1, 0, 1}) << "1N 3Y" << 1 << "ppp2";
        QTest::newRow("No to all") << with({1, 1}) << "1N 2N" << 0 << "";
        QTest::newRow("an entry of any type covers the LAN") << with({1}, lan, mask, 1) << "" << 1 << "";
        QTest::newRow("another mask is not the LAN") << with({1}, lan, "255.255.0.0", 1) << "1Y" << 2 << "ppp0";
        QTest::newRow("99 entries: asked, fills the list") << with({1}, "10.9.9.9", mask, 99) << "1Y" << 100 << "ppp0";
        QTest::newRow("full list: not asked") << with({1}, "10.9.9.9", mask, 100) << "" << 100 << "";
    }

    void enatQuestion()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, dialogue);
        QFETCH(int, enatCount);
        QFETCH(QString, interface);
        Configuration c = load(QStringLiteral("dialup_lan"));
        edit(c);
        const Configuration before = c;
        QStringList questions;
        QString answers;
        for (const QString &turn : dialogue.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            questions << QStringLiteral("接続先%1は端末型の設定です。\r\n\r\n"
                                        "この接続先のPPPインターフェースをグローバルアドレス\r\n"
                                        "とするダイナミックENATエントリを追加しますか？").arg(turn.chopped(1));
            answers += turn.back();
        }
        mgtest::ScriptedPrompt prompt;
        const QString script = generate(c, answers, &prompt);
        QCOMPARE(prompt.texts(), questions);
        for (const mgtest::ShownMessage &m : prompt.shown)
            QVERIFY(m.title == "ENATの設定" && m.icon == MessageIcon::Information && m.buttons == MessageButtons::YesNo);
        QCOMPARE(int(c.EnatCount), enatCount);
        if (interface.isEmpty()) { // the ENAT text the list dialog kept is written as it is
            QVERIFY(c.EnatList == before.EnatList && c.EnatCommands == before.EnatCommands);
            QVERIFY(script.contains(before.EnatCommands));
            return;
        }
        QCOMPARE(c.EnatList[enatCount - 1], (EnatEntry{"192.168.1.0", "255.255.255.0", {}, {}, {}, {}, {}, interface, 3}));
        QVERIFY(script.contains("add ip nat ip=192.168.1.0 mask=255.255.255.0 gblint=" + interface + "\r\n"));
        QCOMPARE(c.EnatCommands, buildEnatCommands(c)); // rebuilt with the new entry, and kept
        // Saving regenerates the script: the entry is there now, nobody is asked again.
        mgtest::ScriptedPrompt again;
        QCOMPARE(generate(c, {}, &again), script);
        QVERIFY(again.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScriptGenerator)
#include "tst_ScriptGenerator.moc"
