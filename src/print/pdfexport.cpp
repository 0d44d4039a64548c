#include "pdfexport.h"

#include "files.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace print {

QString convertToPdf(const QString &document, const QString &target, int timeoutMs)
{
    QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (office.isEmpty())
        return QStringLiteral("Nie znaleziono programu LibreOffice, który zapisuje dokumenty jako PDF.");

    QTemporaryDir work;
    if (!work.isValid())
        return QStringLiteral("Nie można utworzyć folderu tymczasowego: ") + work.errorString();
    // A profile of its own: a LibreOffice the user has open would otherwise
    // take the request over and this one would end without converting.
    const QString profile = QUrl::fromLocalFile(work.filePath(QStringLiteral("profil"))).toString();
    QProcess process;
    process.setProgram(office);
    process.setArguments({QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                          QStringLiteral("--norestore"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                          QStringLiteral("--outdir"), work.path(), QFileInfo(document).absoluteFilePath()});
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForStarted())
        return QStringLiteral("Nie można uruchomić programu LibreOffice: ") + process.errorString();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("LibreOffice nie zapisał dokumentu jako PDF w wyznaczonym czasie.");
    }
    const QString produced = work.filePath(QFileInfo(document).completeBaseName() + QStringLiteral(".pdf"));
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || !QFileInfo(produced).size())
        return QStringLiteral("LibreOffice nie zapisał dokumentu jako PDF: ")
               + QString::fromLocal8Bit(process.readAll()).trimmed();

    // Never half a PDF, and never through a link at the target.
    QString reason;
    if (!app::CopyFileWaiting(produced, target, &reason))
        return QStringLiteral("Nie można zapisać pliku ") + target + QStringLiteral(": ") + reason;
    return {};
}

} // namespace print
