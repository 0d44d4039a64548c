// Scans over data sets and conditional blocks: sections, options, braces,
// aggregates, the checks of the block commands and the nesting errors.

#include "rprtf.h"
#include "rpdataset.h"
#include "rperrors.h"
#include "rpfunc.h"
#include "test_support.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace rtfreport;

namespace {

constexpr char Header[] = "{\\rtf1\\ansi ";

class ScanRun : public ::testing::Test {
protected:
    ScanRun()
        : report(TRpFormatSettings::Polish()),
          notes("NOTY", {{"NUMER", TRpFieldType::Integer}, {"KWOTA", TRpFieldType::Float}}, TRpFormatSettings::Polish()),
          empty("PUSTE", {{"NUMER", TRpFieldType::Integer}}, TRpFormatSettings::Polish()),
          pair("PARA", {{"NUMER", TRpFieldType::Integer}}, TRpFormatSettings::Polish())
    {
        pair.AppendRow({1});
        pair.AppendRow({2});
        report.CreateVar("N", 0.0);
        notes.AppendRow({1, 10.0});
        notes.AppendRow({2, 20.5});
        notes.AppendRow({3, 30.0});
    }

    QByteArray Body(const QByteArray &body)
    {
        const QByteArray document = RunTemplate(report, QByteArray(Header) + body + "}", {&notes, &empty, &pair});
        return document.mid(qstrlen(Header), document.size() - qstrlen(Header) - 1);
    }

