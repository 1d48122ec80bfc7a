#pragma once

#include "Prompts.h"

#include <QList>

// Stands in for the message boxes of the ENAT tests: records every message
// and answers from a queue. An unscripted question is answered the way
// closing the box would answer it (Cancel, else No), so a test that forgot
// to script an answer never agrees by accident.
class EnatScriptedPrompt : public mg::MessagePrompt {
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
        if (!answers.isEmpty())
            return answers.takeFirst();
        switch (buttons) {
        case mg::MessageButtons::Ok: return mg::MessageAnswer::Ok;
        case mg::MessageButtons::YesNo: return mg::MessageAnswer::No;
        default: return mg::MessageAnswer::Cancel;
        }
    }
};
