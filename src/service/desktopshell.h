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

// The target as one argument for a program: surrounding double quotes
// removed, a local path made absolute (so that it can never read as an
// option). Empty for an empty target.
QString shellArgument(const QString &target);

// True for "https://…", "mailto:…" and the like; false for file paths.
bool isWebAddress(const QString &target);

} // namespace service
