// Report variables: stored texts, conversions under a Polish and an English
// locale, the variable operations of the report and their errors.

#include "rpbasereport.h"
#include "rperrors.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

using namespace rtfreport;

namespace {

class VariablesTest : public ::testing::Test {
protected:
    TRpBaseReport polish{TRpFormatSettings::Polish()};
    TRpBaseReport english{TRpFormatSettings::English()};
};

TEST_F(VariablesTest, NumbersAreStoredWithADotAndShownInTheLocale)
{
    polish.CreateVar("Total", 12.5);
    english.CreateVar("Total", 12.5);
    EXPECT_EQ(polish.VarList().LineAt(0).text, u"Total=12.5");
    EXPECT_EQ(english.VarList().LineAt(0).text, u"Total=12.5");
    EXPECT_EQ(polish.VarByName("total")->AsString(), u"12,5");
    EXPECT_EQ(english.VarByName("TOTAL")->AsString(), u"12.5");
    EXPECT_EQ(polish.VarByName("Total")->AsFloat(), 12.5L);
    EXPECT_EQ(polish.VarByName("Total")->DataType(), rpdtNumber);

    // The shared variable follows a change of the report's locale.
    TRpReportVariable *shared = polish.VarByName("Total");
    polish.SetFormatSettings(TRpFormatSettings::English());
    EXPECT_EQ(polish.VarByName("Total"), shared);
    EXPECT_EQ(shared->AsString(), u"12.5");
}

TEST_F(VariablesTest, TotalsReadAsTheirTextsAtEveryStep)
{
    polish.CreateVar("Suma", 0.0);
    TRpReportVariable *sum = polish.VarByName("Suma");
    TRpFloat expected = 0;  // the total as its text would give it after every step
    for (int i = 0; i < 1000; ++i) {
        const TRpFloat step = i % 7 == 0 ? 0.1L : TRpFloat(i) / 3;
        sum->SetAsFloat(sum->AsFloat() + step);
        expected = TextToFloat(FloatToCanonical(expected + step), u'.');
        ASSERT_EQ(sum->AsFloat(), expected) << i;
    }
    EXPECT_EQ(polish.VarList().Value(0), FloatToCanonical(expected));
    EXPECT_EQ(sum->AsString(), FloatToCanonical(expected).replace(u'.', u','));
    EXPECT_EQ(sum->DataType(), rpdtNumber);

    // Ten tenths are exactly one, as the text "1" reads.
    sum->SetAsFloat(0);
    for (int i = 0; i < 10; ++i)
        sum->SetAsFloat(sum->AsFloat() + 0.1L);
    EXPECT_EQ(sum->AsFloat(), 1.0L);
    EXPECT_EQ(polish.VarList().LineAt(0).text, u"Suma=1");

    // Renamed, it keeps its value; given a text, it reads as that text.
    sum->ChangeVarName("Razem");
    EXPECT_EQ(polish.VarList().LineAt(0).text, u"Razem=1");
    EXPECT_EQ(sum->AsFloat(), 1.0L);
    sum->SetAsString("abc");
    EXPECT_THROW(sum->AsFloat(), EConvertError);
    sum->SetAsFloat(std::numeric_limits<TRpFloat>::quiet_NaN());
    EXPECT_EQ(polish.VarList().LineAt(0).text, u"Razem=NAN");
    EXPECT_THROW(sum->AsFloat(), EConvertError);
}

TEST(CanonicalNumbers, GeneralFormWithFifteenDigits)
{
    const std::vector<std::pair<long double, const char16_t *>> cases = {
        {7, u"7"}, {-3.5L, u"-3.5"}, {0.1 + 0.2, u"0.3"}, {1e20L, u"1E20"},
        {1.5e-7L, u"1.5E-7"}, {0.0001L, u"0.0001"}, {123456789012345678.0L, u"1.23456789012346E17"},
        {100000000000000.0L, u"100000000000000"}, {0, u"0"},
    };
    for (const auto &[value, text] : cases)
        EXPECT_EQ(FloatToCanonical(value), QString::fromUtf16(text)) << double(value);
}

TEST_F(VariablesTest, DatesAreStoredCanonicallyAndShownInTheLocale)
{
    const TRpDateTime day = EncodeDate(2021, 11, 30);
    polish.CreateVar("D", day, true);
    polish.CreateVar("DT", day + EncodeTime(10, 15, 0, 0), false);
    english.CreateVar("DT", day + EncodeTime(10, 15, 0, 0), false);
    EXPECT_EQ(polish.VarList().Value(0), u"{2021-11-30}");
    EXPECT_EQ(polish.VarList().Value(1), u"{2021-11-30,10:15:00:000}");
    EXPECT_EQ(polish.VarByName("D")->AsString(), u"30.11.2021");
    EXPECT_EQ(polish.VarByName("DT")->AsString(), u"30.11.2021 10:15:00");
    EXPECT_EQ(english.VarByName("DT")->AsString(), u"11/30/2021 10:15:00");
    EXPECT_DOUBLE_EQ(polish.VarByName("DT")->AsDateTime(), day + EncodeTime(10, 15, 0, 0));
    EXPECT_DOUBLE_EQ(polish.VarByName("DT")->AsDate(), day);
}

TEST_F(VariablesTest, ShortDateTextsAreRefusedWithTheEngineError)
{
    polish.CreateVar("S", QString("2021-11-30"));
    TRpReportVariable *s = polish.VarByName("S");
    EXPECT_EQ(MessageOf<ERpError>([&] { s->AsDate(); }), u"2021-11-30 is not a valid date value");
    EXPECT_EQ(MessageOf<ERpError>([&] { s->AsDateTime(); }), u"2021-11-30 is not a valid datetime value");
    s->SetAsString("{2021-02-30}");
    EXPECT_THROW(s->AsDate(), EConvertError);
}

TEST_F(VariablesTest, NamesAreTrimmedAndUniqueWithoutCase)
{
    polish.CreateVar(" a ", QString("x"));
    EXPECT_EQ(polish.VarList().LineAt(0).text, u"a=x");
    EXPECT_EQ(MessageOf<EIOError>([&] { polish.CreateVar("A", 1.0); }),
              u"Can't add report variable A - variable already exists");
    EXPECT_EQ(polish.VarList().Count(), 1);
    EXPECT_EQ(polish.GetVarNumber("A"), 1);
    // A text literal is a string, not a boolean.
    polish.CreateVar("Text", "Tak");
    EXPECT_EQ(polish.VarByName("Text")->DataType(), rpdtString);
    EXPECT_EQ(polish.GetVarNumber("text"), 2);
    EXPECT_EQ(polish.GetVarNumber("b"), 0);
}

TEST_F(VariablesTest, BooleansUseTrueValueAndFalseValue)
{
    polish.SetTrueValue("Tak");
    polish.SetFalseValue("Nie");
    polish.CreateVar("B", true);
    polish.CreateVar("C", false);
    EXPECT_EQ(polish.VarList().Value(0), u"Tak");
    EXPECT_EQ(polish.VarList().Value(1), u"Nie");
    TRpReportVariable *v = polish.VarByName("B");
    v->SetAsString("tak");
    EXPECT_FALSE(v->AsBoolean());
    v->SetAsString("true");
    EXPECT_TRUE(v->AsBoolean());
    v->SetAsString("Tak");
    EXPECT_TRUE(v->AsBoolean());

    english.SetTrueValue("X");
    english.SetFalseValue("X");
    english.CreateVar("B", true);
    english.CreateVar("C", false);
    EXPECT_EQ(english.VarList().Value(0), u"True");
    EXPECT_EQ(english.VarList().Value(1), u"False");
}

TEST_F(VariablesTest, MissingNamedVariablesRaiseAndLocalsNever)
{
    TRpReportVariable *v = polish.VarByName("Nothing");
    EXPECT_EQ(MessageOf<EIOError>([&] { v->AsString(); }), u"Get variable: report variable not found: Nothing");
    EXPECT_EQ(MessageOf<EIOError>([&] { v->DataType(); }), u"Get variable: report variable not found: Nothing");
    EXPECT_EQ(MessageOf<EIOError>([&] { v->SetAsFloat(1); }), u"Set variable: report variable not found: Nothing");
    EXPECT_EQ(MessageOf<EIOError>([&] { v->SetDataType(rpdtString); }),
              u"Set variable: report variable not found: Nothing");

    TRpReportVariable local(&polish);
    local.SetLocal(true);
    local.SetVarName("Nothing");
    EXPECT_NO_THROW(local.SetAsFloat(2.5));
    EXPECT_EQ(local.AsString(), u"2,5");
    EXPECT_EQ(polish.VarList().Count(), 0);
    local.SetLocal(false);
    local.SetLocal(true);
    EXPECT_EQ(local.DataType(), rpdtUnknown);
    EXPECT_EQ(local.ValueText(), u"");
}

TEST_F(VariablesTest, VarByNameRenamesTheOneSharedObject)
{
    TRpReportVariable *a = polish.VarByName("A");
    TRpReportVariable *b = polish.VarByName("B");
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->Name(), u"B");
    polish.ClearVars();
    EXPECT_EQ(a->Name(), u"");
}

