#pragma once

#include "Prompts.h"

#include <QList>

// Stands in for the message boxes of the dialogs under test: records every
// message and answers Ok, the only button their refusals have.
class RecordingPrompt : public mg::MessagePrompt {
public:
    struct Shown {
        QString text;
        QString title;
        mg::MessageIcon icon;
        mg::MessageButtons buttons;
    };

    QList<Shown> shown;

    mg::MessageAnswer show(const QString &text, const QString &title, mg::MessageIcon icon,
                           mg::MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        return mg::MessageAnswer::Ok;
    }
};