    TRpRTF report;
    TRpMemoryDataSet notes;
    TRpMemoryDataSet empty;
    TRpMemoryDataSet pair;
};

struct BodyCase {
    const char *name;
    const char *body;
    const char *expected;
};

class BlockText : public ScanRun, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(BlockText, IsWrittenAsExpected)
{
    EXPECT_EQ(Body(GetParam().body), QByteArray(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, BlockText,
    ::testing::Values(
        BodyCase{"scan_by_letter", "<\\\\SCAN(A)\\\\[\\\\A:NUMER\\\\]\\\\ENDSCAN\\\\>",
                 "<[\\lang0 1][\\lang0 2][\\lang0 3]>"},
        BodyCase{"scan_by_name", "\\\\SCAN(noty)\\\\\\\\NOTY:NUMER\\\\;\\\\ENDSCAN\\\\", "\\lang0 1;\\lang0 2;\\lang0 3;"},
        BodyCase{"sections", "\\\\SCAN(A)\\\\head \\\\SCANENTRY\\\\\\\\A:NUMER\\\\ \\\\SCANFOOTER\\\\foot\\\\ENDSCAN\\\\",
                 "head \\lang0 1 \\lang0 2 \\lang0 3 foot"},
        BodyCase{"empty_set_writes_one_repetition", "<\\\\SCAN(B)\\\\[\\\\B:NUMER{\\b}\\\\]\\\\ENDSCAN\\\\>", "<[ {\\b}]>"},
        BodyCase{"empty_set_with_noeof", "<\\\\SCAN(B),noeof\\\\[\\\\B:NUMER\\\\]\\\\ENDSCAN\\\\>", "<>"},
        BodyCase{"noeof_skip_keeps_braces", "<\\\\SCAN(B),noeof\\\\}{\\\\ENDSCAN\\\\>", "<}{>"},
        BodyCase{"page_between_records", "\\\\SCAN(A),page\\\\\\\\A:NUMER\\\\\\\\ENDSCAN\\\\",
                 "\\lang0 1\\page \\lang0 2\\page \\lang0 3"},
        BodyCase{"footer_closes_group_of_each_repetition",
                 "\\\\SCAN(A)\\\\{\\b \\\\A:NUMER\\\\\\\\SCANFOOTER\\\\}\\\\ENDSCAN\\\\",
                 "{\\b \\lang0 1}{\\b \\lang0 2}{\\b \\lang0 3}"},
        // The absorbed "}" is written with every repetition and balanced by a
        // "{" before the next; the expression's steps write no braces.
        BodyCase{"expression_steps_count_no_braces",
                 "{\\\\SCAN(A)\\\\}\\par \\\\UPPER('a')\\\\\\\\ENDSCAN\\\\", "{}\\lang0 A{}\\lang0 A{}\\lang0 A"},
        BodyCase{"sum_in_scanentry",
                 "\\\\SCAN(A)\\\\\\\\SCANENTRY,SUM(A:KWOTA,TOTAL)\\\\\\\\ENDSCAN\\\\=\\\\TOTAL\\\\", "=\\lang0 60,5"},
        BodyCase{"sum_restarts_at_each_entry",
                 "\\\\SCAN(C)\\\\\\\\SCAN(A),SUM(A:KWOTA,T)\\\\\\\\ENDSCAN\\\\\\\\ENDSCAN\\\\\\\\T\\\\", "\\lang0 60,5"},
        BodyCase{"sum_noreset_keeps_adding",
                 "\\\\SCAN(C)\\\\\\\\SCAN(A),SUM(A:KWOTA,T,NORESET)\\\\\\\\ENDSCAN\\\\\\\\ENDSCAN\\\\\\\\T\\\\",
                 "\\lang0 121"},
        BodyCase{"sum_over_an_empty_set_stays_0",
                 "\\\\SCAN(B),SUM(B:NUMER,S)\\\\x\\\\ENDSCAN\\\\=\\\\S\\\\", "x=\\lang0 0"},
        BodyCase{"skipped_scan_resets_its_sum",
                 "\\\\SCAN(B),noeof,SUM(B:NUMER,S)\\\\x\\\\ENDSCAN\\\\=\\\\S\\\\", "=\\lang0 0"},
        BodyCase{"sum_in_passed_over_iif_branch_is_declared",
                 "\\\\IIF(1>2,SUM(N,T2),1)\\\\=\\\\T2\\\\", "\\lang0 1=\\lang0 0"},
        // A text met again is compiled once, but each place keeps its block:
        // in the scan the sum resets at the first record only.
        BodyCase{"repeated_field_runs_in_its_own_block",
                 "\\\\SUM(A:KWOTA,T)\\\\;\\\\SCAN(A)\\\\\\\\SUM(A:KWOTA,T)\\\\;\\\\ENDSCAN\\\\=\\\\T\\\\",
                 ";;;;=\\lang0 60,5"},
        BodyCase{"repeated_condition_runs_in_its_own_block",
                 "\\\\IF(1<2)\\\\x\\\\ENDIF\\\\\\\\SCAN(A)\\\\\\\\IF(1<2)\\\\\\\\SUM(A:KWOTA,T)\\\\\\\\ENDIF\\\\\\\\ENDSCAN\\\\"
                 "=\\\\T\\\\",
                 "x=\\lang0 60,5"},
        // A condition of literals is worked out once a run; one that reads
        // the data set is worked out for every record.
        BodyCase{"constant_and_record_conditions",
                 "\\\\SCAN(A)\\\\\\\\IF(1<2)\\\\c\\\\ENDIF\\\\\\\\IF(A:NUMER<2)\\\\r\\\\ENDIF\\\\\\\\ENDSCAN\\\\",
                 "crcc"},
        BodyCase{"constant_value_written_each_time", "\\\\SCAN(A)\\\\\\\\(1+2)*2\\\\;\\\\ENDSCAN\\\\",
                 "\\lang0 6;\\lang0 6;\\lang0 6;"},
        BodyCase{"while_scan", "\\\\SCAN(),while(N<3)\\\\x\\\\SET(N,N+1)\\\\\\\\ENDSCAN\\\\", "xxx"},
        BodyCase{"if_true", "a\\\\IF(1<2)\\\\yes\\\\ENDIF\\\\b", "ayesb"},
        BodyCase{"if_false", "a\\\\IF(1>2)\\\\yes\\\\ENDIF\\\\b", "ab"},
        BodyCase{"else", "\\\\IF(1>2)\\\\yes\\\\ELSE\\\\no\\\\ENDIF\\\\", "no"},
        BodyCase{"elsif_chain_first", "\\\\IF(1<2)\\\\1\\\\ELSIF(1<2)\\\\2\\\\ELSE\\\\3\\\\ENDIF\\\\", "1"},
        BodyCase{"elsif_chain_second", "\\\\IF(1>2)\\\\1\\\\ELSIF(1<2)\\\\2\\\\ELSE\\\\3\\\\ENDIF\\\\", "2"},
        BodyCase{"elsif_chain_last", "\\\\IF(1>2)\\\\1\\\\ELSIF(2>3)\\\\2\\\\ELSE\\\\3\\\\ENDIF\\\\", "3"},
        BodyCase{"false_if_leaves_no_empty_paragraph",
                 "\\pard a\\par\n\\pard \\\\IF(1>2)\\\\\\par\nhidden\\par\n\\pard \\\\ENDIF\\\\\\par\nb\\par",
                 "\\pard a\\par\n\\pard \nb\\par"},
        BodyCase{"true_if_leaves_no_empty_paragraph",
                 "\\pard \\\\IF(1<2)\\\\\\par\nshown\\par\n\\pard \\\\ENDIF\\\\\\par\nb\\par",
                 "\\pard \nshown\\par\n\\pard \nb\\par"},
        BodyCase{"scan_in_table_row",
                 "\\trowd\\cellx100 \\\\SCAN(A)\\\\\\intbl \\\\A:NUMER\\\\\\cell\\row \\\\ENDSCAN\\\\",
                 "\\trowd\\cellx100 \\intbl \\lang0 1\\cell\\row \\intbl \\lang0 2\\cell\\row \\intbl \\lang0 3\\cell\\row "}),
    [](const auto &info) { return std::string(info.param.name); });

struct ErrorCase {
    const char *name;
    const char *body;
    const char16_t *message;
};

class BlockError : public ScanRun, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(BlockError, IsRefusedWithItsMessage)
{
    EXPECT_EQ(MessageOf<ERpError>([&] { Body(GetParam().body); }), QString::fromUtf16(GetParam().message));
    EXPECT_FALSE(report.ExecuteSuccessful());
    EXPECT_EQ(report.LastErrMsg(), QString::fromUtf16(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, BlockError,
    ::testing::Values(
        ErrorCase{"alias_beyond_the_sets", "\\\\SCAN(D)\\\\\\\\ENDSCAN\\\\", u"Scan Alias not found: D"},
        ErrorCase{"unknown_alias", "\\\\SCAN(xyz)\\\\\\\\ENDSCAN\\\\", u"Scan Alias not found: xyz"},
        ErrorCase{"no_data_set_no_while", "\\\\SCAN(),page\\\\\\\\ENDSCAN\\\\",
                  u"Either \"scan\" with DataSet or \"while\" function must be present in command SCAN(),page"},
        ErrorCase{"two_whiles", "\\\\SCAN(),while(1<2),while(1<2)\\\\\\\\ENDSCAN\\\\",
                  u"More than one \"while\" function is not allowed in command SCAN(),while(1<2),while(1<2)"},
        ErrorCase{"item_not_a_call", "\\\\SCAN(A),X\\\\\\\\ENDSCAN\\\\",
                  u"Cannot process expression X in scan command SCAN(A),X"},
        ErrorCase{"sum_target_not_a_variable", "\\\\SCAN(A),SUM(A:KWOTA,1)\\\\\\\\ENDSCAN\\\\",
                  u"Illegal function use: 1 - report variable expected as second argument in expression SUM(A:KWOTA,1)"},
        ErrorCase{"sum_of_a_missing_field", "\\\\SCAN(A),SUM(A:BRAK,T)\\\\\\\\ENDSCAN\\\\",
                  u"Illegal function use: SUM(A:BRAK,T) - dataset field BRAK not found"},
        ErrorCase{"else_after_else", "\\\\IF(1<2)\\\\\\\\ELSE\\\\\\\\ELSE\\\\\\\\ENDIF\\\\",
                  u"Error: \"else\" is not expected: ELSE"},
        ErrorCase{"endscan_inside_if", "\\\\SCAN(A)\\\\\\\\IF(1<2)\\\\\\\\ENDSCAN\\\\",
                  u"Error: Endscan is not expected: ENDSCAN"},
        ErrorCase{"scanentry_after_footer", "\\\\SCAN(A)\\\\\\\\SCANFOOTER\\\\\\\\SCANENTRY\\\\\\\\ENDSCAN\\\\",
                  u"Error: Scanentry not allowed after scanfooter: SCANENTRY"},
        ErrorCase{"endif_without_if", "\\\\ENDIF\\\\", u"Error: \"endif\" must be after \"if\": ENDIF"},
        ErrorCase{"if_with_items", "\\\\IF(1<2),x\\\\\\\\ENDIF\\\\", u"Illegal using of \"if\" command: IF(1<2),x"},
        ErrorCase{"elsif_with_items", "\\\\IF(1<2)\\\\\\\\ELSIF(2<3),x\\\\\\\\ENDIF\\\\",
                  u"Illegal using of \"elsif\" command: ELSIF(2<3),x"},
        ErrorCase{"open_scan", "\\\\SCAN(A)\\\\", u"Nesting error - endscan expected, but end of document found"},
        ErrorCase{"open_if", "\\\\IF(1<2)\\\\", u"Endif expected, but end of document found"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScanRun, ScanEventsAndSelectedRows)
{
    int before = 0, records = 0, eofs = 0;
    report.OnScanBefore = [&](TRpRTF *, TRpScanInfo &info) {
        ++before;
        notes.First();
        QList<QByteArray> rows{notes.Bookmark()};
        notes.Last();
        rows << notes.Bookmark();
        info.SetUseSelectedRows(true);
        info.SetSelectedRows(rows);
    };
    report.OnScanRecord = [&](TRpRTF *, TRpScanInfo &) { ++records; };
    report.OnScanEof = [&](TRpRTF *, TRpScanInfo &) { ++eofs; };
    EXPECT_EQ(Body("\\\\SCAN(A)\\\\\\\\A:NUMER\\\\\\\\ENDSCAN\\\\"), QByteArray("\\lang0 1\\lang0 3"));
    EXPECT_EQ(before, 1);
    EXPECT_EQ(records, 2);
    EXPECT_EQ(eofs, 1);
}

// What the scan events see of a scan's run: its data set, whether it is on
// its first pass and whether it completed; a second run of the kept
// compiled template sees the same, from a fresh state.
TEST_F(ScanRun, ScanEventsSeeTheScansRunState)
{
    QStringList seen;
    const auto record = [&](const char *event) {
        return [&seen, event, this](TRpRTF *sender, TRpScanInfo &info) {
            seen << QStringLiteral("%1 %2 %3 first=%4 completed=%5")
                        .arg(QLatin1String(event))
                        .arg(info.Number())
                        .arg(info.DataSet() ? info.DataSet()->Name() : QStringLiteral("-"))
                        .arg(info.FirstPass())
                        .arg(info.IsCompleted());
            EXPECT_EQ(sender, &report);
            EXPECT_EQ(info.OwnerReport(), &report);
        };
    };
    report.OnScanBefore = record("before");
    report.OnScanRecord = record("record");
    report.OnScanEof = record("eof");
    const QByteArray body = "\\\\SCAN(C)\\\\\\\\C:NUMER\\\\\\\\ENDSCAN\\\\"
                            "\\\\IF(1<2)\\\\y\\\\ENDIF\\\\"
                            "\\\\SCAN(B),noeof\\\\x\\\\ENDSCAN\\\\";
    const QStringList expected{
        "before 1 PARA first=1 completed=0", "record 1 PARA first=1 completed=0",
        "record 1 PARA first=0 completed=0", "eof 1 PARA first=1 completed=0",
        "before 3 PUSTE first=1 completed=0", "eof 3 PUSTE first=1 completed=0"};
    for (int run = 1; run <= 2; ++run) {
        seen.clear();
        EXPECT_EQ(Body(body), QByteArray("\\lang0 1\\lang0 2y")) << "run " << run;
        EXPECT_EQ(seen, expected) << "run " << run;
    }
}

TEST_F(ScanRun, SecondNoEofScanOverAFinishedSetIsSkipped)
{
    notes.Last();
    notes.Next();
    EXPECT_EQ(Body("\\\\SCAN(A),noeof,while(1<2)\\\\x\\\\ENDSCAN\\\\"), QByteArray(""));
}

TEST_F(ScanRun, FalseIifDoesNotCallItsTrueBranch)
{
    TRpUDFList functions;
    int calls = 0;
    TRpUDF &f = functions.Functions().Add();
    f.SetName("COUNTED");
    f.SetOnCalculate([&](TRpBaseReport *, TRpUDFArgs &, int, TRpArgument &result) {
        ++calls;
        result.variable()->SetAsString("called");
    });
    report.SetUDFList(&functions);
    EXPECT_EQ(Body("\\\\IIF(1>2,COUNTED(),'no')\\\\"), QByteArray("\\lang0 no"));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Body("\\\\IIF(1<2,COUNTED(),'no')\\\\"), QByteArray("\\lang0 called"));
    EXPECT_EQ(calls, 1);
    report.SetUDFList(nullptr);
}

TEST(ReportDataCollection, AddRegistersNothing)
{
    TRpRTF report;
    TRpMemoryDataSet notes("NOTY", {{"NUMER", TRpFieldType::Integer}});
    EXPECT_EQ(report.ReportData().Add(&notes, QStringLiteral("X")), 0);
    const QByteArray bytes = "{\\rtf1 \\\\SCAN(X)\\\\\\\\ENDSCAN\\\\}";
    report.SetTemplateBuffer(bytes, int(bytes.size()));
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    EXPECT_EQ(MessageOf<EIllegalScanUse>([&] { report.ExecuteStream({}, &out); }),
              QStringLiteral("Scan Alias not found: X"));
}

} // namespace
