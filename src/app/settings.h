#pragma once
// Config.ini in the working folder: section "Ustawienia" with "IDFirma",
// "WierszPodwojny" and, when an office sets it, "AdresDostawcy" (the vendor's
// web site, "https://host[:port]"), plus the grid layout sections the windows
// keep there.

#include "environment.h"

namespace app {

// The settings file of a working folder: an existing file whose name is
// "config.ini" in any letter case, else "Config.ini" (to be created).
QString configFilePath(const QString &workingFolder);

// Reads the current company (default 1), the double row (default true) and
// the vendor's address (an http or https address with a host; anything else
// leaves the default).
void ReadSettings(Environment &env);

// Writes the company and the double row, keeping every other section. The file is replaced whole
// or not at all. False when it cannot be written.
bool WriteSettings(const Environment &env);

} // namespace app
