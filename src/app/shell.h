#pragma once
// Requests handed to the desktop: open a document, a folder or a web
// address with the user's programs, or print a document. The program uses
// service::DesktopShell; tests record the requests instead.

#include "messages.h"

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

// True for "https://…", "mailto:…" and the like; false for file paths.
bool isWebAddress(const QString &target);

// The target as one argument for a program: surrounding double quotes
// removed, a local path made absolute (so that it can never read as an
// option). Empty for an empty target.
QString shellArgument(const QString &target);

// Why the desktop could not carry out a request, to end a sentence: "nie ma
// programu, który by go otworzył (…)."
QString shellFailureReason(const QString &target, ShellVerb verb, int result);

// What the user reads when a request failed: what could not be opened or
// printed, where it is, and why.
QString shellFailureMessage(const QString &target, ShellVerb verb, int result);

// Hands `target` to the desktop and, when that fails, tells the user what
// could not be opened and where it is, instead of nothing happening.
int requestOrTell(Shell &shell, Messenger &messenger, const QString &target, ShellVerb verb, WindowState state);
int openOrTell(Shell &shell, Messenger &messenger, const QString &target,
               WindowState state = WindowState::Maximized);

} // namespace app
