// The pick list's file: each encoding read right and written back byte for
// byte, line ends, the file swapped in whole or not at all, and the rules
// for the chosen value and the search.
#include "picklistfile.h"
#include "qtprinters.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using app::TextEncoding;
using app::PickListFile;

namespace {

using testsupport::contents;
using testsupport::write;

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    for (QChar c : text) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
        if (bigEndian)
            bytes.append(high).append(low);
        else
            bytes.append(low).append(high);
    }
    return bytes;
}

// The file's lines, expecting it to read.
QStringList readLines(PickListFile &file)
{
    QStringList lines;
    QString reason;
    EXPECT_TRUE(file.read(lines, reason)) << reason.toStdString();
    return lines;
}

const QString kFirst = QStringLiteral("Zażółć gęślą jaźń");
const QString kSecond = QStringLiteral("Koszt:\tŁódź");
const QString kAdded = QStringLiteral("Żółw ŚĆŃ");

struct EncodingCase {
    const char *name;
    TextEncoding encoding;
    QByteArray file;   // kFirst and kSecond, each ended by CR LF
    QByteArray added;  // kAdded and CR LF
};

void PrintTo(const EncodingCase &c, std::ostream *out) { *out << c.name; }

const QString kFileText = kFirst + "\r\n" + kSecond + "\r\n";
const QString kAddedText = kAdded + "\r\n";

const EncodingCase kEncodingCases[] = {
    {"Utf8WithMark", TextEncoding::Utf8WithMark, "\xEF\xBB\xBF" + kFileText.toUtf8(), kAddedText.toUtf8()},
    {"Utf16LEWithMark", TextEncoding::Utf16LEWithMark, "\xFF\xFE" + utf16(kFileText, false),
     utf16(kAddedText, false)},
    {"Utf16BEWithMark", TextEncoding::Utf16BEWithMark, "\xFE\xFF" + utf16(kFileText, true),
     utf16(kAddedText, true)},
    {"Utf8", TextEncoding::Utf8, kFileText.toUtf8(), kAddedText.toUtf8()},
    {"Windows1250", TextEncoding::Windows1250,
     "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1\r\nKoszt:\t\xA3\xF3" "d\x9F\r\n",
     "\xAF\xF3\xB3w \x8C\xC6\xD1\r\n"},
};

class PickListEncoding : public ::testing::TestWithParam<EncodingCase> {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("Opisy.txt");
};

} // namespace

TEST_P(PickListEncoding, ReadsTheLinesAndWritesThemBackInTheSameBytes)
{
    const EncodingCase &c = GetParam();
    write(path, c.file);
    PickListFile file(path);
    const QStringList lines = readLines(file);
    EXPECT_EQ(lines, QStringList({kFirst, kSecond}));
    EXPECT_EQ(file.encoding(), c.encoding);

    QString reason;
    ASSERT_TRUE(file.write(lines, reason)) << reason.toStdString();
    EXPECT_EQ(contents(path), c.file);
    ASSERT_TRUE(file.write(lines + QStringList{kAdded}, reason)) << reason.toStdString();
    EXPECT_EQ(contents(path), c.file + c.added);
}

