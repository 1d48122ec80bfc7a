#pragma once

#include "EditorChecks.h"
#include "Prompts.h"
#include "SettingsStore.h"

#include <QList>
#include <QMap>
#include <optional>

// Collaborators of the editor window for tests: scripted answers, recorded
// questions, settings in memory and checks that pass or fail on demand.

struct ShownMessage {
    QString text;
    QString title;
    mg::MessageIcon icon;
    mg::MessageButtons buttons;
};

class ScriptedMessages : public mg::MessagePrompt {
public:
    QList<mg::MessageAnswer> answers;
    QList<ShownMessage> shown;

    mg::MessageAnswer show(const QString &text, const QString &title, mg::MessageIcon icon,
                           mg::MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        if (!answers.isEmpty())
            return answers.takeFirst();
        // An unexpected question is answered as closing the box would.
        switch (buttons) {
        case mg::MessageButtons::Ok: return mg::MessageAnswer::Ok;
        case mg::MessageButtons::YesNo: return mg::MessageAnswer::No;
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
};

class ScriptedFileDialog : public mg::FileDialogPrompt {
public:
    QList<std::optional<QString>> answers;   // nothing: the operator cancels
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
    QMap<QString, QString> values;   // "Section/Key"

    QString GetSetting(const QString &section, const QString &key,
                       const QString &defaultValue) const override
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
        for (auto it = values.begin(); it != values.end(); ++it)
            if (it.key().startsWith(section + QLatin1Char('/')))
                all.append({it.key().mid(section.size() + 1), it.value()});
        return all;
    }
};

class ControlledChecks : public mg::EditorChecks {
public:
    bool tabCheckPasses = true;
    bool configurationPasses = true;
    QList<int> tabChecks;
    QList<int> configurationChecks;

    bool TabCheck(int tab) override
    {
        tabChecks.append(tab);
        return tabCheckPasses;
    }
    bool CheckConfiguration(int selectedTab) override
    {
        configurationChecks.append(selectedTab);
        return configurationPasses;
    }
};
