#pragma once
// Every question, message and input box of the program goes through
// Prompts. The program shows Qt dialogs; tests install scripted
// answers with setPrompts().

#include "messages.h"

#include <QString>

#include <optional>

class QWidget;

namespace ui {

class Prompts : public app::Messenger {
public:
    // A one-line input box; nothing when cancelled.
    virtual std::optional<QString> inputText(const QString &title, const QString &prompt, const QString &value) = 0;
    // A file dialog asking where to save: `suggested` is the path offered,
    // `filter` the kinds of file ("Dokumenty PDF (*.pdf)"); nothing when
    // cancelled.
    virtual std::optional<QString> saveFileName(const QString &title, const QString &suggested,
                                                const QString &filter) = 0;
    // A file dialog choosing an existing file, starting at `folder`; nothing
    // when cancelled.
    virtual std::optional<QString> openFileName(const QString &title, const QString &folder,
                                                const QString &filter) = 0;
};

// The prompts in force: the Qt ones unless a test installed others.
Prompts &prompts();
// Installs `replacement` (not owned); nullptr goes back to the Qt ones.
void setPrompts(Prompts *replacement);

class QtPrompts : public Prompts {
public:
    app::MessageAnswer message(const QString &text, const QString &caption, app::MessageIcon icon,
                               app::MessageButtons buttons, app::MessageAnswer defaultAnswer) override;
    std::optional<QString> inputText(const QString &title, const QString &prompt, const QString &value) override;
    std::optional<QString> saveFileName(const QString &title, const QString &suggested,
                                        const QString &filter) override;
    std::optional<QString> openFileName(const QString &title, const QString &folder,
                                        const QString &filter) override;
};

// Shows the busy cursor while app::CopyFileWaiting and the like work.
void installBusyCursor();

// The busy cursor for the life of a scope, restored on every path.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace ui
