// Format keywords: reading them from field texts, rendering values under
// the Polish and an English locale, data-set fields, picture placement; and
// the locale helpers they rest on.

#include "rpbasereport.h"
#include "rperrors.h"
#include "rpformat.h"
#include "rpfunc.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rtfreport;

namespace {

TRpParsedFormat Parse(const QString &text, QStringList &strings, const TRpUDFList *udfs = nullptr)
{
    return ParseFormatFunction(text, TRpFormatSettings::Polish(), strings, udfs);
}

TEST(ParseFormatFunctionTest, SlotsByKeyword)
{
    QStringList strings{"earlier"};
    TRpParsedFormat p = Parse("FNUM(x,10:2)", strings);
    EXPECT_EQ(p.format.fmtnumber, fmtFNum);
    EXPECT_EQ(p.format.precision, 10);
    EXPECT_EQ(p.format.decimals, 2);
    EXPECT_EQ(p.expression, u"x");
    p = Parse("fnum(a+b,0:3)", strings);
    EXPECT_EQ(p.format.precision, 18);
    EXPECT_EQ(p.format.decimals, 3);
    EXPECT_EQ(p.expression, u"a+b");
    EXPECT_EQ(Parse("FFIX(x)", strings).format.decimals, 2);
    EXPECT_EQ(Parse("FCUR(x,0)", strings).format.decimals, 0);
    TRpFormatSettings threeDecimals = TRpFormatSettings::English();
    threeDecimals.CurrencyDecimals = 3;
    EXPECT_EQ(ParseFormatFunction("FCUR(x)", threeDecimals, strings, nullptr).format.decimals, 3);
    EXPECT_EQ(Parse("FIMG(x)", strings).format.ImgFmt(), 0);
    EXPECT_EQ(Parse("FIMG(x,5)", strings).format.ImgFmt(), 5);
    EXPECT_EQ(Parse("FIMG(x,3:5)", strings).format.ImgFmt(), 3);
    EXPECT_EQ(Parse("FIMG(x,0:5)", strings).format.ImgFmt(), 5);
    p = Parse("FDTM(x,'dd.mm.yyyy')", strings);
    EXPECT_EQ(p.format.fmtnumber, fmtFDtm);
    EXPECT_EQ(p.format.NDtStr(), 1);
    EXPECT_EQ(strings.at(1), u"'dd.mm.yyyy'");
    EXPECT_EQ(Parse("FRTF(x)", strings).format.fmtnumber, fmtFRtf);
    // Not keywords: the text stays as it is.
    for (const char *text : {"NOFORMAT(x)", "FNUMX(x)", "FNUM()", "FNUM", "x+FNUM(y)", "TRIM(x)"}) {
        p = Parse(text, strings);
        EXPECT_EQ(p.format.fmtnumber, fmtNoFormat) << text;
        EXPECT_EQ(p.expression, QString(text));
    }
}

TEST(ParseFormatFunctionTest, RefusesWithTheEngineTexts)
{
    TRpUDFList udfs;
    TRpUDF &picture = udfs.Functions().Add();
    picture.SetName("PIC");
    picture.SetArgMaxCount(1);
    picture.SetResultType(udfrPicture);
    QStringList strings;
    EXPECT_EQ(Parse("FIMG(PIC(x))", strings, &udfs).format.fmtnumber, fmtFImg);
    const std::vector<TextCase> cases = {
        {u"FNUM(x,:2)", u"Illegal use of format function FNUM(x,:2) - cannot understand argument :2"},
        {u"FNUM(x,2:)", u"Illegal use of format function FNUM(x,2:) - cannot understand argument 2:"},
        {u"FNUM(x,a)", u"Illegal use of format function FNUM(x,a) - cannot understand argument a"},
        {u"FFIX(x,1:2:3)", u"Illegal use of format function FFIX(x,1:2:3) - cannot understand argument 1:2:3"},
        {u"FIMG(x,-1)", u"Illegal use of format function FIMG(x,-1) - cannot understand argument -1"},
        {u"FDTM(x)", u"Illegal format function use: FDTM(x) - number of arguments is less than minimum required"},
        {u"FNUM(x,1,2)", u"Illegal format function use: FNUM(x,1,2) - number of arguments is more than maximum allowed"},
        {u"FBOOL(x,1)", u"Illegal format function use: FBOOL(x,1) - number of arguments is more than maximum allowed"},
        {u"FNUM((x)", u"Brackets balance violation in format function FNUM((x)"},
        {u"FNUM(VAR(a))", u"Format function FNUM doesn't conform to it's expression: VAR(a)"},
        {u"FNUM(PIC(a))", u"Format function FNUM doesn't conform to it's expression: PIC(a)"},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { Parse(QString::fromUtf16(c.input), strings, &udfs); }),
                  QString::fromUtf16(c.expected));
}

