#pragma once
// Requests handed to the desktop: open a web address, a file or a folder
// with the user's programs.

#include <QString>

namespace service {

// The vendor's web address without a scheme.
QString vendorAddress();
// "https://" + the vendor's address + `path`.
QString vendorUrl(const QString &path = {});

bool openUrl(const QString &url);
bool openFile(const QString &path);
bool openFolder(const QString &path);

} // namespace service
