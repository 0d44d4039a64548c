// Config.ini: defaults, round trip, one file whatever the letter case, other sections kept.
#include "inifile.h"
#include "settings.h"
#include "qtprinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace app;

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        env.workingFolder = dir.path();
    }
    void write(const QString &name, const QByteArray &content)
    {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray read(const QString &name)
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    Environment env;
};

TEST_F(Settings, MissingFileOrKeysGiveDefaults)
{
    env.currentCompany = 7;
    env.doubleRow = false;
    ReadSettings(env);
    EXPECT_EQ(env.currentCompany, 1);
    EXPECT_TRUE(env.doubleRow);

    write("Config.ini", "[Ustawienia]\nIDFirma=abc\n");
    env.doubleRow = false;
    ReadSettings(env);
    EXPECT_EQ(env.currentCompany, 1);
    EXPECT_TRUE(env.doubleRow);

    write("Config.ini", "garbage \x01\x02 without sections\n=\n[");
    ReadSettings(env);
    EXPECT_EQ(env.currentCompany, 1);
}

TEST_F(Settings, RoundTripKeepsOtherSections)
{
    write("Config.ini", "[frmMain.XDBGrid1]\nColumns=5\nColumn1=sData,80\n\n[Ustawienia]\nIDFirma=3\nWierszPodwojny=0\n");
    ReadSettings(env);
    EXPECT_EQ(env.currentCompany, 3);
    EXPECT_FALSE(env.doubleRow);

    env.currentCompany = 12;
    env.doubleRow = true;
    ASSERT_TRUE(WriteSettings(env));
    const QByteArray text = read("Config.ini");
    EXPECT_TRUE(text.contains("IDFirma=12")) << text.constData();
    EXPECT_TRUE(text.contains("WierszPodwojny=1")) << text.constData();
    EXPECT_TRUE(text.contains("Columns=5")) << text.constData();

    Environment again;
    again.workingFolder = env.workingFolder;
    ReadSettings(again);
    EXPECT_EQ(again.currentCompany, 12);
    EXPECT_TRUE(again.doubleRow);
}

TEST_F(Settings, OneFileWhateverTheLetterCase)
{
    write("CONFIG.INI", "[Ustawienia]\nIDFirma=4\n");
    EXPECT_EQ(configFilePath(dir.path()), dir.filePath("CONFIG.INI"));
    ReadSettings(env);
    EXPECT_EQ(env.currentCompany, 4);
    env.currentCompany = 5;
    ASSERT_TRUE(WriteSettings(env));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"CONFIG.INI"});
    EXPECT_TRUE(read("CONFIG.INI").contains("IDFirma=5"));
}

TEST_F(Settings, WriteCreatesTheFileAndLeavesNoScratchFiles)
{
    env.currentCompany = 2;
    ASSERT_TRUE(WriteSettings(env));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.ini"});
}

// Config.ini is the user's alone, also one an earlier version left
// readable by everyone; one given to a group on purpose stays so.
TEST_F(Settings, TheFileIsTheUsersAlone)
{
    const auto modeOf = [&] { return QFileInfo(dir.filePath("Config.ini")).permissions() & 0x7077; };
    const QFileDevice::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    ASSERT_TRUE(WriteSettings(env));
    EXPECT_EQ(modeOf(), ownerOnly);
    QFile::setPermissions(dir.filePath("Config.ini"), ownerOnly | QFile::ReadGroup | QFile::ReadOther);
    ASSERT_TRUE(WriteSettings(env));
    EXPECT_EQ(modeOf(), ownerOnly);
    QFile::setPermissions(dir.filePath("Config.ini"), ownerOnly | QFile::ReadGroup | QFile::WriteGroup);
    ASSERT_TRUE(WriteSettings(env));
    EXPECT_EQ(modeOf(), ownerOnly | QFile::ReadGroup | QFile::WriteGroup);
}

TEST_F(Settings, UnwritableFolderFailsWithoutHarm)
{
    // A file stands where the folder should be.
    write("blocked", "x");
    env.workingFolder = dir.filePath("blocked");
    EXPECT_FALSE(WriteSettings(env));
    EXPECT_EQ(read("blocked"), "x");
}

TEST_F(Settings, VendorAddressIsAWebAddressOrTheDefault)
{
    const struct {
        QByteArray value;
        QString expected;
    } cases[] = {
        {"http://127.0.0.1:8765", "http://127.0.0.1:8765"},
        {"https://www.vorlane.example/", "https://www.vorlane.example"},
        {"https://host.example/mirelo//", "https://host.example/mirelo"},
        {"  http://localhost:1  ", "http://localhost:1"},
        {"www.vorlane.example", kDefaultVendorUrl},   // no scheme
        {"ftp://host.example", kDefaultVendorUrl},
        {"file:///etc/passwd", kDefaultVendorUrl},
        {"https://", kDefaultVendorUrl},
        {"https://host.example/?q=1", kDefaultVendorUrl},
        {"", kDefaultVendorUrl},
    };
    for (const auto &c : cases) {
        write("Config.ini", "[Ustawienia]\nAdresDostawcy=" + c.value + "\n");
        env.vendorUrl = QStringLiteral("stale");
        ReadSettings(env);
        EXPECT_EQ(env.vendorUrl, c.expected) << c.value.toStdString();
    }
    EXPECT_TRUE(kDefaultVendorUrl.endsWith(QStringLiteral(".example")));

    // The program's own writes keep the office's address.
    write("Config.ini", "[Ustawienia]\nAdresDostawcy=http://127.0.0.1:8765\n");
    ReadSettings(env);
    ASSERT_TRUE(WriteSettings(env));
    env.vendorUrl.clear();
    ReadSettings(env);
    EXPECT_EQ(env.vendorUrl, "http://127.0.0.1:8765");
    EXPECT_EQ(env.vendorPage("/kontakt.htm"), "http://127.0.0.1:8765/kontakt.htm");
    EXPECT_EQ(env.vendorAddress(), "127.0.0.1:8765");
}