class FormatValueTest : public ::testing::Test {
protected:
    // Renders a value under a field text such as "FNUM(x,2)".
    QString Render(TRpBaseReport &report, const QString &fieldText, const QString &value)
    {
        const TRpParsedFormat parsed = ParseFormatFunction(fieldText, report.FormatSettings(), strings, nullptr);
        return FormatValueText(value, parsed.format, report, strings);
    }

    QStringList strings;
    TRpBaseReport polish{TRpFormatSettings::Polish()};
    TRpBaseReport english{TRpFormatSettings::English()};
};

TEST_F(FormatValueTest, NumericKeywordsUnderBothLocales)
{
    const QString nbsp(QChar(0x00A0));
    const std::vector<std::tuple<const char *, const char *, QString, QString>> cases = {
        // field, value, Polish, English
        {"FNUM(x)", "1234567.891", "1" + nbsp + "234" + nbsp + "567,89", "1,234,567.89"},
        {"FNUM(x,0)", "-1234.5", "-1" + nbsp + "235", "-1,235"},
        {"FFIX(x)", "1234.5", "1234,50", "1234.50"},
        {"FFIX(x,3)", "0.0005", "0,001", "0.001"},
        {"FEXP(x,4:2)", "1234.5", "1,235E+03", "1.235E+03"},
        {"FCUR(x)", "1234.5", "1" + nbsp + "234,50 zł", "$1,234.50"},
        {"FCUR(x)", "-5", "-5,00 zł", "-$5.00"},
        {"FFIXR(x)", "12.5", "12-50", "12-50"},
        {"FFIXR(x)", "12", "12=", "12="},
        {"FFIXR(x,0)", "12", "12=", "12="},
        {"FNUMR(x)", "1234", "1" + nbsp + "234=", "1,234="},
        {"FNUM(x)", "abc", "abc", "abc"},
        {"FNUM(x)", "  ", "", ""},
        {"FNUM(x)", "12,5", "12,50", "12,5"},
    };
    for (const auto &[field, value, inPolish, inEnglish] : cases) {
        EXPECT_EQ(Render(polish, field, value), inPolish) << field << " " << value;
        EXPECT_EQ(Render(english, field, value), inEnglish) << field << " " << value;
    }
}

