// Start-up decisions: folders, guards, the template database, fnet.cfg and erasemb.cfg.
#include "environment.h"
#include "daynumber.h"
#include "localusers.h"
#include "scriptedmessenger.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace app;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        programFolder = root.path() + "/program";
        QDir().mkpath(programFolder);
        context.programFolder = programFolder;
        context.homeFolder = root.path() + "/home";
        context.commonDataFolder = root.path() + "/var/lib";
        context.userDataFolder = root.path() + "/home/.local/share";
        context.colourDepth = [this] { return depth; };
        context.today = QDate(2022, 3, 15);
        context.version = {2022, 1, 1, 0};
        context.messenger = &messenger;
        context.userId = testsupport::ordinaryOwnerOf(programFolder);
        ASSERT_NE(context.userId, 0u);
    }

    StartupResult start()
    {
        env = Environment{};
        messenger.shown.clear();
        return InitEnvironment(env, context);
    }

    QString program(const QString &name) const { return programFolder + "/" + name; }
    // fnet.cfg as the administrator leaves it: readable by the group alone.
    void writeFnet(const QByteArray &content)
    {
        writeFile(program("fnet.cfg"), content);
        QFile::setPermissions(program("fnet.cfg"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }

    QTemporaryDir root;
    QString programFolder;
    int depth = 24;
    StartupContext context;
    testsupport::ScriptedMessenger messenger;
    Environment env;
};

TEST_F(Startup, PreparesFoldersVersionsDatesAndDefaults)
{
    writeFile(program("mr"), "template");
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(env.shortVersion, "ver.2022.01");
    EXPECT_EQ(env.fullVersion, "2022.01.01");
    EXPECT_EQ(env.release, "01");
    EXPECT_EQ(env.programFolder, programFolder + "/");
    EXPECT_EQ(env.workingFolder, root.path() + "/home/Vorlane/Folder roboczy Mirelo");
    EXPECT_EQ(env.printFolder, env.workingFolder + "/Wydruki");
    EXPECT_EQ(env.dataFolder, root.path() + "/home/.local/share/Vorlane/Mirelo/Dane");
    EXPECT_EQ(env.databaseFolder, env.dataFolder);
    EXPECT_EQ(env.databaseName(), env.dataFolder + "/mr.fdb");
    for (const QString &folder : {env.dataFolder, env.workingFolder, env.printFolder})
        EXPECT_TRUE(QDir(folder).exists()) << folder.toStdString();
    EXPECT_EQ(env.lastNoteDate, dayNumber(QDate(2022, 3, 15)));
    EXPECT_EQ(env.filter.dateTo, env.lastNoteDate);
    EXPECT_EQ(env.filter.dateFrom, env.lastNoteDate - 61);
    EXPECT_EQ(env.filter.debitTo, 9999999990000);
    EXPECT_EQ(env.currentCompany, 1);
    EXPECT_TRUE(env.doubleRow);
    EXPECT_TRUE(env.listQueryText.contains("order by nota.rok,nota.miesiac,nota.numer,nota.idnota"));
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(Startup, FirstArgumentIsTheWorkingFolder)
{
    const QString robocze = root.path() + "/Robocze";
    context.firstArgument = robocze;
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(env.workingFolder, robocze);
    EXPECT_EQ(env.printFolder, robocze + "/Wydruki");
    EXPECT_TRUE(QDir(robocze + "/Wydruki").exists());
}

TEST_F(Startup, NcSkipsTheColourCheckAndIsAlsoTheWorkingFolder)
{
    depth = 4;
    ASSERT_EQ(start(), StartupResult::Stop);
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].caption, "Nieprawidłowe ustawienie dla karty graficznej");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Information);
    EXPECT_TRUE(messenger.shown[0].text.startsWith("Program może działać jedynie w trybie 256 kolorów (lub więcej).\r\n"));

    const QString previous = QDir::currentPath();
    QDir::setCurrent(root.path());
    context.firstArgument = "nc";
    const StartupResult result = start();
    QDir::setCurrent(previous);
    EXPECT_EQ(result, StartupResult::Continue);
    EXPECT_EQ(env.workingFolder, root.path() + "/nc");

    depth = 8;
    context.firstArgument.clear();
    EXPECT_EQ(start(), StartupResult::Continue);
}

