#include "enginefolder.h"

#include "systemerror.h"

#include <pwd.h>

namespace app {

namespace {

QString userName(uint uid)
{
    const passwd *entry = ::getpwuid(uid);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

QString problem(const db::EngineFolderCheck &check)
{
    using db::EngineFolderFault;
    const QString path = QStringLiteral(":\r\n") + check.path;
    switch (check.fault) {
    case EngineFolderFault::None:
        return {};
    case EngineFolderFault::CannotPrepare:
        return QStringLiteral("Nie można przygotować folderu silnika bazy danych (") + systemErrorText(check.error)
               + QLatin1Char(')') + path;
    case EngineFolderFault::NotOwned:
        return QStringLiteral("Folder silnika bazy danych należy do innego użytkownika (") + userName(check.owner)
               + QLatin1Char(')') + path;
    case EngineFolderFault::OpenToOthers:
        return QStringLiteral("Folder silnika bazy danych mogą zmieniać inni użytkownicy (uprawnienia ")
               + QString::number(check.mode, 8).rightJustified(4, QLatin1Char('0')) + QLatin1Char(')') + path;
    case EngineFolderFault::OpenFolderAbove:
        return QStringLiteral("Folder silnika bazy danych leży w folderze, w którym mogą go podmienić inni "
                              "użytkownicy")
               + path;
    case EngineFolderFault::NotALockFile:
        return QStringLiteral("We wspólnym folderze blokad bazy danych jest coś innego niż plik blokady "
                              "(dowiązanie lub folder)")
               + path;
    case EngineFolderFault::WrongIntlLink:
        return QStringLiteral("Dowiązanie do biblioteki znaków silnika bazy danych prowadzi w inne miejsce (")
               + check.target + QLatin1Char(')') + path;
    }
    return {};
}

} // namespace

QString engineFolderMessage(const db::EngineFolderCheck &check)
{
    return problem(check)
           + QStringLiteral("\r\n\r\nProgram nie korzysta z ustawień, które może zmienić ktoś inny, i zostanie "
                            "zamknięty. Proszę pokazać ten komunikat administratorowi komputera.");
}

bool PrepareDatabaseEngine(const db::EngineFolders &folders, Messenger &messenger)
{
    const db::EngineFolderCheck check = db::configureFirebird(folders);
    if (!check)
        messenger.error(engineFolderMessage(check));
    return bool(check);
}

} // namespace app