// Amounts as the number formats and the program's lists write them, with
// the settings' thousands separator, read back by every numeric keyword;
// blanks that are not groups of three leave the text as it is.
TEST_F(FormatValueTest, NumericKeywordsReadGroupedNumbers)
{
    const QString nbsp(QChar(0x00A0));
    const std::vector<std::tuple<const char *, QString, QString>> polishCases = {
        {"FFIX(x,0)", "200,00", "200"},
        {"FFIX(x,0)", "1" + nbsp + "234,56", "1235"},
        {"FFIX(x,0)", "-1" + nbsp + "234,56", "-1235"},
        {"FFIX(x)", "1" + nbsp + "234" + nbsp + "567,89", "1234567,89"},
        {"FNUM(x,1)", "1" + nbsp + "234" + nbsp + "567,89", "1" + nbsp + "234" + nbsp + "567,9"},
        {"FEXP(x,4:2)", "1" + nbsp + "234,5", "1,235E+03"},
        {"FCUR(x)", "-1" + nbsp + "234,5", "-1" + nbsp + "234,50 zł"},
        {"FFIXR(x)", "1" + nbsp + "234", "1234="},
        {"FNUM(x)", "12" + nbsp + "34", "12" + nbsp + "34"},
        {"FNUM(x)", "12 34", "12 34"},
        {"FNUM(x)", "1 234,56", "1 234,56"},
        {"FNUM(x)", "1" + nbsp + "234 zł", "1" + nbsp + "234 zł"},
    };
    for (const auto &[field, value, expected] : polishCases)
        EXPECT_EQ(Render(polish, field, value), expected) << field << " " << value.toStdString();
    EXPECT_EQ(Render(english, "FFIX(x,1)", "-1,234,567.89"), u"-1234567.9");
    EXPECT_EQ(Render(english, "FFIX(x)", "12,34"), u"12,34");
}

TEST_F(FormatValueTest, ClearZeroWritesNothingForZero)
{
    polish.SetOptions(polish.Options() | eoNumericFormatClearZero);
    EXPECT_EQ(Render(polish, "FNUM(x)", "0"), u"");
    EXPECT_EQ(Render(polish, "FFIXR(x)", "0"), u"");
    EXPECT_EQ(Render(polish, "FNUM(x)", "0.001"), u"");
    EXPECT_EQ(Render(polish, "FNUM(x,3)", "0.001"), u"0,001");
}

TEST_F(FormatValueTest, DateTimePicturesFromTextOrVariable)
{
    polish.CreateVar("Fmt", QString("yyyy-mm-dd hh:nn"));
    EXPECT_EQ(Render(polish, "FDTM(x,'dd.mm.yyyy')", "30.11.2021 10:15:00"), u"30.11.2021");
    EXPECT_EQ(Render(polish, "FDTM(x,Fmt)", "30.11.2021 10:15:00"), u"2021-11-30 10:15");
    EXPECT_EQ(Render(polish, "FDTM(x,\"d mmmm yy, dddd\")", "30.11.2021"), u"30 listopad 21, wtorek");
    EXPECT_EQ(Render(english, "FDTM(x,'mmm d, yyyy \"at\" h:nn')", "11/30/2021 7:05"), u"Nov 30, 2021 at 7:05");
    EXPECT_EQ(Render(polish, "FDTM(x,)", "30.11.2021"), u"30.11.2021 00:00:00");
    EXPECT_EQ(MessageOf<EIOError>([&] { Render(polish, "FDTM(x,'')", "30.11.2021"); }),
              u"Get variable: report variable not found: ''");
    EXPECT_THROW(Render(polish, "FDTM(x,'dd')", "tomorrow"), EConvertError);
    EXPECT_EQ(MessageOf<EIOError>([&] { Render(polish, "FDTM(x,Missing)", "30.11.2021"); }),
              u"Get variable: report variable not found: Missing");
}

TEST_F(FormatValueTest, BooleansAndLinks)
{
    polish.SetTrueValue("Tak");
    polish.SetFalseValue("Nie");
    for (const char *value : {"TRUE", "True", "Tak", "true"})
        EXPECT_EQ(Render(polish, "FBOOL(x)", value), u"Tak") << value;
    for (const char *value : {"tak", "1", "", "Nie"})
        EXPECT_EQ(Render(polish, "FBOOL(x)", value), u"Nie") << value;
    EXPECT_EQ(Render(polish, "x", " as is "), u" as is ");

    const TRpLinkText link = SplitLinkText("page.html|Click");
    EXPECT_EQ(link.target, u"page.html");
    EXPECT_EQ(link.shown, u"Click");
    EXPECT_EQ(SplitLinkText("page.html").shown, u"page.html");
    EXPECT_EQ(SplitLinkText("page.html").target, u"page.html");
    EXPECT_EQ(SplitLinkText("|abc").target, u"");
    EXPECT_EQ(SplitLinkText("|abc").shown, u"");
}

