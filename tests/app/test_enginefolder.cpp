// A database engine folder the program may not use stops it with a Polish
// message that names the folder and why, before the engine hears of it.
#include "enginefolder.h"
#include "scriptedmessenger.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

TEST(EngineFolder, AFolderThatCannotBeUsedStopsTheProgramWithItsReason)
{
    QTemporaryDir top;
    const QString open = top.filePath("engine");
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    const QByteArray engineBefore = qgetenv("FIREBIRD");

    testsupport::ScriptedMessenger messenger;
    EXPECT_FALSE(app::PrepareDatabaseEngine({open, open, true}, messenger));
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].caption, app::kCaptionError);
    EXPECT_TRUE(messenger.shown[0].text.startsWith(
        "Folder silnika bazy danych mogą zmieniać inni użytkownicy (uprawnienia 0777):\r\n"
        + QFileInfo(open).canonicalFilePath() + "\r\n\r\n"))
        << messenger.shown[0].text.toStdString();
    EXPECT_TRUE(messenger.shown[0].text.endsWith("Proszę pokazać ten komunikat administratorowi komputera."));
    EXPECT_EQ(qgetenv("FIREBIRD"), engineBefore) << "the engine was pointed at the folder";
}

TEST(EngineFolder, EveryReasonIsToldInPolish)
{
    const struct {
        db::EngineFolderCheck check;
        QString begins;
    } cases[] = {
        {{.fault = db::EngineFolderFault::CannotPrepare, .path = "/x", .error = ENOSPC},
         "Nie można przygotować folderu silnika bazy danych (brak miejsca na dysku):\r\n/x"},
        {{.fault = db::EngineFolderFault::CannotPrepare, .path = "/x", .error = EACCES},
         "Nie można przygotować folderu silnika bazy danych (brak uprawnień):\r\n/x"},
        {{.fault = db::EngineFolderFault::NotOwned, .path = "/x", .owner = 0},
         "Folder silnika bazy danych należy do innego użytkownika (root):"},
        {{.fault = db::EngineFolderFault::OpenFolderAbove, .path = "/tmp/x"},
         "Folder silnika bazy danych leży w folderze, w którym mogą go podmienić inni użytkownicy:\r\n/tmp/x"},
        {{.fault = db::EngineFolderFault::NotALockFile, .path = "/l/fb_lock_mgr"},
         "We wspólnym folderze blokad bazy danych jest coś innego niż plik blokady (dowiązanie lub folder):"},
        {{.fault = db::EngineFolderFault::WrongIntlLink, .path = "/c/intl", .target = "/home/ktos/intl"},
         "Dowiązanie do biblioteki znaków silnika bazy danych prowadzi w inne miejsce (/home/ktos/intl):\r\n/c/intl"},
    };
    for (const auto &c : cases) {
        const QString message = app::engineFolderMessage(c.check);
        EXPECT_TRUE(message.startsWith(c.begins)) << message.toStdString();
    }
}
