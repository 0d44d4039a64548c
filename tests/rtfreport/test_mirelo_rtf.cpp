// mirelo-rtf from the outside: exit codes, messages, data files, and a
// template written with LibreOffice that LibreOffice reads back after the
// run (skipped where LibreOffice is not installed).
//
// note_template.rtf was written by
//   soffice --headless --infilter="HTML (StarWriter)" --convert-to rtf note_template.html

#include <gtest/gtest.h>

#include "localusers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <functional>

namespace {

#ifdef MIRELO_RTF
const QString Tool = QStringLiteral(MIRELO_RTF);
#else
const QString Tool;
#endif

const QString Data = QStringLiteral(MIRELO_TEST_DATA);

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the tool; `prepare` may set up the process first (its standard
// output, the limits of the child).
Result RunTool(const QStringList &arguments, const std::function<void(QProcess &)> &prepare = {})
{
    QProcess process;
    if (prepare)
        prepare(process);
    process.start(Tool, arguments);
    // Generous: a run that fills its memory takes a while on a busy machine.
    process.waitForFinished(300000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MireloRtf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Tool.isEmpty())
            GTEST_SKIP() << "mirelo-rtf is not built";
    }

    QString Write(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir folder;
};

TEST_F(MireloRtf, VariablesOfEveryKindToStandardOutput)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\T\\\\|\\\\N\\\\|\\\\B\\\\|\\\\D\\\\|\\\\DT\\\\}");
    const Result r = RunTool({"--var", "T=Żółw", "--number", "N=1234.5", "--bool", "B=true", "--date", "D=2021-11-30",
                              "--date", "DT=2021-11-30T10:15:00", "--true", "Tak", "--lang", "1033", tmpl, "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("{\\rtf1 \\lang1033 \xaf\xf3\xb3w|\\lang1033 1234,5|\\lang1033 Tak|"
                                "\\lang1033 30.11.2021|\\lang1033 30.11.2021 10:15:00}"));
    EXPECT_TRUE(r.err.isEmpty());
}

TEST_F(MireloRtf, LocaleAndOptions)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\N\\\\\\\\MISSING\\\\}");
    const Result r = RunTool({"--locale", "en_US", "--number", "N=2.5", "--option", "eoClearMissedFields",
                              "--lang", "0", tmpl, "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("{\\rtf1 \\lang0 2.5}"));
}

TEST_F(MireloRtf, EveryFieldTypeOfADataFile)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\SCAN(A)\\\\[\\\\A:S\\\\|\\\\A:M\\\\|\\\\A:I\\\\|\\\\A:L\\\\|"
                                        "\\\\A:F\\\\|\\\\FNUM(A:C,10:2)\\\\|\\\\A:B\\\\|\\\\A:T\\\\|\\\\A:D\\\\|"
                                        "\\\\A:H\\\\|\\\\A:DT\\\\|\\\\A:G\\\\]\\\\ENDSCAN\\\\}");
    const Result r = RunTool({"--lang", "0", "--data", Data + "/all_field_types.json", tmpl, "-"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray firstRow = r.out.mid(r.out.indexOf('['), r.out.indexOf(']') - r.out.indexOf('[') + 1);
    EXPECT_EQ(firstRow, QByteArray("[\\lang0 tekst|\\lang0 notatka|\\lang0 42|\\lang0 9007199254740993|"
                                   "\\lang0 2,5|\\lang0 1\xa0" "234,50 z\xb3|\\lang0 7,25|\\lang0 True|\\lang0 30.11.2021|"
                                   "\\lang0 10:15:00|\\lang0 30.11.2021|]"));
    EXPECT_EQ(r.out.count('['), 2);
    // The second row is all nulls: empty texts, and False for the boolean.
    const QByteArray secondRow = r.out.mid(r.out.lastIndexOf('['), r.out.lastIndexOf(']') - r.out.lastIndexOf('[') + 1);
    EXPECT_EQ(secondRow, QByteArray("[\\lang0 |\\lang0 |\\lang0 |\\lang0 |\\lang0 |\\lang0 |\\lang0 |\\lang0 False|"
                                    "\\lang0 |\\lang0 |\\lang0 |]"));
}

// Currency and BCD values become ten-thousandths: decimal text exactly
// (digits past the fourth decimal round half away from zero), JSON numbers
// through their double. Shown as the field's text, as the amount times
// 10000 in an expression, and as the BCD field's text.
struct AmountCase {
    const char *name;
    const char *json;
    QByteArray currencyText;
    QByteArray timesTenThousand;
    QByteArray bcdText;
};

class MireloRtfAmounts : public MireloRtf, public ::testing::WithParamInterface<AmountCase> {};

TEST_P(MireloRtfAmounts, AreTenThousandths)
{
    const AmountCase &c = GetParam();
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\SCAN(A)\\\\\\\\A:C\\\\|\\\\A:C*10000\\\\|\\\\A:B\\\\\\\\ENDSCAN\\\\}");
    const QString data = Write("d.json", QByteArray("{\"name\": \"X\", \"fields\": [{\"name\": \"C\", \"type\": \"currency\"}, "
                                                    "{\"name\": \"B\", \"type\": \"bcd\"}], \"rows\": [[")
                                             + c.json + ", " + c.json + "]]}");
    const Result r = RunTool({"--lang", "0", "--data", data, tmpl, "-"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "{\\rtf1 \\lang0 " + c.currencyText + "|\\lang0 " + c.timesTenThousand + "|\\lang0 " + c.bcdText + "}");
}

INSTANTIATE_TEST_SUITE_P(
    Values, MireloRtfAmounts,
    ::testing::Values(
        AmountCase{"fifth_decimal_rounds_up", "\"12.34565\"", "12,35 z\xb3", "123457", "12,3457"},
        AmountCase{"negative_rounds_away_from_zero", "\"-12.34565\"", "-12,35 z\xb3", "-123457", "-12,3457"},
        AmountCase{"below_half_of_the_last_place", "\"0.00004999\"", "0,00 z\xb3", "0", "0"},
        AmountCase{"beyond_a_double", "\"900719925474099.15\"",
                   "900\xa0" "719\xa0" "925\xa0" "474\xa0" "099,15 z\xb3", "9,00719925474099E18", "900719925474099"},
        AmountCase{"largest", "\"-922337203685477.5807\"",
                   "-922\xa0" "337\xa0" "203\xa0" "685\xa0" "477,58 z\xb3", "-9,22337203685478E18", "-922337203685478"},
        AmountCase{"blanks_and_sign", "\" +7 \"", "7,00 z\xb3", "70000", "7"},
        AmountCase{"point_without_digits", "\"5.\"", "5,00 z\xb3", "50000", "5"},
        AmountCase{"exponent", "\"1.5e2\"", "150,00 z\xb3", "1500000", "150"},
        AmountCase{"json_number", "2.5", "2,50 z\xb3", "25000", "2,5"},
        AmountCase{"json_integer", "1234", "1\xa0" "234,00 z\xb3", "12340000", "1234"}),
    [](const auto &info) { return std::string(info.param.name); });

// The parser reads a little past the end of the bytes it is given: files
// ending anywhere around a page boundary read alike.
TEST_F(MireloRtf, DataFilesEndingAnywhereOnAPage)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\SCAN(X)\\\\\\\\X:A\\\\;\\\\ENDSCAN\\\\}");
    const QByteArray json = "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"integer\"}], \"rows\": [[1], [2]]}";
    for (const int size : {4096 - 65, 4096 - 64, 4096 - 63, 4096 - 1, 4096, 4096 + 1, 8192}) {
        const QString data = Write("d.json", json + QByteArray(size - json.size(), ' '));
        const Result r = RunTool({"--lang", "0", "--data", data, tmpl, "-"});
        EXPECT_EQ(r.exitCode, 0) << size << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, QByteArray("{\\rtf1 \\lang0 1;\\lang0 2;}")) << size;
    }
}

