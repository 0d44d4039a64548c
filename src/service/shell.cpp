#include "shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace service {

QString vendorAddress() { return QStringLiteral("www.vorlane.pl"); }

QString vendorUrl(const QString &path) { return QStringLiteral("https://") + vendorAddress() + path; }

bool openUrl(const QString &url) { return QDesktopServices::openUrl(QUrl(url)); }

bool openFile(const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

bool openFolder(const QString &path) { return openFile(path); }

} // namespace service
