// Templates compiled and run: fields, literals, missing fields, the field
// reader's limits and the assembly of the header tables.

#include "rprtf.h"
#include "rpdataset.h"
#include "rperrors.h"
#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rtfreport;

namespace {

constexpr char Header[] = "{\\rtf1\\ansi ";

class TemplateRun : public ::testing::Test {
protected:
    TemplateRun() : report(TRpFormatSettings::Polish())
    {
        report.CreateVar("NUMER", QStringLiteral("12/2021"));
        report.CreateVar("Company name", QStringLiteral("Vorlane"));
    }

    // The document made from a template body (the RTF header is added).
    QByteArray Run(const QByteArray &body, std::vector<TRpDataSet *> dataSets = {})
    {
        return RunTemplate(report, QByteArray(Header) + body + "}", dataSets);
    }

    // The body of the document without the header and the final brace.
    QByteArray Body(const QByteArray &body, std::vector<TRpDataSet *> dataSets = {})
    {
        const QByteArray document = Run(body, std::move(dataSets));
        return document.mid(qstrlen(Header), document.size() - qstrlen(Header) - 1);
    }

    TRpRTF report;
};

struct BodyCase {
    const char *name;
    const char *body;
    const char *expected;
};

class FieldText : public TemplateRun, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(FieldText, IsWrittenAsExpected)
{
    EXPECT_EQ(Body(GetParam().body), QByteArray(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FieldText,
    ::testing::Values(
        BodyCase{"variable", "a \\\\NUMER\\\\ b", "a \\lang0 12/2021 b"},
        BodyCase{"blanks_ignored", "\\\\ NUMER \\\\", "\\lang0 12/2021"},
        BodyCase{"bracketed_name_keeps_inner_blank", "\\\\[Company name]\\\\", "\\lang0 Vorlane"},
        BodyCase{"missing_variable_stays", "x\\\\NOSUCH\\\\y", "x\\\\NOSUCH\\\\y"},
        BodyCase{"two_literal_backslashes", "a\\\\\\\\b", "a\\\\\\\\b"},
        BodyCase{"cut_by_paragraph", "\\\\NU\\par MER\\\\", "\\\\NU\\par MER\\\\"},
        BodyCase{"windows_path", "C:\\\\Temp\\\\x", "C:\\\\Temp\\\\x"},
        BodyCase{"hex_delimiters", "\\'5cNUMER\\'5C", "\\lang0 12/2021"},
        BodyCase{"hex_delimited_missing_written_with_backslashes", "\\'5cNOSUCH\\'5c", "\\\\NOSUCH\\\\"},
        BodyCase{"partly_formatted", "\\\\NU{\\b MER}\\\\", "\\lang0 12/2021{\\b }"},
        BodyCase{"boolean_literal", "\\\\TRUE\\\\", "\\lang0 True"},
        BodyCase{"string_literal", "\\\\\"abc def\"\\\\", "\\lang0 abc def"},
        BodyCase{"date_literal", "\\\\\\{2021-11-30\\}\\\\", "\\lang0 30.11.2021"},
        BodyCase{"number_literal", "\\\\12.5\\\\", "\\lang0 12,5"},
        BodyCase{"expression", "\\\\2*3+1\\\\", "\\lang0 7"},
        BodyCase{"iif", "\\\\IIF(1>2,'a','b')\\\\", "\\lang0 b"},
        BodyCase{"unknown_function_stays", "\\\\NOSUCHFN(1)\\\\", "\\\\NOSUCHFN(1)\\\\"},
        BodyCase{"field_in_picture_group", "{\\pict \\\\NUMER\\\\}", "{\\pict \\\\NUMER\\\\}"},
        BodyCase{"escaped_braces_are_not_groups", "\\{\\\\NUMER\\\\\\}", "\\{\\lang0 12/2021\\}"},
        BodyCase{"unicode_fallback_dropped", "{\\uc2 \\\\N\\u85 xyMER\\\\}", "{\\uc2 \\lang0 12/2021}"},
        BodyCase{"quoted_backslashes_are_text", "\\\\'a\\\\b'\\\\", "\\lang0 a\\\\b"},
        BodyCase{"polish_letters_in_quotes", "\\\\'\\'bf\\'f3\\'b3\\'e6'\\\\", "\\lang0 \xbf\xf3\xb3\xe6"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TemplateRun, MissingFieldsKeepOnlyTheirFormattingWhenCleared)
{
    report.SetOptions(report.Options() | eoClearMissedFields);
    EXPECT_EQ(Body("x\\\\NO{\\b SUCH}\\\\y"), QByteArray("x{\\b }y"));
    EXPECT_EQ(Body("x\\\\NOSUCHFN{\\i (1)}\\\\y"), QByteArray("x{\\i }y"));
}

TEST_F(TemplateRun, FormFieldsAreScannedOnlyWhenAsked)
{
    const QByteArray body = "{\\field{\\*\\fldinst \\\\NUMER\\\\}{\\fldrslt \\\\NUMER\\\\}}";
    EXPECT_EQ(Body(body), body);
    report.SetOptions(report.Options() | eoProcessFormFields);
    EXPECT_EQ(Body(body), QByteArray("{\\field{\\*\\fldinst \\\\NUMER\\\\}{\\fldrslt \\lang0 12/2021}}"));
}

TEST_F(TemplateRun, FieldLongerThanTheLimitIsPlainText)
{
    const QByteArray body = "\\\\" + QByteArray(10001, 'N') + "\\\\";
    EXPECT_EQ(Body(body), body);
}

// A quotation runs over delimiters and paragraph marks alike: a long one
// closes within the limit, or every field that starts inside an unclosed
// one reads to the limit (or the end) and stays text.
TEST_F(TemplateRun, LongQuotationsInFields)
{
    const QByteArray closing = "\\\\\"" + QByteArray(9990, 'a') + "\"\\\\";
    EXPECT_EQ(Body(closing), "\\lang0 " + QByteArray(9990, 'a'));
    const QByteArray tooLong = "\\\\\"" + QByteArray(10000, 'a') + "\"\\\\";
    EXPECT_EQ(Body(tooLong), tooLong);

    const QByteArray unclosed = QByteArray("\\\\\x93").repeated(4000) + "\\par ";
    EXPECT_EQ(Body(unclosed + "\\\\NUMER\\\\"), unclosed + "\\lang0 12/2021");
    const QByteArray spread = QByteArray("\\\\\x93").repeated(3000) + "\\\\\x94\\\\";
    EXPECT_EQ(Body(spread + "x"), spread + "x");
}

TEST_F(TemplateRun, CommandNamesWinOverVariables)
{
    report.CreateVar("ELSEWHERE", QStringLiteral("x"));
    EXPECT_EQ(MessageOf<EIllegalIFUse>([&] { Run("\\\\ELSEWHERE\\\\"); }),
              QStringLiteral("Error: \"else\" must be after \"if\": ELSEWHERE"));
}

TEST_F(TemplateRun, ExpressionErrors)
{
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { Run("\\\\TRIM(FNUM(1))\\\\"); }),
              QStringLiteral("Illegal function use: expression FNUM(1) has format function FNUM, which is not "
                             "allowed within another expression"));
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { Run("\\\\TRIM(NOSUCHFN(1))\\\\"); }),
              QStringLiteral("Function not found: NOSUCHFN(1)"));
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { Run("\\\\TRIM()\\\\"); }).left(10), QStringLiteral("Illegal fu"));
}

