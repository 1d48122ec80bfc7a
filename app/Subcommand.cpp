#include "Subcommand.h"

#include "CommandOptions.h"

#include <QIODevice>

#include <algorithm>

namespace mg::cli {

namespace {

// The help's indents: a subcommand's usage, and what is said under it.
const QString UsageIndent = QStringLiteral("  ");
const QString TextIndent = QStringLiteral("      ");

// "--timeout S", "-o FILE.rcf"; a value that is a choice of words joins
// with "=" ("--pace=line|echo"), as the option is written.
QString helpName(const QCommandLineOption &option)
{
    const QString &name = option.names().constFirst();
    QString text = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    const QString value = option.valueName();
    if (!value.isEmpty())
        text += (value.contains(QLatin1Char('|')) ? QStringLiteral("=") : QStringLiteral(" ")) + value;
    return text;
}

QString indented(const QString &lines)
{
    QString text;
    for (const QString &line : lines.split(QLatin1Char('\n')))
        text += TextIndent + line + QLatin1Char('\n');
    return text;
}

} // namespace

Subcommand::Subcommand(QString name, QString synopsis, QString summary)
    : m_name(std::move(name)), m_synopsis(std::move(synopsis)), m_summary(std::move(summary))
{
}

void Subcommand::declare(const QCommandLineOption &option)
{
    m_options.append(option);
}

QString Subcommand::usageLine() const
{
    return QStringLiteral("使い方: marrowgate ") + m_synopsis;
}

QString Subcommand::help() const
{
    QString text = UsageIndent + QStringLiteral("marrowgate ") + m_synopsis + QLatin1Char('\n') + indented(m_summary);
    QList<const QCommandLineOption *> described;
    for (const QCommandLineOption &option : m_options)
        if (!option.description().isEmpty())
            described.append(&option);
    int column = m_descriptionColumn;
    if (column == 0) {
        for (const QCommandLineOption *option : described)
            column = std::max(column, int(helpName(*option).size()) + 2);
    }
    for (const QCommandLineOption *option : described) {
        const QString name = helpName(*option);
        // A name too long for the column keeps two blanks before its text.
        QString entry = name.size() < column ? name.leftJustified(column) : name + QStringLiteral("  ");
        const QStringList lines = option->description().split(QLatin1Char('\n'));
        entry += lines.constFirst();
        for (qsizetype i = 1; i < lines.size(); ++i)
            entry += QLatin1Char('\n') + QString(column, QLatin1Char(' ')) + lines.at(i);
        text += indented(entry);
    }
    if (!m_notes.isEmpty())
        text += indented(m_notes);
    return text;
}

SubcommandParser::SubcommandParser(const Subcommand &command)
    : m_command(command), m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")})
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_help);
    for (const QCommandLineOption &option : command.options())
        m_parser.addOption(option);
}

std::optional<int> SubcommandParser::parse(const QStringList &args, QIODevice &out, QIODevice &err,
                                           const QString &usage)
{
    if (!m_parser.parse(QStringList{m_command.name()} + args)) {
        const QStringList unknown = m_parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString &name = unknown.first();
            return fail(err, QStringLiteral("%1: 不明なオプションです: %2%3\n詳しくは marrowgate --help を見てください。")
                                 .arg(m_command.name(), name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name),
                        WrongUsage);
        }
        // The only other fault the parser finds: an option that takes a
        // value came last, without one.
        return wrongUsage(err, QStringLiteral("%1 の後に値を指定してください。").arg(args.isEmpty() ? QString() : args.last()));
    }
    if (m_parser.isSet(m_help)) {
        write(out, usage);
        return 0;
    }
    return std::nullopt;
}

int SubcommandParser::wrongUsage(QIODevice &err, const QString &message) const
{
    return fail(err, m_command.name() + QStringLiteral(": ") + message + QLatin1Char('\n') + m_command.usageLine(),
                WrongUsage);
}

std::optional<int> SubcommandParser::timeoutSeconds(const QCommandLineOption &option, int fallback,
                                                    QIODevice &err) const
{
    constexpr uint MaxSeconds = 24 * 60 * 60;
    if (!m_parser.isSet(option))
        return fallback;
    const std::optional<uint> value = decimal(m_parser.value(option), 1, MaxSeconds);
    if (!value) {
        wrongUsage(err, QStringLiteral("--timeout には 1 から %1 までの秒数を指定してください: %2")
                            .arg(MaxSeconds)
                            .arg(m_parser.value(option)));
        return std::nullopt;
    }
    return int(*value);
}

} // namespace mg::cli