TEST_F(Startup, RefusesToRunFromADistributionFolder)
{
    context.programFolder = root.path() + "/Dystrybucja/bin";
    ASSERT_EQ(start(), StartupResult::Stop);
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, "Nie można uruchamiac programu z katalogu DYSTRYBUCJA ! Usuń CONFIG.INI");
    EXPECT_EQ(messenger.shown[0].caption, "UWAGA");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::None);
    EXPECT_FALSE(QDir(root.path() + "/home").exists()) << "folders made before the guard";
}

TEST_F(Startup, InstallsTheTemplateOnceThenDeletesIt)
{
    writeFile(program("mr"), "template");
    ASSERT_EQ(start(), StartupResult::Continue);
    QFile installed(env.dataFolder + "/mr.fdb");
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), "template");
    EXPECT_TRUE(QFile::exists(program("mr")));

    // The next start deletes it, but only once the database has opened.
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(env.templateToDelete, program("mr"));
    EXPECT_TRUE(QFile::exists(program("mr")));
    EXPECT_TRUE(QFile::exists(env.dataFolder + "/mr.fdb"));
    EXPECT_TRUE(messenger.shown.isEmpty());
    QFile::remove(program("mr"));
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_TRUE(env.templateToDelete.isEmpty());

    // A later start without either file only reports the missing template.
    QFile::remove(env.dataFolder + "/mr.fdb");
    ASSERT_EQ(start(), StartupResult::Continue);
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, "Brak szablonu bazy. Proszę o kontakt z VORLANE.");
    EXPECT_EQ(messenger.shown[0].caption, " BŁĄD !");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Error);
}

