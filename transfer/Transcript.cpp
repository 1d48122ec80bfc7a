#include "Transcript.h"

#include "ControlEscapes.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace mg {

namespace {

constexpr auto OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
const QString FolderName = QStringLiteral("Quillmark KV700 Marrowgate/transcripts");

// Only files named as openInFolder() names them are ever pruned: the folder
// may hold something else the user put there.
const QRegularExpression &ownName()
{
    static const QRegularExpression name(QStringLiteral("^\\d{8}-\\d{6}-\\d{3}(_\\d+)?\\.log$"));
    return name;
}

} // namespace

Transcript::~Transcript()
{
    close();
}

bool Transcript::open(const QString &path)
{
    close();
    m_error.clear();
    m_line.clear();
    m_partialWritten = false;
    m_afterCr = false;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate, OwnerOnly)) {
        m_error = QStringLiteral("%1: %2").arg(path, m_file.errorString());
        return false;
    }
    // A file that was there keeps its old permissions through open(): it
    // was emptied, and nothing is written until only its owner can read it.
    // A device or pipe (a transcript sent to standard output) is not ours
    // to change.
    if (QFileInfo(path).isFile() && !m_file.setPermissions(OwnerOnly)) {
        m_error = QStringLiteral("%1: %2").arg(path, m_file.errorString());
        m_file.close();
        return false;
    }
    return true;
}

bool Transcript::openInFolder(const QString &folder)
{
    close();
    m_error.clear();
    QDir dir(folder);
    if (!dir.exists()) {
        if (!dir.mkpath(QStringLiteral(".")) || !QFile::setPermissions(folder, OwnerOnly | QFileDevice::ExeOwner)) {
            m_error = QStringLiteral("%1: フォルダを作成できません。").arg(folder);
            return false;
        }
    }
    const QString stamp = now().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    for (int n = 1; n < 1000; ++n) {
        // A name is never reused: two sessions in one millisecond get two
        // files, the second sorting after the first ("_" after ".").
        const QString name = n == 1 ? stamp + QStringLiteral(".log") : QStringLiteral("%1_%2.log").arg(stamp).arg(n);
        m_file.setFileName(dir.filePath(name));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnly)) {
            m_line.clear();
            m_partialWritten = false;
            m_afterCr = false;
            prune(folder);
            return true;
        }
        if (m_file.error() != QFileDevice::OpenError || !QFileInfo::exists(m_file.fileName()))
            break;
    }
    m_error = QStringLiteral("%1: %2").arg(m_file.fileName(), m_file.errorString());
    return false;
}

QString Transcript::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(FolderName);
}

void Transcript::prune(const QString &folder, int keep)
{
    QDir dir(folder);
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString &name) { return !ownName().match(name).hasMatch(); });
    // Names are times, so the order of names is the order of sessions.
    std::sort(names.begin(), names.end());
    for (qsizetype i = 0; i + keep < names.size(); ++i)
        dir.remove(names.at(i));
}

void Transcript::addSecret(const QString &secret)
{
    m_masker.addSecret(secret);
}

void Transcript::note(const QString &text)
{
    flushLine();
    const QDateTime when = now();
    QString masked = m_masker.masked(text);
    masked.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString &line : masked.split(QLatin1Char('\n')))
        write(QLatin1Char('#'), line, when);
}

void Transcript::sent(const QString &text)
{
    flushLine();
    QStringView line(text);
    if (line.endsWith(QLatin1String("\r\n")))
        line.chop(2);
    write(QLatin1Char('>'), m_masker.carriesSecret(text) ? SecretMasker::Mask : line.toString(), now());
}

void Transcript::received(const QString &text)
{
    takeReceived(m_masker.feed(text));
}

void Transcript::takeReceived(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') && m_afterCr) {
            m_afterCr = false;
            continue;
        }
        m_afterCr = c == QLatin1Char('\r');
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            // A line whose start was already written (a prompt, before the
            // next line was typed) ends without an entry of its own when
            // nothing followed it.
            if (!m_line.isEmpty() || !m_partialWritten)
                write(QLatin1Char('<'), m_line, m_line.isEmpty() ? now() : m_lineStarted);
            m_line.clear();
            m_partialWritten = false;
            continue;
        }
        if (m_line.isEmpty())
            m_lineStarted = now();
        m_line += c;
    }
}

void Transcript::flushLine()
{
    if (m_line.isEmpty())
        return;
    write(QLatin1Char('<'), m_line, m_lineStarted);
    m_line.clear();
    m_partialWritten = true;
}

void Transcript::close(const QString &lastNote)
{
    if (!m_file.isOpen())
        return;
    takeReceived(m_masker.finish());
    flushLine();
    if (!lastNote.isEmpty())
        note(lastNote);
    m_file.close();
    m_line.clear();
    m_partialWritten = false;
    m_afterCr = false;
}

void Transcript::write(QChar kind, const QString &text, const QDateTime &when)
{
    if (!m_file.isOpen())
        return;
    QString entry = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1Char(' ') + kind;
    if (!text.isEmpty())
        entry += QLatin1Char(' ') + escapeControls(text, ControlEscaping::OneLine);
    entry += QLatin1Char('\n');
    m_file.write(entry.toUtf8());
    // Written through at once: a session that ends badly (a crash, a
    // killed process) still leaves everything up to that moment.
    m_file.flush();
}

} // namespace mg
