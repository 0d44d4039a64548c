#pragma once
// File helpers that windows use while the user waits.

#include <QString>

#include <functional>

namespace app {

// Shows or hides the busy cursor; the window layer installs it.
void setBusyIndicator(std::function<void(bool busy)> indicator);

// Copies `source` over `target` with the busy cursor shown. The target is
// replaced only by a complete copy, and never through a symbolic link (see
// rtfreport::TRpOutputFile). True on success; else `reason` says why.
bool CopyFileWaiting(const QString &source, const QString &target, QString *reason = nullptr);

} // namespace app