// Formulas up to the field limit, alone and as an argument: the subtraction
// shows the operands kept in their order.
TEST_F(TemplateRun, LongFormulasCompileAndRun)
{
    const QByteArray sum = "1" + QByteArray("+1").repeated(4999);
    const QByteArray difference = "5000" + QByteArray("-1").repeated(4990);
    const QByteArray inIif = "IIF(1<2," + QByteArray("1+").repeated(4900) + "1,0)";
    EXPECT_EQ(Body("\\\\" + sum + "\\\\"), QByteArray("\\lang0 5000"));
    EXPECT_EQ(Body("\\\\" + difference + "\\\\"), QByteArray("\\lang0 10"));
    EXPECT_EQ(Body("\\\\" + inIif + "\\\\"), QByteArray("\\lang0 4901"));
    // As deep as a field can nest: one call a character.
    EXPECT_EQ(Body("\\\\" + QByteArray(9990, '!') + "(1=1)\\\\"), QByteArray("\\lang0 True"));
}

TEST_F(TemplateRun, DataFields)
{
    TRpMemoryDataSet notes("NOTY", {{"NUMER", TRpFieldType::String}, {"KWOTA", TRpFieldType::Float}},
                           TRpFormatSettings::Polish());
    notes.AppendRow({QStringLiteral("1/2021"), 1234.5});
    notes.First();
    report.SetOptions(report.Options() & ~TRpRTFOptions(eoDotAsColon));
    EXPECT_EQ(Body("\\\\A:NUMER\\\\ \\\\NOTY:(1)\\\\ \\\\A:NOSUCH\\\\", {&notes}),
              QByteArray("\\lang0 1/2021 \\lang0 1234,5 \\\\A:NOSUCH\\\\"));
    EXPECT_EQ(Body("\\\\FNUM(A:KWOTA,10:2)\\\\", {&notes}), QByteArray("\\lang0 1\xa0" "234,50"));
    notes.Next();
    EXPECT_EQ(Body("\\\\A:NUMER{\\b}\\\\", {&notes}), QByteArray(" {\\b}"));
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { Run("\\\\TRIM(A:NOSUCH)\\\\", {&notes}); }),
              QStringLiteral("Illegal function use: TRIM(A:NOSUCH) - dataset field NOSUCH not found"));
}