TEST_F(FormatValueTest, FieldTextsFollowTheFieldType)
{
    TRpMemoryDataSet notes("NOTY", {{"WHEN", TRpFieldType::DateTime},
                                    {"PAID", TRpFieldType::Boolean},
                                    {"AMOUNT", TRpFieldType::Currency},
                                    {"NAME", TRpFieldType::FixedChar}},
                           TRpFormatSettings::Polish());
    notes.AppendRow({EncodeDate(2021, 11, 30) + EncodeTime(10, 15, 0, 0), true, 1234.5, "Kowalski   "});
    polish.SetTrueValue("Tak");
    auto text = [&](int field, const QString &fieldText) {
        const TRpParsedFormat p = ParseFormatFunction(fieldText, polish.FormatSettings(), strings, nullptr);
        return FieldValueText(notes, field, p.format, polish, strings);
    };
    EXPECT_EQ(text(0, "x"), u"30.11.2021");
    EXPECT_EQ(text(0, "FNUM(x)"), u"30.11.2021");
    EXPECT_EQ(text(0, "FDTM(x,'hh:nn')"), u"10:15");
    EXPECT_EQ(text(1, "x"), u"Tak");
    EXPECT_EQ(text(1, "FNUM(x)"), u"Tak");
    // A currency field shows its currency text, which no number format reads.
    EXPECT_EQ(text(2, "FNUM(x,0)"), u"1\u00A0234,50 zł");
    EXPECT_EQ(text(3, "x"), u"Kowalski");
    EXPECT_EQ(text(3, "FLNK(x)"), u"Kowalski   ");
}

TEST(ImageFormatTest, ScalesSizesAndBorders)
{
    TRpImageFormat f(200, 100);
    EXPECT_EQ(f.ScaleX, 100);
    EXPECT_NEAR(f.SizeXmm, 52.919386, 1e-6);
    f.SetScaleX(50);
    EXPECT_EQ(f.SizeX, 100);
    EXPECT_EQ(f.SizeY, 50);
    EXPECT_EQ(f.ScaleX, 50);
    EXPECT_EQ(f.ScaleY, 50);
    EXPECT_NEAR(f.SizeYmm, 13.229847, 1e-6);

    TRpImageFormat g(200, 100);
    g.Proportional = false;
    g.SetScaleY(0);  // counts as 1
    EXPECT_EQ(g.ScaleY, 1);
    EXPECT_EQ(g.SizeY, 1);
    EXPECT_EQ(g.SizeX, 200);
    g.SetScaleY(200);  // from 1: the factor is 200
    EXPECT_EQ(g.SizeY, 200);

    TRpImageFormat h(200, 100);
    h.SetSizeXmm(26.4596930676);  // half the width
    EXPECT_EQ(h.SizeX, 100);
    EXPECT_EQ(h.ScaleX, 50);
    EXPECT_EQ(h.SizeYmm, 13.0);   // whole millimetres: 13.23 rounds to 13
    h.SetSizeXmm(-1);
    EXPECT_EQ(h.SizeX, 100);
    h.FitScaleToX(300);  // 1.5 times the picture's own 200 pixels
    EXPECT_EQ(h.ScaleX, 150);
    EXPECT_EQ(h.SizeX, 300);

    f.SetBorderType(3, 7, 5.0);
    EXPECT_EQ(f.Border.BrType, 3);
    EXPECT_FLOAT_EQ(f.Border.Width, 3.5f);
    EXPECT_EQ(f.BorderWidthTwips, 70);
    EXPECT_EQ(f.Border.ColorIndex, 7);
    f.SetBorderType(2, 1, 0.01);
    EXPECT_EQ(f.Border.BrType, 0);
    EXPECT_EQ(f.BorderWidthTwips, 0);
}

