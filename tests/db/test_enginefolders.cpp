// The engine's folders: an own one is made private with what the engine
// needs; a folder someone else could change is refused before the engine
// reads from it, whether it is the user's own, the package's configuration
// or the group's lock folder.
#include "firebird.h"
#include "localusers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using db::EngineFolderFault;
using db::EngineFolders;

namespace {

const QString kIntl = QStringLiteral("/usr/lib/" CMAKE_LIBRARY_ARCHITECTURE "/firebird/3.0/intl");

mode_t modeOf(const QString &path)
{
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

void setMode(const QString &path, mode_t mode) { ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0); }

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A folder as the package leaves it: root's configuration beside the
// group's lock folder (here the tester's own, which counts as root's).
struct PackageFolders {
    explicit PackageFolders(const QString &top) : configuration(top + "/opt"), locks(top + "/locks")
    {
        QDir().mkpath(configuration);
        QDir().mkpath(locks);
        setMode(configuration, 0755);
        setMode(locks, 03770);
        write(configuration + "/firebird.conf", "include /etc/firebird/3.0/firebird.conf\nServerMode = SuperClassic\n");
        setMode(configuration + "/firebird.conf", 0644);
        QFile::link(kIntl, configuration + "/intl");
    }
    EngineFolders folders() const { return {configuration, locks, false}; }
    QString configuration, locks;
};

} // namespace

TEST(EngineFolders, AnOwnFolderIsMadePrivateWithWhatTheEngineNeeds)
{
    QTemporaryDir top;
    const QString folder = top.filePath("cache/Vorlane/Mirelo/firebird");
    ASSERT_TRUE(db::prepareEngineFolders({folder, folder, true}));
    EXPECT_EQ(modeOf(folder), 0700u);
    QFile conf(folder + "/firebird.conf");
    ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
    EXPECT_EQ(conf.readAll(), "include /etc/firebird/3.0/firebird.conf\nServerMode = SuperClassic\n");
    EXPECT_EQ(QFile::symLinkTarget(folder + "/intl"), kIntl);
    conf.close();

    // One an earlier version left readable by all, with other settings and a
    // link elsewhere, is the user's alone again and leads the engine rightly.
    setMode(folder, 0755);
    write(folder + "/firebird.conf", "ServerMode = Super\n");
    QFile::remove(folder + "/intl");
    QFile::link(top.filePath("elsewhere"), folder + "/intl");
    const db::EngineFolderCheck mended = db::prepareEngineFolders({folder, folder, true});
    ASSERT_TRUE(mended) << int(mended.fault) << " " << mended.path.toStdString() << " " << mended.error;
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(QFile::symLinkTarget(folder + "/intl"), kIntl);
    ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(conf.readAll().contains("SuperClassic"));
}

TEST(EngineFolders, AFolderOthersCouldChangeIsRefused)
{
    struct Case {
        const char *name;
        std::function<EngineFolders(const QString &top)> make;  // the folders, planted
        EngineFolderFault fault;
        QString path;  // relative to the top folder
    };
    const Case cases[] = {
        {"own folder open to all",
         [](const QString &top) {
             QDir().mkpath(top + "/engine");
             setMode(top + "/engine", 0777);
             return EngineFolders{top + "/engine", top + "/engine", true};
         },
         EngineFolderFault::OpenToOthers, "/engine"},
        {"own folder open to its group",
         [](const QString &top) {
             QDir().mkpath(top + "/engine");
             setMode(top + "/engine", 0770);
             return EngineFolders{top + "/engine", top + "/engine", true};
         },
         EngineFolderFault::OpenToOthers, "/engine"},
        {"own folder in a folder all may write to",
         [](const QString &top) {
             QDir().mkpath(top + "/shared/engine");
             setMode(top + "/shared", 0777);
             return EngineFolders{top + "/shared/engine", top + "/shared/engine", true};
         },
         EngineFolderFault::OpenFolderAbove, "/shared"},
        {"package configuration whose intl leads to a planted library",
         [](const QString &top) {
             PackageFolders package(top);
             QDir().mkpath(top + "/planted/intl");
             QFile::remove(package.configuration + "/intl");
             QFile::link(top + "/planted/intl", package.configuration + "/intl");
             return package.folders();
         },
         EngineFolderFault::WrongIntlLink, "/opt/intl"},
        {"package configuration others may write to",
         [](const QString &top) {
             PackageFolders package(top);
             setMode(package.configuration + "/firebird.conf", 0666);
             return package.folders();
         },
         EngineFolderFault::OpenToOthers, "/opt/firebird.conf"},
        {"group lock folder without the sticky bit",
         [](const QString &top) {
             PackageFolders package(top);
             setMode(package.locks, 02770);
             return package.folders();
         },
         EngineFolderFault::OpenToOthers, "/locks"},
        {"group lock folder holding a member's link",
         [](const QString &top) {
             PackageFolders package(top);
             write(top + "/victims-file", "precious");
             QFile::link(top + "/victims-file", package.locks + "/fb_lock_mgr");
             return package.folders();
         },
         EngineFolderFault::NotALockFile, "/locks/fb_lock_mgr"},
    };
    for (const Case &c : cases) {
        QTemporaryDir top;
        const QString real = QFileInfo(top.path()).canonicalFilePath();
        const db::EngineFolderCheck check = db::prepareEngineFolders(c.make(real));
        EXPECT_EQ(check.fault, c.fault) << c.name;
        EXPECT_EQ(check.path, real + c.path) << c.name;
    }
}

