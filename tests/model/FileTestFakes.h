#pragma once

#include "Prompts.h"
#include "SettingsStore.h"

#include <QList>
#include <QMap>
#include <optional>

// Test stand-ins for the operator: file dialogs that answer a prepared path
// (or cancel) and record the request, message boxes that record what they
// showed, and a settings store in memory.

class FakeFileDialog : public mg::FileDialogPrompt {
public:
    std::optional<QString> answer;          // nothing: the operator cancels
    QList<mg::FileDialogRequest> saveRequests;
    QList<mg::FileDialogRequest> openRequests;

    std::optional<QString> saveFileName(const mg::FileDialogRequest &request) override
    {
        saveRequests.append(request);
        return answer;
    }
    std::optional<QString> openFileName(const mg::FileDialogRequest &request) override
    {
        openRequests.append(request);
        return answer;
    }
};

class RecordingPrompt : public mg::MessagePrompt {
public:
    struct Shown {
        QString text;
        QString title;
        mg::MessageIcon icon;
        mg::MessageButtons buttons;
    };
    QList<Shown> shown;
    mg::MessageAnswer answer = mg::MessageAnswer::No;

    mg::MessageAnswer show(const QString &text, const QString &title, mg::MessageIcon icon,
                           mg::MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        return buttons == mg::MessageButtons::Ok ? mg::MessageAnswer::Ok : answer;
    }
};

class MemorySettings : public mg::SettingsStore {
public:
    QMap<QString, QString> values;          // "section/key" -> value

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
        QList<QPair<QString, QString>> pairs;
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it.key().startsWith(section + QLatin1Char('/')))
                pairs.append({it.key().mid(section.size() + 1), it.value()});
        }
        return pairs;
    }
};