INSTANTIATE_TEST_SUITE_P(, PickListEncoding, ::testing::ValuesIn(kEncodingCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(PickListFile, EveryByteOfTheCodePageSurvivesAChangeElsewhere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Opisy.txt");
    // The high half of the code page, undefined bytes included, on one line;
    // 0x81 first makes it invalid UTF-8.
    QByteArray high;
    for (int b = 0x80; b < 0x100; ++b)
        high += char(b);
    high.prepend('\x81');
    write(path, high + "\r\n");

    PickListFile file(path);
    const QStringList lines = readLines(file);
    ASSERT_EQ(file.encoding(), TextEncoding::Windows1250);
    QString reason;
    ASSERT_TRUE(file.write(lines + QStringList{"x"}, reason)) << reason.toStdString();
    EXPECT_EQ(contents(path), high + "\r\nx\r\n");
}

TEST(PickListFile, ACharacterTheCodePageLacksTurnsTheFileIntoUtf8WithAMark)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Opisy.txt");
    write(path, "\xA3\xF3" "d\x9F\r\n");
    PickListFile file(path);
    QStringList lines = readLines(file);
    lines << QStringLiteral("Señor → 5 €");

    QString reason;
    ASSERT_TRUE(file.write(lines, reason)) << reason.toStdString();
    EXPECT_EQ(contents(path), "\xEF\xBB\xBF" + QStringLiteral("Łódź\r\nSeñor → 5 €\r\n").toUtf8());
    EXPECT_EQ(file.encoding(), TextEncoding::Utf8WithMark);
    PickListFile again(path);
    EXPECT_EQ(readLines(again), lines);
}

TEST(PickListFile, LineEnds)
{
    struct Case {
        QByteArray file;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\n\r\n\nb\r\n", {"a", "", "", "b"}},
        {"a\rb\r\n", {"a\rb"}},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("Opisy.txt");
    for (const Case &c : cases) {
        write(path, c.file);
        PickListFile file(path);
        EXPECT_EQ(readLines(file), c.lines) << c.file.toStdString();
    }

    PickListFile file(path);
    QString reason;
    ASSERT_TRUE(file.write({"a", "", "b"}, reason));
    EXPECT_EQ(contents(path), "a\r\n\r\nb\r\n");
    ASSERT_TRUE(file.write({}, reason));
    EXPECT_EQ(contents(path), "");
}

TEST(PickListFile, AMissingFileIsAnEmptyListAndIsCreatedAsUtf8WithoutAMark)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Opisy.txt");
    PickListFile file(path);
    EXPECT_TRUE(readLines(file).isEmpty());
    EXPECT_FALSE(QFile::exists(path));

    QString reason;
    ASSERT_TRUE(file.write({QStringLiteral("Łódź")}, reason));
    EXPECT_EQ(contents(path), QStringLiteral("Łódź\r\n").toUtf8());
}

namespace {

// Permission bits do not stop root: the checks that need them run as an
// ordinary user for a while, over files that user owns. The real user
// changes too, as access() asks for it; root stays the saved one to return to.
constexpr uid_t kOrdinaryUser = 65534;

class AsOrdinaryUser {
public:
    AsOrdinaryUser() : m_wasRoot(geteuid() == 0)
    {
        if (m_wasRoot) {
            EXPECT_EQ(setresuid(kOrdinaryUser, kOrdinaryUser, 0), 0);
        }
    }
    ~AsOrdinaryUser()
    {
        if (m_wasRoot) {
            EXPECT_EQ(setresuid(0, 0, 0), 0);
        }
    }
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

private:
    const bool m_wasRoot;
};

void giveToOrdinaryUser(const QString &path)
{
    if (geteuid() == 0) {
        ASSERT_EQ(chown(QFile::encodeName(path).constData(), kOrdinaryUser, gid_t(-1)), 0);
    }
}

class PickListFileFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(dir.path()).mkdir("lista"));
        giveToOrdinaryUser(dir.path());
        giveToOrdinaryUser(folder);
        write(path, kOld);
        giveToOrdinaryUser(path);
    }

    // The list folder holds the old file and nothing else.
    void expectOldFileAlone()
    {
        EXPECT_EQ(contents(path), kOld);
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"Opisy.txt"});
    }

    const QByteArray kOld = "Alfa\r\nBeta\r\n";
    QTemporaryDir dir;
    QString folder = dir.filePath("lista");
    QString path = folder + "/Opisy.txt";
};

} // namespace

TEST_F(PickListFileFailure, AFolderOrFileWithoutWritePermissionKeepsTheOldFile)
{
    struct Case {
        const char *name;
        QString target;
        QFile::Permissions permissions;
    };
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner;
    const Case cases[] = {
        {"read-only folder", folder, readOnly},
        {"read-only file", path, QFile::ReadOwner},
    };
    for (const Case &c : cases) {
        const QFile::Permissions before = QFile::permissions(c.target);
        ASSERT_TRUE(QFile::setPermissions(c.target, c.permissions));
        {
            AsOrdinaryUser ordinary;
            PickListFile file(path);
            const QStringList lines = readLines(file);
            QString reason;
            EXPECT_FALSE(file.write(lines + QStringList{"Gamma"}, reason)) << c.name;
            EXPECT_FALSE(reason.isEmpty()) << c.name;
        }
        QFile::setPermissions(c.target, before);
        expectOldFileAlone();
    }
}