// A second local user prepares the folder the program will be pointed at,
// with a configuration and a character-set library of their own: the
// program refuses it rather than load their code.
TEST(EngineFolders, AFolderPlantedByAnotherUserIsRefused)
{
    QTemporaryDir top;
    setMode(top.path(), 0755);
    const QString planted = top.filePath("mirelo-firebird");
    QDir().mkpath(planted + "/intl");
    write(planted + "/firebird.conf", "include /etc/firebird/3.0/firebird.conf\nServerMode = SuperClassic\n");
    write(planted + "/intl/fbintl.conf", "<intl_module fbintl>\nfilename $(this)/libfbintl\n</intl_module>\n");

    // A library folder in place of the link is refused wherever it stands.
    const db::EngineFolderCheck asPackage = db::prepareEngineFolders({planted, planted, false});
    EXPECT_EQ(asPackage.fault, EngineFolderFault::WrongIntlLink);

    const QString intruder = testsupport::secondLocalUser();
    if (intruder.isEmpty())
        return;  // only root can make the folder another user's
    ASSERT_EQ(QProcess::execute("chown", {"-R", intruder, planted}), 0);
    for (const bool own : {true, false}) {
        const db::EngineFolderCheck check = db::prepareEngineFolders({planted, planted, own});
        EXPECT_EQ(check.fault, EngineFolderFault::NotOwned) << own;
        EXPECT_NE(check.owner, 0u);
    }
    // The folder was not touched: the intruder's files are as they were.
    EXPECT_TRUE(QFileInfo(planted + "/intl").isDir());
}

// Without the package the folder lies in the user's own runtime folder,
// where no one else can make it first; else in the user's cache folder.
TEST(EngineFolders, TheDefaultFolderIsTheUsersOwn)
{
    QTemporaryDir runtime, cache;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedCache = qgetenv("XDG_CACHE_HOME"),
                     savedOwn = qgetenv("MIRELO_FIREBIRD_DIR");
    qunsetenv("MIRELO_FIREBIRD_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const bool packaged = QFileInfo("/var/lib/Vorlane/Mirelo/firebird").isDir();
    const EngineFolders inRuntime = db::defaultEngineFolders();
    // A runtime folder others may read is no place for it.
    setMode(runtime.path(), 0755);
    const EngineFolders inCache = db::defaultEngineFolders();
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("XDG_CACHE_HOME", savedCache);
    qputenv("MIRELO_FIREBIRD_DIR", savedOwn);
    if (packaged) {
        EXPECT_FALSE(inRuntime.own);
        return;
    }
    EXPECT_EQ(inRuntime.configuration, runtime.filePath("mirelo-firebird"));
    EXPECT_EQ(inRuntime.locks, inRuntime.configuration);
    EXPECT_TRUE(inRuntime.own);
    EXPECT_EQ(inCache.configuration, cache.filePath("Vorlane/Mirelo/firebird"));
}