// Without the package the user's records are the user's alone, also those
// an earlier version left readable by everyone; the package's shared
// folder keeps the modes it was given for the group.
TEST_F(Startup, TheUsersOwnRecordsArePrivate)
{
    const auto modeOf = [](const QString &path) { return QFileInfo(path).permissions() & 0x7077; };
    const QFileDevice::Permissions ownerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    writeFile(program("mr"), "template");
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(modeOf(env.dataFolder), ownerOnlyFolder);
    EXPECT_EQ(modeOf(env.databaseName()), QFile::ReadOwner | QFile::WriteOwner);

    const QFileDevice::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(env.dataFolder, everyone | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    QFile::setPermissions(env.databaseName(), everyone);
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(modeOf(env.dataFolder), ownerOnlyFolder);
    EXPECT_EQ(modeOf(env.databaseName()), QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(Startup, CommonDataFolderWinsWhenItExists)
{
    const QString common = context.commonDataFolder + "/Vorlane/Mirelo/Dane";
    QDir().mkpath(common);
    const QFileDevice::Permissions group = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                           | QFile::WriteGroup | QFile::ExeGroup;
    QFile::setPermissions(common, group);
    writeFile(program("mr"), "template");
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(env.dataFolder, common);
    EXPECT_TRUE(QFile::exists(common + "/mr.fdb"));
    EXPECT_EQ(QFileInfo(common).permissions() & 0x7077, group);
}

TEST_F(Startup, SharedInstallationLeavesTheTemplateAndErasesListedFiles)
{
    writeFnet("localhost:/srv/mirelo\r\nsecond line\r\n");
    writeFile(program("mr"), "template");
    writeFile(program("old.dll"), "x");
    writeFile(program("sub/old.txt"), "x");
    writeFile(root.path() + "/outside.txt", "x");
    writeFile(program("erasemb.cfg"), "old.dll\r\nsub\\old.txt\r\nmissing.dll\r\n\r\n../outside.txt\r\n");
    QFile::setPermissions(program("old.dll"), QFile::ReadOwner);

    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(env.sharedDatabaseLine, "localhost:/srv/mirelo");
    EXPECT_EQ(env.databaseName(), "localhost:/srv/mirelo/mr.fdb");
    EXPECT_TRUE(QFile::exists(program("mr")));
    EXPECT_FALSE(QFile::exists(env.dataFolder + "/mr.fdb"));
    EXPECT_FALSE(QFile::exists(program("old.dll")));
    EXPECT_FALSE(QFile::exists(program("sub/old.txt")));
    EXPECT_TRUE(QFile::exists(root.path() + "/outside.txt")) << "a listed name left the program folder";
    EXPECT_TRUE(messenger.shown.isEmpty());

    // With a database already installed the template still stays.
    writeFile(env.dataFolder + "/mr.fdb", "db");
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_TRUE(QFile::exists(program("mr")));
}

// The second line is a password, the third the user it belongs to. Only a
// shared installation reads them; a missing or blank password leaves the
// program's own, a missing user SYSDBA, as files of earlier versions expect.
TEST_F(Startup, FnetCarriesThePasswordAndTheUser)
{
    const struct {
        QByteArray fnet;
        QString password;
        QString user;
    } cases[] = {
        {"localhost:/srv/mirelo\r\nZażółć gęślą 7\r\nMIRELO\r\n", "Zażółć gęślą 7", "MIRELO"},
        {"localhost:/srv/mirelo\n \thasło z odstępami  \n  mirelo \nczwarta linia\n", "hasło z odstępami", "mirelo"},
        {"localhost:/srv/mirelo\r\nZażółć gęślą 7\r\n", "Zażółć gęślą 7", ""},
        {"localhost:/srv/mirelo\r\nZażółć gęślą 7", "Zażółć gęślą 7", ""},
        {"localhost:/srv/mirelo\r\n", "", ""},
        {"localhost:/srv/mirelo", "", ""},
        {"localhost:/srv/mirelo\r\n \t \r\nMIRELO\r\n", "", "MIRELO"},
        {"   \r\nhasło\r\nMIRELO\r\n", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fnet.toStdString());
        writeFnet(c.fnet);
        ASSERT_EQ(start(), StartupResult::Continue);
        EXPECT_EQ(env.sharedDatabasePassword, c.password);
        EXPECT_EQ(env.sharedDatabaseUser, c.user);
        EXPECT_EQ(env.sharedDatabaseLine, QString::fromUtf8(c.fnet).section(QRegularExpression("\r?\n"), 0, 0));
    }
}

// A password that every user of the machine may read is no password: the
// program refuses to start and says how to set the file's mode.
TEST_F(Startup, FnetCfgWithAPasswordThatEveryoneMayReadIsRefused)
{
    const QFileDevice::Permissions ownerWrites = QFile::ReadOwner | QFile::WriteOwner;
    const struct {
        QByteArray fnet;
        QFileDevice::Permissions mode;
        bool refused;
    } cases[] = {
        {"localhost:/srv/mirelo\r\nhasło\r\nMIRELO\r\n", ownerWrites | QFile::ReadGroup | QFile::ReadOther, true},
        {"localhost:/srv/mirelo\r\nhasło\r\n", ownerWrites | QFile::ReadOther, true},
        {"localhost:/srv/mirelo\r\nhasło\r\nMIRELO\r\n", ownerWrites | QFile::ReadGroup, false},
        {"localhost:/srv/mirelo\r\nhasło\r\nMIRELO\r\n", ownerWrites, false},
        // Nothing secret in it: the program's own password is in every copy.
        {"localhost:/srv/mirelo\r\n", ownerWrites | QFile::ReadGroup | QFile::ReadOther, false},
        {"\r\nhasło\r\n", ownerWrites | QFile::ReadGroup | QFile::ReadOther, false},
    };
    writeFile(program("mr"), "template");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fnet.toStdString() + " " + std::to_string(int(c.mode)));
        writeFile(program("fnet.cfg"), c.fnet);
        QFile::setPermissions(program("fnet.cfg"), c.mode);
        if (!c.refused) {
            EXPECT_EQ(start(), StartupResult::Continue);
            EXPECT_TRUE(messenger.shown.isEmpty());
            continue;
        }
        EXPECT_EQ(start(), StartupResult::Stop);
        ASSERT_EQ(messenger.shown.size(), 1);
        const QString path = program("fnet.cfg");
        EXPECT_EQ(messenger.shown[0].text,
                  "Plik " + path + " może odczytać każdy użytkownik komputera, a zawiera hasło do bazy danych.\r\n"
                  "Administrator komputera ustawia mu właściciela root, grupę mirelo i prawa 0640 poleceniami:\r\n"
                  "    chown root:mirelo " + path + "\r\n"
                  "    chmod 0640 " + path + "\r\n"
                  "Do tego czasu program się nie uruchomi.");
        EXPECT_EQ(messenger.shown[0].caption, " BŁĄD !");
        EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Error);
        EXPECT_TRUE(env.sharedDatabasePassword.isEmpty());
    }
}

