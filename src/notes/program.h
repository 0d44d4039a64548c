#pragma once
// The program's run: the working environment, the about window, the
// connection and the main window until the user closes it; at the end the
// settings are written and the connection closed.

#include "environment.h"

namespace notes {

// Returns the process exit code.
int RunProgram(const app::StartupContext &context);

} // namespace notes
