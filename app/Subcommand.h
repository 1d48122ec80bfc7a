#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

namespace mg::cli {

// One subcommand of the program: its name, its usage line, the options it
// takes with their descriptions, and its part of the program's help, made
// from those declarations so that the help cannot drift from the options.
class Subcommand {
public:
    virtual ~Subcommand() = default;
    Subcommand(const Subcommand &) = delete;
    Subcommand &operator=(const Subcommand &) = delete;

    const QString &name() const { return m_name; }
    // "使い方: marrowgate NAME ...", the line under a wrong usage.
    QString usageLine() const;
    // Its part of the program's help: the usage, the summary, one entry
    // for each option declared with a description, and the notes.
    QString help() const;
    const QList<QCommandLineOption> &options() const { return m_options; }

    // The words after the subcommand's name; `usage` is the program's whole
    // help, printed for --help. Answers the exit status.
    virtual int run(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage) = 0;

protected:
    // synopsis: the words after "marrowgate"; summary: the lines under it.
    Subcommand(QString name, QString synopsis, QString summary);

    // An option without a description is read, but the help names it only
    // where the summary or the notes do.
    void declare(const QCommandLineOption &option);
    // Lines after the options (ranges, exit statuses).
    void setNotes(QString notes) { m_notes = std::move(notes); }
    // Where the options' descriptions start, counted from the options'
    // names; by default two columns past the longest name.
    void setDescriptionColumn(int column) { m_descriptionColumn = column; }

private:
    QString m_name;
    QString m_synopsis;
    QString m_summary;
    QString m_notes;
    QList<QCommandLineOption> m_options;
    int m_descriptionColumn = 0;
};

// A subcommand's parser over its declared options, with the one wording of
// the program for what goes wrong on a command line.
class SubcommandParser {
public:
    explicit SubcommandParser(const Subcommand &command);

    // Parses the words after the subcommand. A status when the command is
    // over already: 0 after --help (the program's help on out), 2 with the
    // message for an unknown option or a value left out.
    std::optional<int> parse(const QStringList &args, QIODevice &out, QIODevice &err, const QString &usage);
    // "marrowgate: NAME: message" and the usage line, status 2.
    int wrongUsage(QIODevice &err, const QString &message) const;
    // --timeout S of a subcommand: whole seconds from 1 to a day, `fallback`
    // when not given. Nothing, after the wrong-usage message, when S is not
    // such a number.
    std::optional<int> timeoutSeconds(const QCommandLineOption &option, int fallback, QIODevice &err) const;

    const QCommandLineParser &parser() const { return m_parser; }

private:
    const Subcommand &m_command;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
};

} // namespace mg::cli