// A field's texts that repeat are held once while they repeat, and each on
// its own after they stop repeating: every row reads back its own text.
TEST_F(MireloRtf, RepeatedAndSingleTextsReadBackAsGiven)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\SCAN(X)\\\\\\\\X:A\\\\;\\\\ENDSCAN\\\\}");
    QByteArray json = "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"string\"}], \"rows\": [";
    QByteArray expected = "{\\rtf1 ";
    for (int i = 0; i < 20000; ++i) {
        // 100 texts over and over, then texts seen once.
        const QByteArray text = i % 3 == 0 ? QByteArray("same") : "t" + QByteArray::number(i < 5000 ? i % 100 : i);
        json += (i ? ", [\"" : "[\"") + text + "\"]";
        expected += "\\lang0 " + text + ";";
    }
    const QString data = Write("d.json", json + "]}");
    const Result r = RunTool({"--lang", "0", "--data", data, tmpl, "-"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out == expected + "}");
}

TEST_F(MireloRtf, DataFileMembersInAnyOrder)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\SCAN(X)\\\\\\\\X:A\\\\;\\\\ENDSCAN\\\\}");
    const QString data = Write("d.json", "{\"rows\": [[1], [2]], \"extra\": {\"x\": [1]}, \"fields\": "
                                         "[{\"type\": \"integer\", \"name\": \"A\"}], \"name\": \"X\"}");
    const Result r = RunTool({"--lang", "0", "--data", data, tmpl, "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("{\\rtf1 \\lang0 1;\\lang0 2;}"));
}

TEST_F(MireloRtf, DataFileFromAPipe)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\SCAN(X)\\\\\\\\X:A\\\\;\\\\ENDSCAN\\\\}");
    QProcess process;
    process.start(Tool, {"--lang", "0", "--data", "/dev/stdin", tmpl, "-"});
    ASSERT_TRUE(process.waitForStarted());
    process.write("{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"string\"}], "
                  "\"rows\": [[\"z potoku\"]]}");
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(process.readAllStandardOutput(), QByteArray("{\\rtf1 \\lang0 z potoku;}"));
}

