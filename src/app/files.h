#pragma once
// File helpers that windows use while the user waits.

#include <QString>

#include <functional>

namespace app {

// Shows or hides the busy cursor; the window layer installs it.
void setBusyIndicator(std::function<void(bool busy)> indicator);

// Copies `source` over `target` with the busy cursor shown. The target is
// replaced only by a complete copy. True on success.
bool CopyFileWaiting(const QString &source, const QString &target);

} // namespace app