// An installed program's folder is root's: neither root running the program
// nor another user takes the template or the files erasemb.cfg names from
// it. Only a folder of the user's own, as a build's, gives them up.
TEST_F(Startup, OnlyAProgramFolderOfTheUsersOwnGivesUpItsFiles)
{
    const uint owner = context.userId;
    const struct {
        const char *who;
        uint userId;
        bool changes;
    } cases[] = {
        {"the folder's owner", owner, true},
        {"root", 0, false},
        {"another user", owner + 1, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.who);
        context.userId = c.userId;
        QFile::remove(program("fnet.cfg"));
        writeFile(program("mr"), "template");
        writeFile(context.userDataFolder + "/Vorlane/Mirelo/Dane/mr.fdb", "db");
        ASSERT_EQ(start(), StartupResult::Continue);
        EXPECT_EQ(env.templateToDelete, c.changes ? program("mr") : QString());

        writeFnet("localhost:/srv/mirelo\r\n");
        writeFile(program("old.dll"), "x");
        writeFile(program("erasemb.cfg"), "old.dll\r\n");
        ASSERT_EQ(start(), StartupResult::Continue);
        EXPECT_NE(QFile::exists(program("old.dll")), c.changes);
        EXPECT_TRUE(QFile::exists(program("mr")));
    }
}

TEST_F(Startup, BlankFnetLineCountsAsLocal)
{
    writeFile(program("fnet.cfg"), "   \r\nlocalhost:/srv\r\n");
    writeFile(program("erasemb.cfg"), "keep.dll\n");
    writeFile(program("keep.dll"), "x");
    writeFile(program("mr"), "template");
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(env.databaseFolder, env.dataFolder);
    EXPECT_TRUE(QFile::exists(env.dataFolder + "/mr.fdb"));
    EXPECT_TRUE(QFile::exists(program("keep.dll")));
}

TEST_F(Startup, FnetLineIsKeptAsRead)
{
    writeFile(program("fnet.cfg"), " /srv/mirelo ");
    ASSERT_EQ(start(), StartupResult::Continue);
    EXPECT_EQ(env.databaseFolder, " /srv/mirelo ");
}

TEST_F(Startup, ADatabaseKeptBesideTheProgramMovesToTheDataFolderOnce)
{
    writeFile(program("dane/mr.fdb"), "earlier notes");
    writeFile(program("mr"), "template");
    ASSERT_EQ(start(), StartupResult::Continue);
    QFile moved(env.dataFolder + "/mr.fdb");
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), "earlier notes");
    EXPECT_FALSE(QFile::exists(program("dane/mr.fdb")));

    // A database already in the data folder is never replaced by an old one.
    writeFile(program("dane/mr.fdb"), "older still");
    ASSERT_EQ(start(), StartupResult::Continue);
    moved.seek(0);
    EXPECT_EQ(moved.readAll(), "earlier notes");
    EXPECT_TRUE(QFile::exists(program("dane/mr.fdb")));
}
