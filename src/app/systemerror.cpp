#include "systemerror.h"

#include <cerrno>
#include <cstring>

namespace app {

QString systemErrorText(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("brak miejsca na dysku");
    case EACCES:
    case EPERM:
        return QStringLiteral("brak uprawnień");
    case EROFS:
        return QStringLiteral("dysk tylko do odczytu");
    case ENOENT:
        return QStringLiteral("nie ma takiego pliku ani folderu");
    case ENOTDIR:
        return QStringLiteral("to nie jest folder");
    case EEXIST:
        return QStringLiteral("taki plik już istnieje");
    case EIO:
        return QStringLiteral("błąd odczytu lub zapisu dysku");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace app