TEST_F(MireloRtf, FailedRunExitsWithOneAndLeavesNoOutput)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 \\\\SCAN(A)\\\\x\\\\ENDSCAN\\\\}");
    const QString output = folder.filePath("out.rtf");
    const Result r = RunTool({tmpl, output});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QByteArray("mirelo-rtf: Scan Alias not found: A\n"
                                "mirelo-rtf: place: field 1 \"\\SCAN(A)\\\" at byte 7, at the beginning of the document\n"));
    EXPECT_FALSE(QFile::exists(output));

    const Result missing = RunTool({folder.filePath("none.rtf"), output});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, ("mirelo-rtf: Can't read file " + folder.filePath("none.rtf") + "\n").toUtf8());
}

// A failed run leaves an output file that was there exactly as it was, and
// no scratch file beside it.
TEST_F(MireloRtf, FailedRunLeavesAnExistingOutputAsItWas)
{
    const QString failing = Write("failing.rtf", "{\\rtf1 \\\\SCAN(A)\\\\x\\\\ENDSCAN\\\\}");
    const QString large = Write("large.rtf", "{\\rtf1 " + QByteArray(5000, 'x') + "}");
    const QString output = folder.filePath("out.rtf");
    const struct {
        QStringList arguments;
        const char *message;
    } runs[] = {
        {{folder.filePath("none.rtf"), output}, "Can't read file"},
        {{failing, output}, "Scan Alias not found: A"},
        {{"--max-output", "4K", large, output}, "The report is larger than the output limit of 4096 bytes"},
    };
    for (const auto &run : runs) {
        Write("out.rtf", "keep\n");
        const QStringList before = QDir(folder.path()).entryList(QDir::Files);
        const Result r = RunTool(run.arguments);
        EXPECT_EQ(r.exitCode, 1) << run.message;
        EXPECT_TRUE(r.err.contains(run.message)) << r.err.toStdString();
        EXPECT_EQ(ReadFile(output), QByteArray("keep\n")) << run.message;
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), before) << run.message;
    }
    // A document of exactly the limit is written.
    const Result r = RunTool({"--max-output", "5008", large, output});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(ReadFile(output), "{\\rtf1 " + QByteArray(5000, 'x') + "}");
}

