#pragma once
// The desktop's shell on Linux: documents, folders and web addresses open
// with xdg-open, documents print through LibreOffice without a window.
// Both are started detached, so a request never waits for the program it
// starts.

#include "shell.h"  // app::Shell

#include <QString>

namespace service {

class DesktopShell : public app::Shell {
public:
    int request(const QString &target, app::ShellVerb verb, app::WindowState state) override;
};

} // namespace service