TEST_F(VariablesTest, ChangeVarNameKeepsTheValueAndRefusesClashes)
{
    polish.CreateVar("A", QString("one"));
    polish.CreateVar("B", QString("two"));
    TRpReportVariable *v = polish.VarByName("a");
    EXPECT_EQ(MessageOf<EIOError>([&] { v->ChangeVarName("b"); }),
              u"Can't set variable name to b, because variable with the same name already exists");
    v->ChangeVarName("C");
    EXPECT_EQ(polish.VarList().LineAt(0).text, u"C=one");
    EXPECT_EQ(MessageOf<EIOError>([&] { polish.VarByName("Z")->ChangeVarName("Y"); }),
              u"Report variable not found: Z");
}

TEST_F(VariablesTest, ConversionsAndTheirErrors)
{
    TRpReportVariable v = TRpReportVariable::LocalValue(&polish, "  ", rpdtString);
    EXPECT_EQ(v.AsFloat(), 0);
    EXPECT_EQ(v.AsInteger(), 0);
    v.SetAsString("12.5");
    EXPECT_EQ(v.AsFloat(), 12.5L);  // the first "." reads as the locale's comma
    v.SetAsString("12,5");
    EXPECT_EQ(v.AsFloat(), 12.5L);
    v.SetAsString("abc");
    EXPECT_THROW(v.AsFloat(), EConvertError);
    EXPECT_THROW(v.AsInteger(), EConvertError);
    v.SetAsInteger(9007199254740993LL);
    EXPECT_EQ(v.ValueText(), u"9007199254740993");
    EXPECT_EQ(v.AsInteger(), 9007199254740993LL);
    EXPECT_EQ(v.DataTypeText(), u"Number");
    EXPECT_EQ(v.DataTypeNumber(), 1);

    TRpReportVariable e = TRpReportVariable::LocalValue(&english, "12,5", rpdtString);
    EXPECT_THROW(e.AsFloat(), EConvertError);
}

