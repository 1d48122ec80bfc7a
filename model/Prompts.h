#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program's dialogue with the operator, as interfaces the core can use
// without any window. The windows pass real message boxes and file dialogs;
// tests and the command line pass scripted answers.

namespace mg {

enum class MessageIcon { None, Information, Warning, Critical };
// YesNoDefaultNo: a question whose Yes cannot be undone (stopping half way):
// Enter, Escape and closing the box answer No.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class MessagePrompt {
public:
    virtual ~MessagePrompt() = default;
    // Shows a modal message and answers the button the operator pressed.
    // Closing the box without a button answers Cancel where there is one,
    // else No where there is one, else Ok.
    virtual MessageAnswer show(const QString &text, const QString &title, MessageIcon icon,
                               MessageButtons buttons) = 0;

    void critical(const QString &text, const QString &title)
    {
        show(text, title, MessageIcon::Critical, MessageButtons::Ok);
    }
};

// One entry of a file dialog's type list: "設定ファイル (*.cfg)".
struct FileFilter {
    QString description;
    QString pattern;
    QString qtFilter() const { return description.contains(pattern) ? description : description + QStringLiteral(" (") + pattern + QLatin1Char(')'); }
};

struct FileDialogRequest {
    QString title;
    QString initialDirectory;     // empty: the dialog's own choice
    QString initialFileName;
    QList<FileFilter> filters;
    int selectedFilter = 0;
};

// Answers every question without showing it: Yes or No where those are the
// choices, Cancel where OK may be cancelled, else OK. What runs without an
// operator (the command line, the fuzzing tool) answers the generator's ENAT
// question this way.
class AnswerPrompt : public MessagePrompt {
public:
    explicit AnswerPrompt(bool yes) : m_yes(yes) {}
    MessageAnswer show(const QString &, const QString &, MessageIcon, MessageButtons buttons) override
    {
        switch (buttons) {
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
        case MessageButtons::YesNoDefaultNo:
            return m_yes ? MessageAnswer::Yes : MessageAnswer::No;
        case MessageButtons::OkCancel:
            return MessageAnswer::Cancel;
        case MessageButtons::Ok:
            break;
        }
        return MessageAnswer::Ok;
    }

private:
    bool m_yes;
};

class FileDialogPrompt {
public:
    virtual ~FileDialogPrompt() = default;
    // The chosen path, or nothing when the operator cancelled.
    virtual std::optional<QString> saveFileName(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> openFileName(const FileDialogRequest &request) = 0;
};

} // namespace mg