TEST_F(PickListFileFailure, AWriteThatRunsOutOfSpaceLeavesNoHalfList)
{
    PickListFile file(path);
    QStringList lines = readLines(file);
    for (int i = 0; i < 2000; ++i)
        lines << QStringLiteral("Pozycja numer %1 z dłuższym opisem").arg(i);

    // A limit on the size of written files fails the write as a full disk does.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString reason;
    const bool written = file.write(lines, reason);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);

    EXPECT_FALSE(written);
    EXPECT_FALSE(reason.isEmpty());
    expectOldFileAlone();
}

TEST_F(PickListFileFailure, AFileThatCannotBeReadIsNeverWrittenOver)
{
    ASSERT_TRUE(QFile::setPermissions(path, QFile::WriteOwner));
    {
        AsOrdinaryUser ordinary;
        PickListFile file(path);
        QStringList lines;
        QString reason;
        EXPECT_FALSE(file.read(lines, reason));
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_TRUE(lines.isEmpty());
        reason.clear();
        EXPECT_FALSE(file.write({"Gamma"}, reason));
        EXPECT_FALSE(reason.isEmpty());
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    expectOldFileAlone();
}

// The installed program's folder is read-only; its Opisy.txt is a link to
// the shared data folder, where the users' group may write.
using PickListFileLinked = PickListFileFailure;

TEST_F(PickListFileLinked, ASaveThroughTheLinkReplacesItsTargetAndKeepsLinkAndPermissions)
{
    const QString program = dir.filePath("program");
    const QString link = program + "/Opisy.txt";
    ASSERT_TRUE(QDir(dir.path()).mkdir("program"));
    ASSERT_TRUE(QFile::link(path, link));
    const QFile::Permissions shared =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup;
    ASSERT_TRUE(QFile::setPermissions(path, shared));
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                   | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    {
        AsOrdinaryUser ordinary;
        PickListFile file(link);
        QString reason;
        EXPECT_TRUE(file.write(readLines(file) + QStringList{"Gamma"}, reason)) << reason.toStdString();
    }
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), path);
    EXPECT_EQ(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Opisy.txt"});
    EXPECT_EQ(contents(path), kOld + "Gamma\r\n");
    EXPECT_EQ(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser), shared);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Opisy.txt"});
}

TEST(PickListValue, TheTextBeforeTheFirstColonOrTheWholeLine)
{
    const std::pair<QString, QString> cases[] = {
        {"słowo:uwaga", "słowo"},
        {"słowo : uwaga: druga", "słowo "},
        {":x", ""},
        {"bez uwagi", "bez uwagi"},
        {"", ""},
        {"kolumna\tdruga", "kolumna\tdruga"},
    };
    for (const auto &[line, value] : cases)
        EXPECT_EQ(app::valueOfLine(line), value) << line.toStdString();
}

TEST(PickListSearch, MovesOnFromTheSelectedLineAndStopsAtAMatchOrTheLast)
{
    const QStringList greek = {"Alfa", "Beta", "Gamma", "Delta"};
    struct Case {
        QStringList lines;
        int selected;
        const char *phrase;
        int found;
    };
    const Case cases[] = {
        {greek, 0, "mm", 2},
        {greek, 2, "mm", 3},   // Delta, the last line, does not match
        {greek, 3, "mm", 2},   // from the last line Alfa is the start, Beta the first tested
        {greek, 3, "alfa", 3}, // the start is never tested
        {greek, -1, "alfa", 0},
        {greek, -1, "ALF", 0},
        {greek, 1, "", 3},     // an empty phrase never matches
        {greek, 0, "ta", 1},
        {{"żółw", "Żółć", "ŻÓŁĆ"}, 0, "żółć", 1},
        {{"Łódź"}, 0, "x", 0},
        {{"Łódź"}, -1, "x", 0},
        {{}, -1, "x", -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(app::nextSearchedLine(c.lines, c.selected, QString::fromUtf8(c.phrase)), c.found)
            << c.lines.join('|').toStdString() << " from " << c.selected << " for " << c.phrase;
}