TEST_F(VariablesTest, GroupedNumbersReadWithTheLocalesSeparator)
{
    TRpReportVariable v = TRpReportVariable::LocalValue(&polish, u"-1\u00A0234\u00A0567,5"_qs, rpdtString);
    EXPECT_EQ(v.AsFloat(), -1234567.5L);
    v.SetAsString(u"1\u00A0234"_qs);
    EXPECT_EQ(v.AsInteger(), 1234);
    for (const QString &notANumber : {u"12\u00A034"_qs, u"1 234"_qs}) {
        v.SetAsString(notANumber);
        EXPECT_THROW(v.AsFloat(), EConvertError) << notANumber.toStdString();
        EXPECT_THROW(v.AsInteger(), EConvertError) << notANumber.toStdString();
    }
    TRpReportVariable e = TRpReportVariable::LocalValue(&english, "1,234.5", rpdtString);
    EXPECT_EQ(e.AsFloat(), 1234.5L);
}

TEST_F(VariablesTest, DataTypesPersistAsCountAndCodes)
{
    polish.CreateVar("S", QString("x"));
    polish.CreateVar("N", 1.0);
    polish.CreateVar("B", true);
    polish.CreateVar("D", EncodeDate(2020, 1, 1), true);
    polish.VarList().Add("U=?");
    const QByteArray bytes = polish.VarDataTypes();
    const QByteArray expected("\x05\0\0\0" "\0\0\0\0" "\x01\0\0\0" "\x02\0\0\0" "\x03\0\0\0" "\xff\xff\xff\xff", 24);
    EXPECT_EQ(bytes, expected);

    TRpBaseReport copy{TRpFormatSettings::Polish()};
    TRpVarList lines;
    for (int i = 0; i < polish.VarList().Count(); ++i)
        lines.Add(polish.VarList().LineAt(i).text);
    copy.SetVarList(lines);
    EXPECT_EQ(copy.VarByName("N")->DataType(), rpdtUnknown);
    copy.SetVarDataTypes(bytes);
    EXPECT_EQ(copy.VarByName("N")->DataType(), rpdtNumber);
    EXPECT_EQ(copy.VarByName("D")->DataType(), rpdtDateTime);
    EXPECT_EQ(copy.VarByName("U")->DataType(), rpdtUnknown);
    EXPECT_EQ(TRpBaseReport(TRpFormatSettings::Polish()).VarDataTypes(), QByteArray(4, '\0'));
}

TEST(ReportHelpers, LettersDigitsAndZeroOut)
{
    EXPECT_TRUE(TRpBaseReport::Letter(u'z'));
    EXPECT_FALSE(TRpBaseReport::Letter(u'ż'));
    EXPECT_TRUE(TRpBaseReport::Digit(u'7'));
    EXPECT_FALSE(TRpBaseReport::Digit(u'a'));
    EXPECT_TRUE(TRpBaseReport::ZeroOut("0,00"));
    EXPECT_TRUE(TRpBaseReport::ZeroOut("abc"));
    EXPECT_FALSE(TRpBaseReport::ZeroOut("0,01"));
}

