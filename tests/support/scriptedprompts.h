#pragma once
// Prompts that record every message and answer from a script, installed for
// the life of the object.

#include "prompts.h"
#include "qtprinters.h"
#include "scriptedmessenger.h"

#include <QList>

#include <optional>

namespace testsupport {

class ScriptedPrompts : public ui::Prompts {
public:
    ScriptedPrompts() { ui::setPrompts(this); }
    ~ScriptedPrompts() override { ui::setPrompts(nullptr); }

    app::MessageAnswer message(const QString &text, const QString &caption, app::MessageIcon icon,
                               app::MessageButtons buttons, app::MessageAnswer defaultAnswer) override
    {
        return messages.message(text, caption, icon, buttons, defaultAnswer);
    }

    std::optional<QString> inputText(const QString &title, const QString &prompt, const QString &value) override
    {
        inputs.append({title, prompt, value});
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.takeFirst();
    }

    std::optional<QString> saveFileName(const QString &title, const QString &suggested,
                                        const QString &filter) override
    {
        inputs.append({title, filter, suggested});
        return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
    }

    std::optional<QString> openFileName(const QString &title, const QString &folder, const QString &filter) override
    {
        return saveFileName(title, folder, filter);
    }

    struct Input {
        QString title, prompt, value;  // a file dialog: its filter as the prompt, the suggested path (or folder) as the value
    };

    ScriptedMessenger messages;
    QList<app::MessageAnswer> &answers = messages.answers;  // message answers, in order
    QList<ShownMessage> &shown = messages.shown;
    QList<std::optional<QString>> inputAnswers;  // input box answers; nothing = Cancel
    QList<std::optional<QString>> fileAnswers;   // file dialog answers; nothing = Cancel
    QList<Input> inputs;
};

} // namespace testsupport
