#pragma once
// A Messenger that records every message and answers from a script.

#include "messages.h"
#include "qtprinters.h"

#include <QList>

#include <functional>

namespace testsupport {

struct ShownMessage {
    QString text;
    QString caption;
    app::MessageIcon icon;
    app::MessageButtons buttons;
    app::MessageAnswer defaultAnswer;
};

class ScriptedMessenger : public app::Messenger {
public:
    app::MessageAnswer message(const QString &text, const QString &caption, app::MessageIcon icon,
                               app::MessageButtons buttons, app::MessageAnswer defaultAnswer) override
    {
        shown.append({text, caption, icon, buttons, defaultAnswer});
        if (beforeAnswer)
            beforeAnswer(shown.last());
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == app::MessageButtons::YesNo ? defaultAnswer : app::MessageAnswer::Ok;
    }

    QList<app::MessageAnswer> answers;  // taken in order; the default answer when empty
    QList<ShownMessage> shown;
    // Runs while a message is shown, before it is answered.
    std::function<void(const ShownMessage &)> beforeAnswer;
};

} // namespace testsupport
