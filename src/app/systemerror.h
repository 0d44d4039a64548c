#pragma once
// What the system reported (an errno value) in the user's words.

#include <QString>

namespace app {

// "brak miejsca na dysku", "brak uprawnień", …; the system's own text for
// what has no Polish one here.
QString systemErrorText(int error);

} // namespace app
