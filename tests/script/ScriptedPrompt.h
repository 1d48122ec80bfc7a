#pragma once

#include "Prompts.h"

#include <QList>

// A MessagePrompt that answers from a queue and records every message it was
// shown. With the queue empty it answers No, so an unexpected question never
// adds anything; the tests find it in `shown`.
class ScriptedPrompt : public mg::MessagePrompt {
public:
    struct Shown {
        QString text;
        QString title;
        mg::MessageIcon icon;
        mg::MessageButtons buttons;
    };

    QList<mg::MessageAnswer> answers;
    QList<Shown> shown;

    mg::MessageAnswer show(const QString &text, const QString &title, mg::MessageIcon icon,
                           mg::MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        return answers.isEmpty() ? mg::MessageAnswer::No : answers.takeFirst();
    }

    // "YNY": Yes, No, Yes.
    static QList<mg::MessageAnswer> fromLetters(const QString &letters)
    {
        QList<mg::MessageAnswer> list;
        for (QChar c : letters)
            list.append(c == QLatin1Char('Y') ? mg::MessageAnswer::Yes : mg::MessageAnswer::No);
        return list;
    }
};
