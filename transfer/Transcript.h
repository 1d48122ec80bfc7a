#pragma once

#include "SecretMasker.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <functional>

namespace mg {

// The record of one session with the router, written as it happens, so that
// what went on can be read (and shared) afterwards. One entry a line, each
// with its time:
//
//   2024-05-01 10:15:02.317 > set ip interface=eth0 address=192.168.44.2
//   2024-05-01 10:15:02.331 < set ip interface=eth0 address=192.168.44.2
//   2024-05-01 10:15:02.335 < KV700>
//   2024-05-01 10:15:03.102 # ログインしました。
//
// ">" a line typed to the router, "<" a line the router printed (a prompt
// that has no line end yet is written before the next line is typed), "#"
// what the program noted. Control characters appear as \xNN and a
// backslash as \\. No secret is ever written: a typed line that carries one
// is written as "********" whole, and the router's output goes through a
// SecretMasker first. The file is readable by its owner only.
class Transcript {
public:
    static constexpr int KeptInFolder = 50;

    Transcript() = default;
    Transcript(const Transcript &) = delete;
    Transcript &operator=(const Transcript &) = delete;
    ~Transcript();

    // Creates the file (owner read/write only; an existing file is emptied
    // and its permissions narrowed). False with errorString().
    bool open(const QString &path);
    // A new transcript in the folder (created owner-only when missing),
    // named after the time; the oldest beyond KeptInFolder are removed.
    bool openInFolder(const QString &folder);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    QString errorString() const { return m_error; }

    // The folder the windows keep their transcripts in:
    // <data folder>/Quillmark KV700 Marrowgate/transcripts, the data folder
    // being $XDG_DATA_HOME or ~/.local/share.
    static QString defaultFolder();
    // Removes the oldest transcripts of the folder until `keep` are left.
    static void prune(const QString &folder, int keep = KeptInFolder);

    void addSecret(const QString &secret);
    bool carriesSecret(QStringView text) const { return m_masker.carriesSecret(text); }

    void note(const QString &text);
    // One piece of what was typed (its CR LF, if any, is not written).
    void sent(const QString &text);
    // Router output as it arrived.
    void received(const QString &text);
    // Writes what the masker still holds and the last partial line, notes
    // the end and closes. Closing twice is harmless.
    void close(const QString &lastNote = QString());

    // Tests: the clock entries are stamped with.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

private:
    void write(QChar kind, const QString &text, const QDateTime &when);
    void takeReceived(const QString &text);
    void flushLine();
    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }

    QFile m_file;
    QString m_error;
    SecretMasker m_masker;
    QString m_line;          // router output since the last line end, masked
    QDateTime m_lineStarted; // when m_line's first character came
    bool m_partialWritten = false; // the start of the current line is written
    bool m_afterCr = false;
    std::function<QDateTime()> m_clock;
};

} // namespace mg
