#pragma once
// Requests handed to the desktop: open a document, a folder or a web
// address with the user's programs, or print a document. The program uses
// service::DesktopShell; tests record the requests instead.

#include <QString>

namespace app {

enum class ShellVerb { Default, Open, Print };
enum class WindowState { Normal, Maximized };

class Shell {
public:
    virtual ~Shell() = default;
    // Hands `target` (a file or folder path, or a web address) to the
    // desktop. The result is above 32 when the request was passed on; 32 or
    // less is a failure (2: no such file, 31: no program for it).
    virtual int request(const QString &target, ShellVerb verb, WindowState state) = 0;

    int open(const QString &target, WindowState state = WindowState::Maximized)
    {
        return request(target, ShellVerb::Open, state);
    }
};

// The lowest result that means success.
constexpr int kShellSucceeded = 33;
constexpr int kShellFileNotFound = 2;
constexpr int kShellNoProgram = 31;

} // namespace app