TEST_F(TemplateRun, HeaderTablesAreRegeneratedAndDocumentInfoDropped)
{
    const QByteArray document = Run("{\\fonttbl{\\f0\\fcharset0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                                    "{\\info{\\title T}}\\\\NUMER\\\\");
    EXPECT_TRUE(document.contains("{\\fonttbl{\\f0\\fcharset1 Arial;}}"));
    EXPECT_TRUE(document.contains("{\\colortbl;\\red255\\green0\\blue0;}"));
    EXPECT_FALSE(document.contains("\\info"));
    EXPECT_TRUE(document.endsWith("\\lang0 12/2021}"));
}

TEST_F(TemplateRun, TemplateWithoutHeaderTablesIsCopiedAsItIs)
{
    EXPECT_EQ(Run("\\pard x\\par"), QByteArray("{\\rtf1\\ansi \\pard x\\par}"));
}

TEST_F(TemplateRun, LanguageAndBooleanTexts)
{
    report.SetLang(1045);
    report.SetTrueValue(QStringLiteral("Tak"));
    EXPECT_EQ(Body("\\\\TRUE\\\\"), QByteArray("\\lang1045 Tak"));
}

TEST_F(TemplateRun, HyperlinkAndInsertedRtf)
{
    report.CreateVar("LINK", QStringLiteral("https://example.com|Strona"));
    EXPECT_EQ(Body("\\\\FLNK(LINK)\\\\"),
              QByteArray("{\\field{\\*\\fldinst {\\lang0 HYPERLINK \"https://example.com\" }}"
                         "{\\fldrslt \\lang0 Strona}}"));
    report.CreateVar("PART", QStringLiteral("{\\rtf1\\ansi {\\b bold}\\par}"));
    EXPECT_TRUE(Body("\\\\FRTF(PART)\\\\").contains("{\\b bold}"));
}

// Inserted RTF comes from data: whatever its braces, the text after the
// field stays inside the document's group.
TEST_F(TemplateRun, InsertedRtfKeepsTheDocumentBalanced)
{
    const struct {
        const char *value;
        const char *body;
    } cases[] = {
        {"{\\rtf1 a}}}}", "{\ra} after"},
        {"}}x", "x after"},
        {"{\\rtf1 {\\b a", "{\r{\\b a}} after"},
        {"{\\rtf1 a\\%}}", "{\ra} after"},
    };
    for (const auto &c : cases) {
        report.FreeVar("PART");
        report.CreateVar("PART", QString::fromLatin1(c.value));
        EXPECT_EQ(Body("{\\\\FRTF(PART)\\\\ after}"), QByteArray("{") + c.body + "}") << c.value;
    }
}

// More blocks than a 16-bit number counts, and many in one paragraph.
TEST_F(TemplateRun, SeventyThousandBlocksInOneParagraph)
{
    const QByteArray block = "\\\\IF(1<2)\\\\x\\\\ENDIF\\\\";
    EXPECT_EQ(Body(block.repeated(70000) + "\\par"), QByteArray(70000, 'x') + "\\par");
}

TEST_F(TemplateRun, TemplateThatIsNotRtfFailsWithoutOutput)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.rtf");
    const QByteArray bytes = "plain text";
    report.SetTemplateBuffer(bytes, int(bytes.size()));
    report.SetOutFile(out);
    EXPECT_EQ(MessageOf<EBadRtfFormat>([&] { report.Execute({}); }), QStringLiteral("Template is not RTF file."));
    EXPECT_FALSE(QFile::exists(out));
}

} // namespace
