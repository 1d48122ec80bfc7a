#pragma once

#include "Prompts.h"

#include <QPointer>
#include <QWidget>

namespace mg {

// Real modal QMessageBox; while it is open it is the application's
// activeModalWidget(), with the exact text, title, icon and buttons.
class QtMessagePrompt : public MessagePrompt {
public:
    explicit QtMessagePrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    MessageAnswer show(const QString &text, const QString &title, MessageIcon icon,
                       MessageButtons buttons) override;

private:
    QPointer<QWidget> m_parent;
};

// QFileDialog, non-native so that it looks and behaves the same everywhere.
class QtFileDialogPrompt : public FileDialogPrompt {
public:
    explicit QtFileDialogPrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    std::optional<QString> saveFileName(const FileDialogRequest &request) override;
    std::optional<QString> openFileName(const FileDialogRequest &request) override;

private:
    std::optional<QString> run(const FileDialogRequest &request, bool save);
    QPointer<QWidget> m_parent;
};

} // namespace mg