// The template named as the output in any way that leads to its file is
// refused before anything is opened for writing: the template stays.
TEST_F(MireloRtf, OutputThatIsTheTemplateIsRefused)
{
    for (const QByteArray &bytes : {QByteArray("{\\rtf1 x}"), QByteArray("{\\rtf1 \\\\SCAN(A)\\\\}")}) {
        const QString tmpl = Write("t.rtf", bytes);
        QFile::remove(folder.filePath("link.rtf"));
        QFile::remove(folder.filePath("hard.rtf"));
        ASSERT_TRUE(QFile::link(tmpl, folder.filePath("link.rtf")));
        ASSERT_EQ(::link(QFile::encodeName(tmpl).constData(), QFile::encodeName(folder.filePath("hard.rtf")).constData()), 0);
        for (const QString &output : {tmpl, folder.path() + "/./t.rtf", folder.filePath("link.rtf"), folder.filePath("hard.rtf")}) {
            const Result r = RunTool({tmpl, output});
            EXPECT_EQ(r.exitCode, 2) << output.toStdString();
            EXPECT_TRUE(r.err.contains("is the template")) << r.err.toStdString();
            EXPECT_EQ(ReadFile(tmpl), bytes) << output.toStdString();
        }
    }
}

// The data file is refused as the output as the template is: in any way
// that leads to its file, before anything is opened for writing.
TEST_F(MireloRtf, OutputThatIsADataFileIsRefused)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 x}");
    const QByteArray json = "{\"name\": \"X\", \"fields\": [], \"rows\": []}";
    const QString first = Write("first.json", json);
    const QString data = Write("d.json", json);
    ASSERT_TRUE(QFile::link(data, folder.filePath("link.json")));
    ASSERT_EQ(::link(QFile::encodeName(data).constData(), QFile::encodeName(folder.filePath("hard.json")).constData()), 0);
    for (const QString &output : {data, folder.path() + "/./d.json", folder.filePath("link.json"), folder.filePath("hard.json")}) {
        const Result r = RunTool({"--data", first, "--data", data, tmpl, output});
        EXPECT_EQ(r.exitCode, 2) << output.toStdString();
        EXPECT_TRUE(r.err.startsWith(("mirelo-rtf: OUTPUT " + output + " is the data file " + data).toUtf8()))
            << r.err.toStdString();
        EXPECT_EQ(ReadFile(data), json) << output.toStdString();
    }
}

// In a folder everyone may write to, as /tmp is, another user's link at
// the output would have the run replace the file it leads to, or make a
// file where a dangling one points. The run fails naming the output, and
// the link, the file it leads to and both folders stay as they were.
TEST_F(MireloRtf, OutputThatIsASymbolicLinkIsNeverWrittenThrough)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 x}");
    const QString shared = testsupport::stickyFolder(folder.filePath("shared"));
    QDir().mkpath(folder.filePath("home"));
    const QString victim = Write("home/important.odt", "the victim's own\n");
    const QString output = shared + "/out.rtf";
    const auto entries = [](const QString &path) {
        return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    for (const QString &target : {victim, folder.filePath("home/new.odt")}) {
        QFile::remove(output);
        ASSERT_TRUE(testsupport::plantLink(target, output));
        const Result r = RunTool({tmpl, output});
        EXPECT_EQ(r.exitCode, 1) << target.toStdString();
        EXPECT_EQ(r.err, ("mirelo-rtf: Cannot create file \"" + output
                          + "\". It is a symbolic link, and nothing is written through one.\n")
                             .toUtf8());
        EXPECT_EQ(ReadFile(victim), "the victim's own\n");
        EXPECT_EQ(entries(folder.filePath("home")), QStringList{"important.odt"});
        EXPECT_EQ(QFileInfo(output).symLinkTarget(), target);
        EXPECT_EQ(entries(shared), QStringList{"out.rtf"});
    }
}

