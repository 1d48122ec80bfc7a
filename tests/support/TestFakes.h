#pragma once

// Stand-ins for the operator and the user's profile, shared by every test:
// message boxes answered from a queue, file dialogs answered from a queue,
// settings held in memory. Each records what it was asked.

#include "Prompts.h"
#include "SettingsStore.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <optional>

namespace mgtest {

struct ShownMessage {
    QString text;
    QString title;
    mg::MessageIcon icon;
    mg::MessageButtons buttons;
};

// With the queue empty it answers as closing the box would: Cancel where
// there is one, else No, else Ok. An unexpected question so never agrees.
class ScriptedPrompt : public mg::MessagePrompt {
public:
    QList<mg::MessageAnswer> answers;
    QList<ShownMessage> shown;

    mg::MessageAnswer show(const QString &text, const QString &title, mg::MessageIcon icon,
                           mg::MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        if (!answers.isEmpty())
            return answers.takeFirst();
        switch (buttons) {
        case mg::MessageButtons::Ok: return mg::MessageAnswer::Ok;
        case mg::MessageButtons::YesNo:
        case mg::MessageButtons::YesNoDefaultNo: return mg::MessageAnswer::No;
        default: return mg::MessageAnswer::Cancel;
        }
    }

    QStringList texts() const
    {
        QStringList list;
        for (const ShownMessage &m : shown)
            list << m.text;
        return list;
    }
    QStringList titles() const
    {
        QStringList list;
        for (const ShownMessage &m : shown)
            list << m.title;
        return list;
    }
    QString lastText() const { return shown.isEmpty() ? QString() : shown.constLast().text; }
    QString lastTitle() const { return shown.isEmpty() ? QString() : shown.constLast().title; }
};

// Each dialog takes the next answer; nothing queued means the operator
// cancels.
class ScriptedFileDialog : public mg::FileDialogPrompt {
public:
    QList<std::optional<QString>> answers;
    QList<mg::FileDialogRequest> saveRequests;
    QList<mg::FileDialogRequest> openRequests;

    std::optional<QString> saveFileName(const mg::FileDialogRequest &request) override
    {
        saveRequests.append(request);
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
    std::optional<QString> openFileName(const mg::FileDialogRequest &request) override
    {
        openRequests.append(request);
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};

class MemorySettings : public mg::SettingsStore {
public:
    QMap<QString, QString> values; // "Section/Key"

    QString GetSetting(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const override
    {
        return values.value(section + QLatin1Char('/') + key, defaultValue);
    }
    void SaveSetting(const QString &section, const QString &key, const QString &value) override
    {
        values.insert(section + QLatin1Char('/') + key, value);
    }
    QList<QPair<QString, QString>> GetAllSettings(const QString &section) const override
    {
        QList<QPair<QString, QString>> all;
        const QString prefix = section + QLatin1Char('/');
        for (auto it = values.begin(); it != values.end(); ++it)
            if (it.key().startsWith(prefix))
                all.append({it.key().mid(prefix.size()), it.value()});
        return all;
    }
};

} // namespace mgtest