// As editors leave it: with UTF-8's byte-order mark, a comment after a
// number, reached through a link.
TEST_F(Settings, AFileAsEditorsLeaveItIsReadAndWrittenBack)
{
    write("Config.ini", "\xEF\xBB\xBF[Ustawienia]\r\nIDFirma=5\r\nAdresDostawcy=http://127.0.0.1:8765\r\n");
    ReadSettings(env);
    EXPECT_EQ(env.currentCompany, 5);
    EXPECT_EQ(env.vendorUrl, "http://127.0.0.1:8765");
    ASSERT_TRUE(WriteSettings(env));
    const QByteArray written = read("Config.ini");
    EXPECT_TRUE(written.startsWith("\xEF\xBB\xBF[Ustawienia]\r\nIDFirma=5\r\n")) << written.toStdString();
    EXPECT_EQ(written.count("[Ustawienia]"), 1);

    const struct {
        QByteArray lines;
        int company;
        bool doubleRow;
    } numbers[] = {
        {"WierszPodwojny=0 ; komentarz\nIDFirma=12;stara firma\n", 12, false},
        {"WierszPodwojny= 0\t# nie\nIDFirma=-3\n", -3, false},
        {"WierszPodwojny=tak\nIDFirma=firma\n", 1, true},
    };
    for (const auto &c : numbers) {
        write("Config.ini", "[Ustawienia]\n" + c.lines);
        ReadSettings(env);
        EXPECT_EQ(env.currentCompany, c.company) << c.lines.toStdString();
        EXPECT_EQ(env.doubleRow, c.doubleRow) << c.lines.toStdString();
    }

    QDir(dir.path()).mkdir("biuro");
    QFile::remove(dir.filePath("Config.ini"));
    write("biuro/mirelo.ini", "[Ustawienia]\nIDFirma=2\n");
    ASSERT_TRUE(QFile::link("biuro/mirelo.ini", dir.filePath("Config.ini")));
    ReadSettings(env);
    env.currentCompany = 9;
    ASSERT_TRUE(WriteSettings(env));
    EXPECT_TRUE(QFileInfo(dir.filePath("Config.ini")).isSymLink()) << "the link was replaced by a file";
    EXPECT_TRUE(read("biuro/mirelo.ini").contains("IDFirma=9"));
    EXPECT_EQ(QDir(dir.filePath("biuro")).entryList(QDir::Files | QDir::Hidden), QStringList{"mirelo.ini"});
}

TEST_F(Settings, AFileEditedByHandKeepsEverythingTheProgramDoesNotOwn)
{
    // Comments, another program's section, a Windows-1250 text, a path with
    // backslashes, quoted values, CR LF and no line break at the very end.
    const QByteArray handmade = "; ustawienia biura\r\n[Ustawienia]\r\nIDFirma = 3\r\n# komentarz\r\n"
                                "Drukarka=C:\\Dane\\x\r\nOpis=\xa3\xf3\x64\xbc\r\n\r\n[Inny program]\r\n"
                                "Sciezka=\"D:\\Program Files\\y\"\r\nKlucz=a,b,c";
    write("Config.ini", handmade);
    ReadSettings(env);
    EXPECT_EQ(env.currentCompany, 3);
    env.currentCompany = 7;
    env.doubleRow = false;
    ASSERT_TRUE(WriteSettings(env));
    EXPECT_EQ(read("Config.ini"), QByteArray("; ustawienia biura\r\n[Ustawienia]\r\nIDFirma =7\r\n# komentarz\r\n"
                                             "Drukarka=C:\\Dane\\x\r\nOpis=\xa3\xf3\x64\xbc\r\n"
                                             "WierszPodwojny=0\r\n\r\n[Inny program]\r\n"
                                             "Sciezka=\"D:\\Program Files\\y\"\r\nKlucz=a,b,c"));

    // A section the file lacks comes at its end.
    write("Config.ini", "[Inny]\nA=1");
    ASSERT_TRUE(WriteSettings(env));
    EXPECT_EQ(read("Config.ini"), QByteArray("[Inny]\nA=1\n\n[Ustawienia]\nIDFirma=7\nWierszPodwojny=0\n"));
    app::IniFile file(dir.filePath("Config.ini"));
    EXPECT_EQ(file.value("inny", "a"), "1");
    EXPECT_TRUE(file.value("Inny", "B").isNull());
}

TEST_F(Settings, AWriteCutShortLeavesTheOldFileAndItsScratchGoesAtTheNextStart)
{
    write("Config.ini", "[Ustawienia]\nIDFirma=3\n");
    // What a write killed half-way leaves: the scratch file, the old file intact.
    const QString scratch = app::IniFile::scratchPath(dir.filePath("Config.ini"));
    write(QFileInfo(scratch).fileName(), "[Ustawie");
    ReadSettings(env);
    EXPECT_EQ(env.currentCompany, 3);
    EXPECT_FALSE(QFile::exists(scratch));
}