// Every write of the document to standard output is checked, the last
// flush included.
TEST_F(MireloRtf, FullDiskOnStandardOutputFailsTheRun)
{
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const QString tmpl = Write("t.rtf", "{\\rtf1 x}");
    const Result r = RunTool({tmpl, "-"}, [](QProcess &process) { process.setStandardOutputFile("/dev/full"); });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QByteArray("mirelo-rtf: cannot write the document to standard output: No space left on device\n"));
}

// Inputs that never end are refused at 1 GiB: a data file before the run
// (exit 2), a template by the run (exit 1).
TEST_F(MireloRtf, EndlessInputsAreRefused)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 x}");
    const Result data = RunTool({"--data", "/dev/zero", tmpl, "-"});
    EXPECT_EQ(data.exitCode, 2);
    EXPECT_TRUE(data.err.startsWith("mirelo-rtf: data file /dev/zero is larger than 1 GiB\n")) << data.err.toStdString();
    const Result templateFile = RunTool({"/dev/zero", "-"});
    EXPECT_EQ(templateFile.exitCode, 1);
    EXPECT_EQ(templateFile.err, QByteArray("mirelo-rtf: Template file /dev/zero is larger than 1 GiB\n"));
    EXPECT_TRUE(templateFile.out.isEmpty());
}

// A template that never ends is bounded by --max-output; without it, by
// the memory the document may take, which ends the run with a message.
TEST_F(MireloRtf, TemplateThatNeverEndsStopsAtALimit)
{
    const QString tmpl = Write("loop.rtf", "{\\rtf1 \\\\SCAN(),WHILE(1<2)\\\\again and again \\\\ENDSCAN\\\\}");
    const Result bounded = RunTool({"--max-output", "1M", tmpl, "-"});
    EXPECT_EQ(bounded.exitCode, 1);
    EXPECT_EQ(bounded.err, QByteArray("mirelo-rtf: The report is larger than the output limit of 1048576 bytes\n"));
    EXPECT_TRUE(bounded.out.isEmpty());

    const Result outOfMemory = RunTool({tmpl, "-"}, [](QProcess &process) {
        process.setChildProcessModifier([] {
            const rlimit memory{400 << 20, 400 << 20};
            setrlimit(RLIMIT_AS, &memory);
        });
    });
    EXPECT_EQ(outOfMemory.exitCode, 1);
    EXPECT_EQ(outOfMemory.err, QByteArray("mirelo-rtf: Not enough memory for the report\n"));
    EXPECT_TRUE(outOfMemory.out.isEmpty());
}

// Two members of one name, or two fields of one name, would leave it to
// chance which one a template reads: refused, naming the duplicate.
TEST_F(MireloRtf, DuplicateNamesInADataFileAreRefused)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 x}");
    const struct {
        const char *json;
        const char *message;
    } cases[] = {
        {"{\"name\": \"X\", \"name\": \"Y\", \"fields\": [], \"rows\": []}", "has two members \"name\""},
        {"{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"integer\"}, "
         "{\"name\": \"a\", \"type\": \"string\"}], \"rows\": []}",
         "has two fields named a"},
        {"{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"integer\", \"type\": \"string\"}], "
         "\"rows\": []}",
         "field A has two members \"type\""},
    };
    for (const auto &c : cases) {
        const QString data = Write("d.json", c.json);
        const Result r = RunTool({"--data", data, tmpl, "-"});
        EXPECT_EQ(r.exitCode, 2) << c.json;
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}

struct BadCall {
    const char *name;
    QStringList arguments;
    const char *jsonFile;  // written as data.json when not empty
};

class MireloRtfUsage : public MireloRtf, public ::testing::WithParamInterface<BadCall> {};

