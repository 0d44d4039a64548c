#include "printouts.h"

#include "daynumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <unistd.h>

namespace print {

namespace {

const qint64 kDefaultUpper = app::FilterState{}.debitTo;

QString amountRange(qint64 from, qint64 to, const app::FormatSettings &settings)
{
    return app::formatAmount(from, settings) + QStringLiteral(" - ") + app::formatAmount(to, settings);
}

QString localHostName()
{
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? QString::fromLocal8Bit(name) : QString();
}

QByteArray readProcFile(const QString &pid, const char *name)
{
    QFile file(QStringLiteral("/proc/") + pid + QLatin1Char('/') + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString withoutTrailingSlash(QString url)
{
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

// The user profile a LibreOffice process works with, as a file URL: the
// one its command line names, else the default one in its home folder.
QString profileOf(const QString &pid)
{
    for (const QByteArray &argument : readProcFile(pid, "cmdline").split('\0'))
        if (argument.startsWith("-env:UserInstallation="))
            return withoutTrailingSlash(QString::fromLocal8Bit(argument.mid(22)));
    for (const QByteArray &variable : readProcFile(pid, "environ").split('\0'))
        if (variable.startsWith("HOME="))
            return QUrl::fromLocalFile(QString::fromLocal8Bit(variable.mid(5))).toString()
                   + QStringLiteral("/.config/libreoffice/4");
    return {};
}

// A LibreOffice working with `profile` runs on this machine.
bool libreOfficeRunsWith(const QString &profile)
{
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (numeric && readProcFile(pid, "comm").startsWith("soffice") && profileOf(pid) == profile)
            return true;
    }
    return false;
}

} // namespace

PrintoutFiles printoutFiles(PrintoutKind kind, const app::Environment &env)
{
    const bool note = kind == PrintoutKind::Note;
    return {env.programFolder + (note ? QStringLiteral("szablonnota.rtf") : QStringLiteral("szablonrejestr.rtf")),
            env.printFolder + (note ? QStringLiteral("/nota.rtf") : QStringLiteral("/RejestrNot.rtf"))};
}

QString linkRefusal(const QString &path)
{
    if (!QFileInfo(path).isSymLink())
        return {};
    return QStringLiteral("Nie zapisano pliku ") + path
           + QStringLiteral(": jest dowiązaniem symbolicznym, a program nie zapisuje plików przez dowiązania.\r\n"
                            "Proszę usunąć to dowiązanie.");
}

QString issuerBlock(const app::CompanyDetails &company)
{
    QString block = company.nazwa1.trimmed() + QLatin1Char(' ') + company.nazwa2.trimmed() + QStringLiteral("\r\n")
                    + company.ulica.trimmed() + QLatin1Char(' ') + company.numerDomu.trimmed() + QStringLiteral(", ")
                    + company.kodPocztowy.trimmed() + QLatin1Char(' ') + company.miejscowosc.trimmed();
    if (!company.nip.trimmed().isEmpty())
        block += QStringLiteral("\r\nNIP: ") + company.nip.trimmed();
    return block;
}

QString filterDescription(const app::FilterState &filter, const QString &counterpartyName,
                          const app::FormatSettings &settings)
{
    QString text = QStringLiteral("Filtr zestawienia: \r\n");
    if (filter.idKontrahent != 0)
        text += QStringLiteral("Odbiorca: ") + counterpartyName + QStringLiteral("\r\n");
    if (filter.debitFrom != 0 || filter.debitTo != kDefaultUpper)
        text += QStringLiteral("Obciążyliśmy (od - do): ") + amountRange(filter.debitFrom, filter.debitTo, settings)
                + QStringLiteral("\r\n");
    if (filter.creditFrom != 0 || filter.creditTo != kDefaultUpper)
        text += QStringLiteral("Uznaliśmy (od - do): ") + amountRange(filter.creditFrom, filter.creditTo, settings)
                + QStringLiteral("\r\n");
    text += QStringLiteral("Data (od - do): ") + app::dateOfDay(filter.dateFrom).toString(settings.shortDateFormat)
            + QStringLiteral(" - ") + app::dateOfDay(filter.dateTo).toString(settings.shortDateFormat)
            + QStringLiteral("\r\n");
    if (!filter.text.trimmed().isEmpty())
        text += QStringLiteral("Szukana fraza: ") + filter.text.trimmed();
    return text;
}

bool isOpenInWordProcessor(const QString &document)
{
    const QFileInfo info(document);
    QFile lock(info.absolutePath() + QStringLiteral("/.~lock.") + info.fileName() + QLatin1Char('#'));
    if (!lock.open(QIODevice::ReadOnly))
        return false;
    // "user's name,login,host,date,profile;"
    const QStringList fields = QString::fromUtf8(lock.readAll()).trimmed().split(QLatin1Char(','));
    const QString host = fields.value(2).trimmed();
    QString profile = fields.value(4).trimmed();
    if (profile.endsWith(QLatin1Char(';')))
        profile.chop(1);
    if (!host.isEmpty() && host.compare(localHostName(), Qt::CaseInsensitive) != 0)
        return true;
    return libreOfficeRunsWith(withoutTrailingSlash(profile));
}

QString fileNameOf(const QString &displayNumber)
{
    static const QRegularExpression unfit(QStringLiteral(R"([/\\:*?"<>|\x00-\x1f]+)"));
    QString name = QString(displayNumber).replace(unfit, QStringLiteral("-")).trimmed();
    while (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("nota") : name;
}

} // namespace print