TEST(UserFunctionTest, NamesCountsAndAssignment)
{
    TRpUDFList list;
    TRpUDF &a = list.Functions().Add();
    TRpUDF &b = list.Functions().Add();
    a.SetName(" my_fn2 ");
    EXPECT_EQ(a.Name(), u"my_fn2");
    EXPECT_NO_THROW(a.SetName("MY_FN2"));  // itself
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { b.SetName("My_Fn2"); }),
              u"User defined function with name My_Fn2 already exists");
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { b.SetName("2fn"); }), u"Illegal function name 2fn");
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { b.SetName("my-fn"); }), u"Illegal function name my-fn");
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { b.SetName("żółw"); }), u"Illegal function name żółw");
    EXPECT_NO_THROW(b.SetName(""));
    EXPECT_EQ(list.FindFunction(" my_FN2"), 0);
    EXPECT_EQ(list.FindFunction("other"), -1);

    b.SetArgMinCount(3);
    EXPECT_EQ(b.ArgMaxCount(), 3);
    b.SetArgMaxCount(1);
    EXPECT_EQ(b.ArgMinCount(), 1);
    EXPECT_EQ(b.ArgMaxCount(), 1);
    EXPECT_EQ(b.ResultType(), udfrTRpReportVariable);

    TRpUDFList other;
    TRpUDF &c = other.Functions().Add();
    c.Assign(a);
    EXPECT_EQ(c.Name(), u"MY_FN2");
    EXPECT_EQ(c.ArgMaxCount(), a.ArgMaxCount());
}

// A report that can be marked as running.
class RunningReport : public TRpBaseReport {
public:
    using TRpBaseReport::SetExecuting;
};

TEST(UserFunctionTest, ListReferencesOfReports)
{
    RunningReport report;
    auto list = std::make_unique<TRpUDFList>();
    report.SetExecuting(true);
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { report.SetUDFList(list.get()); }),
              u"Can't set UDFList while executing report");
    report.SetExecuting(false);
    report.SetUDFList(list.get());
    EXPECT_EQ(report.UDFList(), list.get());
    list.reset();
    EXPECT_EQ(report.UDFList(), nullptr);
}

TEST(LocaleHelpers, DatesReadLenientlyInTheLocaleOrder)
{
    const TRpFormatSettings pl = TRpFormatSettings::Polish();
    const TRpFormatSettings en = TRpFormatSettings::English();
    EXPECT_EQ(StrToDate("30.11.2021", pl), EncodeDate(2021, 11, 30));
    EXPECT_EQ(StrToDate("1-2-2021", pl), EncodeDate(2021, 2, 1));
    EXPECT_EQ(StrToDate("2/1/2021", en), EncodeDate(2021, 2, 1));
    EXPECT_DOUBLE_EQ(StrToDateTime("30.11.2021 10:15:30.250", pl),
                     EncodeDate(2021, 11, 30) + EncodeTime(10, 15, 30, 250));
    for (const char *bad : {"31.11.2021", "30.11", "30..11.2021", "a.b.c", ""})
        EXPECT_THROW(StrToDate(bad, pl), EConvertError) << bad;
    EXPECT_THROW(StrToTime("25:00", pl), EConvertError);
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToDate("x", pl); }), u"'x' is not a valid date");
}

TEST(LocaleHelpers, CanonicalDatesAroundDayZero)
{
    EXPECT_EQ(CanonicalDate(0), u"{1899-12-30}");
    EXPECT_EQ(CanonicalDate(-1), u"{1899-12-29}");
    EXPECT_EQ(CanonicalDateTime(-1.25), u"{1899-12-29,06:00:00:000}");
    EXPECT_EQ(CanonicalDateTime(44530.999999999), u"{2021-12-01,00:00:00:000}");
    EXPECT_EQ(CanonicalDate(EncodeDate(1, 1, 1)), u"{0001-01-01}");
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
    // Day counts outside the years 1 to 9999 have no date text.
    EXPECT_THROW(CanonicalDate(3e6), EConvertError);
    EXPECT_THROW(CanonicalDate(std::nan("")), EConvertError);
}

} // namespace