TEST_P(MireloRtfUsage, ExitsWithTwoAndTheUsage)
{
    const QString tmpl = Write("t.rtf", "{\\rtf1 x}");
    if (*GetParam().jsonFile)
        Write("data.json", GetParam().jsonFile);
    QStringList arguments;
    for (QString a : GetParam().arguments)
        arguments << a.replace("DATA", folder.filePath("data.json")).replace("TMPL", tmpl);
    const Result r = RunTool(arguments);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("mirelo-rtf: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("usage: mirelo-rtf")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, MireloRtfUsage,
    ::testing::Values(
        BadCall{"no_output", {"TMPL"}, ""},
        BadCall{"unknown_argument", {"--colour", "TMPL", "-"}, ""},
        BadCall{"bad_number", {"--number", "N=1,5", "TMPL", "-"}, ""},
        BadCall{"bad_bool", {"--bool", "B=yes", "TMPL", "-"}, ""},
        BadCall{"bad_date", {"--date", "D=2021-02-30", "TMPL", "-"}, ""},
        BadCall{"variable_without_name", {"--var", "=x", "TMPL", "-"}, ""},
        BadCall{"variable_given_twice", {"--var", "NUMER=1", "--number", "numer=2", "TMPL", "-"}, ""},
        BadCall{"unknown_option_name", {"--option", "eoNothing", "TMPL", "-"}, ""},
        BadCall{"unknown_locale", {"--locale", "de_DE", "TMPL", "-"}, ""},
        BadCall{"missing_data_file", {"--data", "DATA", "TMPL", "-"}, ""},
        BadCall{"not_json", {"--data", "DATA", "TMPL", "-"}, "{\"name\": "},
        BadCall{"no_rows", {"--data", "DATA", "TMPL", "-"}, "{\"name\": \"X\", \"fields\": []}"},
        BadCall{"unknown_type", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"money\"}], \"rows\": []}"},
        BadCall{"short_row", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"integer\"}], \"rows\": [[]]}"},
        BadCall{"wrong_value", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"date\"}], \"rows\": [[\"30.11.2021\"]]}"},
        BadCall{"nested_value", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"integer\"}], \"rows\": [[[1]]]}"},
        BadCall{"long_row", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"integer\"}], \"rows\": [[1, 2]]}"},
        BadCall{"field_without_type", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\"}], \"rows\": []}"},
        BadCall{"bad_base64", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"graphic\"}], \"rows\": [[\"@@\"]]}"},
        BadCall{"amount_out_of_range", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"currency\"}], "
                "\"rows\": [[\"922337203685477.5808\"]]}"},
        BadCall{"integer_beyond_64_bits", {"--data", "DATA", "TMPL", "-"},
                "{\"name\": \"X\", \"fields\": [{\"name\": \"A\", \"type\": \"largeint\"}], "
                "\"rows\": [[9223372036854775808]]}"},
        BadCall{"max_output_unit", {"--max-output", "10X", "TMPL", "-"}, ""},
        BadCall{"max_output_zero", {"--max-output", "0", "TMPL", "-"}, ""},
        BadCall{"max_output_negative", {"--max-output", "-5", "TMPL", "-"}, ""},
        BadCall{"max_output_beyond_64_bits", {"--max-output", "9999999999G", "TMPL", "-"}, ""},
        BadCall{"output_is_the_template", {"TMPL", "TMPL"}, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(MireloRtf, HelpPrintsTheUsageAndRunsNothing)
{
    for (const QString &help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Result r = RunTool({help, "--no-such-option", folder.filePath("out.rtf")});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.startsWith("usage: mirelo-rtf")) << r.out.toStdString();
        EXPECT_TRUE(r.err.isEmpty());
        EXPECT_FALSE(QFile::exists(folder.filePath("out.rtf")));
    }
}

// Pictures stored as JPEG or PNG are decoded by the tool and embedded as a
// metafile, not refused.
TEST_F(MireloRtf, CompressedPicturesAreEmbedded)
{
    const QString tmpl = Write("picture.rtf", "{\\rtf1\\ansi Zdj\\'eacie: \\\\A.FOTO\\\\\\par}");
    for (const char *fixture : {"picture_red.jpg", "picture_red.png"}) {
        const QByteArray picture = ReadFile(Data + "/" + fixture).toBase64();
        const QString data = Write("pictures.json",
                                   "{\"name\": \"ZDJECIA\", \"fields\": [{\"name\": \"FOTO\", \"type\": \"graphic\"}], "
                                   "\"rows\": [[\"" + picture + "\"]]}");
        const QString output = folder.filePath("picture_out.rtf");
        const Result r = RunTool({"--data", data, tmpl, output});
        ASSERT_EQ(r.exitCode, 0) << fixture << ": " << r.err.toStdString();
        const QByteArray document = ReadFile(output);
        EXPECT_TRUE(document.contains("\\emfblip")) << fixture << ": " << document.left(400).constData();
        EXPECT_FALSE(document.contains("Can't load")) << fixture;
    }
}

// The templates LibreOffice wrote with one mistake each (see
// test_errorplace.cpp): the engine's message stays the first line, the
// place of the field follows on the second.
TEST_F(MireloRtf, AFailedFieldIsPlacedOnASecondLine)
{
    const struct {
        const char *file;
        const char *message;
        const char *place;
    } cases[] = {
        {"unknown_dataset", "Scan Alias not found: B",
         "field 4 \"\\SCAN(B)\\\" at byte 2500, after \"…z dnia DATA Odbiorca: ODBIORCA\""},
        {"unclosed_scan", "Nesting error - endscan expected, but end of document found",
         "field 4 \"\\SCAN(A)\\\" at byte 2500, after \"…z dnia DATA Odbiorca: ODBIORCA\""},
        {"division_by_zero", "Division by zero. Operation \"/\", expression RAZEM/0",
         "field 9 \"\\FNUM(RAZEM/0,12:2)\\\" at byte 3790, after \"…SCAN,SUM(A:KWOTA,RAZEM) Razem:\""},
        {"slownie_of_text", "'Firma Żółw' is not a valid floating point value",
         "field 9 \"\\SLOWNIE(ODBIORCA)\\\" at byte 3790, after \"…SCAN,SUM(A:KWOTA,RAZEM) Razem:\""},
    };
    for (const auto &c : cases) {
        const Result r = RunTool({"--var", "NUMER=7/2021", "--date", "DATA=2021-11-30", "--var", "ODBIORCA=Firma Żółw",
                                  "--var", "STRONA=https://example.com|example.com", "--data",
                                  Data + "/note_positions.json", Data + "/broken/" + c.file + ".rtf", "-"});
        EXPECT_EQ(r.exitCode, 1) << c.file;
        EXPECT_TRUE(r.out.isEmpty()) << c.file;
        EXPECT_EQ(QString::fromUtf8(r.err), u"mirelo-rtf: "_qs + QString::fromUtf8(c.message) + u"\nmirelo-rtf: place: "_qs
                                                + QString::fromUtf8(c.place) + u'\n')
            << c.file;
    }
}

TEST_F(MireloRtf, LibreOfficeReadsTheNoteMadeFromItsOwnTemplate)
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QString output = folder.filePath("note.rtf");
    const Result r = RunTool({"--var", "NUMER=7/2021", "--date", "DATA=2021-11-30", "--var", "ODBIORCA=Firma Żółw",
                              "--var", "STRONA=https://example.com|example.com", "--data",
                              Data + "/note_positions.json", Data + "/note_template.rtf", output});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(ReadFile(output).contains("HYPERLINK \"https://example.com\""));

    QProcess process;
    process.start(soffice, {"-env:UserInstallation=file://" + folder.filePath("profile"), "--headless",
                            "--convert-to", "txt:Text (encoded):UTF8", "--outdir", folder.path(), output});
    ASSERT_TRUE(process.waitForFinished(120000));
    QString text = QString::fromUtf8(ReadFile(folder.filePath("note.txt")));
    text.remove(QChar(0xFEFF));
    const QString expected = QString::fromUtf8(ReadFile(Data + "/note_template.txt"));
    EXPECT_EQ(text.trimmed().toStdString(), expected.trimmed().toStdString());
}

} // namespace