TEST(ReportHelpers, TemporaryFilesAreNewEmptyAndPrefixed)
{
    const QString first = TRpBaseReport::CreateTmpFileName("rpr");
    const QString second = TRpBaseReport::CreateTmpFileName("rpr");
    EXPECT_NE(first, second);
    EXPECT_TRUE(QFileInfo(first).fileName().startsWith("rpr"));
    EXPECT_TRUE(QFileInfo::exists(first));
    EXPECT_EQ(QFileInfo(first).size(), 0);
    QFile::remove(first);
    QFile::remove(second);
}

TEST(ReportHelpers, TraceWritesUtf8OnlyWhileOn)
{
    TRpBaseReport report{TRpFormatSettings::Polish()};
    const QString name = TRpBaseReport::CreateTmpFileName("rti");
    report.PrintRTI("before ");
    report.StartRTInfo(name);
    report.PrintRTI(QString::fromUtf8("Zażółć\r"));
    report.StopRTInfo();
    report.PrintRTI("after");
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87\r"));
    file.remove();
}

} // namespace

// The list's name index follows every change of names.
TEST(VarListIndex, FollowsAddsRenamesDeletesAndDuplicates)
{
    rtfreport::TRpVarList list;
    list.Add(QStringLiteral("Alfa=1"));
    list.Add(QStringLiteral("beta=2"));
    list.Add(QStringLiteral("ALFA=3"));
    list.Add(QStringLiteral("=4"));
    list.Add(QStringLiteral("bare"));
    EXPECT_EQ(list.IndexOfName(QStringLiteral("alfa")), 0);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("BETA")), 1);
    EXPECT_EQ(list.IndexOfName(QString()), -1);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("bare")), -1);

    list.SetValue(4, QStringLiteral("5"));  // "bare=5" now has a name
    EXPECT_EQ(list.IndexOfName(QStringLiteral("BARE")), 4);
    list.SetName(1, QStringLiteral("gamma"));
    EXPECT_EQ(list.IndexOfName(QStringLiteral("beta")), -1);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("Gamma")), 1);
    list.Delete(0);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("alfa")), 1) << "the second Alfa line is the first now";
    EXPECT_EQ(list.Value(list.IndexOfName(QStringLiteral("alfa"))), QStringLiteral("3"));
    list.Clear();
    EXPECT_EQ(list.IndexOfName(QStringLiteral("gamma")), -1);
}

// A report looks the same name objects up record after record; the list
// knows its last ones, and forgets them at every change of names. A name
// changed by its holder is a new name.
TEST(VarListIndex, NamesLookedUpAgainFollowChangesToo)
{
    rtfreport::TRpVarList list;
    const QString alfa = QString::fromLatin1("alfa"), beta = QString::fromLatin1("BETA");
    const QString delta = QString::fromLatin1("delta");
    list.Add(QStringLiteral("Alfa=1"));
    list.Add(QStringLiteral("beta=2"));
    for (int twice = 0; twice < 2; ++twice) {
        EXPECT_EQ(list.IndexOfName(alfa), 0);
        EXPECT_EQ(list.IndexOfName(beta), 1);
        EXPECT_EQ(list.IndexOfName(delta), -1);
    }
    list.Add(QStringLiteral("delta=3"));
    EXPECT_EQ(list.IndexOfName(delta), 2);
    list.Delete(0);
    EXPECT_EQ(list.IndexOfName(alfa), -1);
    EXPECT_EQ(list.IndexOfName(beta), 0);
    EXPECT_EQ(list.IndexOfName(delta), 1);
    list.SetName(0, QStringLiteral("alfa"));
    EXPECT_EQ(list.IndexOfName(alfa), 0);
    EXPECT_EQ(list.IndexOfName(beta), -1);

    QString changing = QString::fromLatin1("alfa");
    EXPECT_EQ(list.IndexOfName(changing), 0);
    changing[0] = u'd';
    EXPECT_EQ(list.IndexOfName(changing), -1) << "dlfa";

    // More names than the list keeps in mind, each looked up twice.
    QStringList many;
    for (int i = 0; i < 10; ++i) {
        many.append(QStringLiteral("v%1").arg(i));
        list.Add(many.last() + QStringLiteral("=x"));
    }
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < many.size(); ++i)
            EXPECT_EQ(list.IndexOfName(many[i]), 2 + i) << many[i].toStdString();
}
