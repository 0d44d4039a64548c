#pragma once
// The program's messages as modal message boxes.

#include "messages.h"

namespace ui {

class MessageBoxMessenger : public app::Messenger {
public:
    app::MessageAnswer message(const QString &text, const QString &caption, app::MessageIcon icon,
                               app::MessageButtons buttons, app::MessageAnswer defaultAnswer) override;
};

// Shows the busy cursor while app::CopyFileWaiting and the like work.
void installBusyCursor();

} // namespace ui
