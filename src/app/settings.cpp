#include "settings.h"

#include "inifile.h"

#include <QDir>
#include <QUrl>

namespace app {

namespace {
const QString kSection = QStringLiteral("Ustawienia");
const QString kCompanyKey = QStringLiteral("IDFirma");
const QString kDoubleRowKey = QStringLiteral("WierszPodwojny");
const QString kVendorKey = QStringLiteral("AdresDostawcy");

// An integer as Windows' INI reader takes it: the number the value begins
// with, so that "0 ; komentarz" is 0; a value that begins with none gives
// the default.
int readInteger(const IniFile &file, const QString &key, int fallback)
{
    const QString text = file.value(kSection, key).trimmed();
    qsizetype end = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
    while (end < text.size() && text.at(end) >= QLatin1Char('0') && text.at(end) <= QLatin1Char('9'))
        ++end;
    bool ok = false;
    const int value = text.left(end).toInt(&ok);
    return ok ? value : fallback;
}

// "http[s]://host[:port][/path]" without its trailing "/"; empty for anything else.
QString vendorBaseUrl(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        || url.hasQuery() || url.hasFragment())
        return {};
    QString base = url.toString();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}
} // namespace

QString configFilePath(const QString &workingFolder)
{
    const QDir dir(workingFolder);
    const QString preferred = QStringLiteral("Config.ini");
    if (dir.exists(preferred))
        return dir.filePath(preferred);
    QStringList matches = dir.entryList(QDir::Files | QDir::Hidden);
    matches.sort();
    for (const QString &name : matches)
        if (name.compare(preferred, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    return dir.filePath(preferred);
}

void ReadSettings(Environment &env)
{
    env.currentCompany = 1;
    env.doubleRow = true;
    env.vendorUrl = kDefaultVendorUrl;
    const QString path = configFilePath(env.workingFolder);
    // A write cut short by a crash leaves its scratch file behind.
    IniFile::removeLeftovers(path);
    if (!QFile::exists(path))
        return;
    const IniFile file(path);
    env.currentCompany = readInteger(file, kCompanyKey, 1);
    env.doubleRow = readInteger(file, kDoubleRowKey, 1) != 0;
    const QString vendor = vendorBaseUrl(file.value(kSection, kVendorKey));
    if (!vendor.isEmpty())
        env.vendorUrl = vendor;
}

bool WriteSettings(const Environment &env)
{
    IniFile file(configFilePath(env.workingFolder));
    file.setValue(kSection, kCompanyKey, QString::number(env.currentCompany));
    file.setValue(kSection, kDoubleRowKey, env.doubleRow ? QStringLiteral("1") : QStringLiteral("0"));
    return file.save();
}

} // namespace app
