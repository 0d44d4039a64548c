// Evaluation of built-in functions and operators under the Polish locale:
// results, the message table, aggregates over an in-memory data set, data-set
// functions and user functions.

#include "rpbasereport.h"
#include "rpconst.h"
#include "rperrors.h"
#include "rpevaluate.h"
#include "rpfunc.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace rtfreport;

namespace {

// A report whose scan state a test sets: aggregates start again only while
// firstPass is true.
class ScanningReport : public TRpBaseReport {
public:
    ScanningReport() : TRpBaseReport(TRpFormatSettings::Polish()) {}
    bool AggregateResetDue() const override { return firstPass; }
    bool firstPass = true;
};

class EvaluateTest : public ::testing::Test {
protected:
    EvaluateTest()
        : orders("ORDERS", {{"NAME", TRpFieldType::String},
                            {"AMOUNT", TRpFieldType::Currency},
                            {"PAID", TRpFieldType::Boolean},
                            {"QTY", TRpFieldType::Integer}},
                 TRpFormatSettings::Polish())
    {
        orders.AppendRow({"Anna", 12.5, true, 3});
        orders.AppendRow({"Bolek", 100.25, false, 0});
        orders.AppendRow({"Celina", 0.25, true, QVariant()});
        report.RegisterDataSet("ORDERS", &orders);
    }

    QString Text(const QString &expression)
    {
        const TRpArgument value = EvaluateExpression(report, expression);
        return value.IsKnown() ? value.Value(&report).ValueText() : QStringLiteral("<nothing>");
    }

    TRpDataType Type(const QString &expression)
    {
        return EvaluateExpression(report, expression).DataType();
    }

    QString Error(const QString &expression)
    {
        try {
            EvaluateExpression(report, expression);
        } catch (const ETextError &e) {
            return e.message();
        }
        return QStringLiteral("<no error>");
    }

    ScanningReport report;
    TRpMemoryDataSet orders;
};

using ValueCase = TextCase;

class BuiltInValueTest : public EvaluateTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(BuiltInValueTest, Evaluates)
{
    report.CreateVar("s", QString("abcdef"));
    report.CreateVar("n", 12.5);
    report.CreateVar("d", EncodeDate(2021, 11, 30), true);
    EXPECT_EQ(Text(QString::fromUtf16(GetParam().input)), QString::fromUtf16(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Results, BuiltInValueTest, ::testing::Values(
    ValueCase{u"SYS_SUB(2,10)", u"8"},
    ValueCase{u"7%-3", u"1"},
    ValueCase{u"-7%3", u"-1"},
    ValueCase{u"2+3*4", u"14"},
    ValueCase{u"'ab'+'cd'", u"abcd"},
    ValueCase{u"'a'<'b'", u"True"},
    ValueCase{u"'B'<'a'", u"True"},
    ValueCase{u"n>=12.5&&!(n<>12.5)", u"True"},
    ValueCase{u"TRUE>FALSE", u"True"},
    ValueCase{u"{2021-12-01}-{2021-11-30}", u"{1899-12-31}"},
    ValueCase{u"d+1", u"{2021-12-01}"},
    ValueCase{u"{2021-11-30}<d+1", u"True"},
    ValueCase{u"MID('abcdef',3)", u"cdef"},
    ValueCase{u"MID('abc',5)", u""},
    ValueCase{u"MID('abcdef',0,2)", u"ab"},
    ValueCase{u"COPY(s,5,100)", u"ef"},
    ValueCase{u"SUBSTR(s,2,-1)", u""},
    ValueCase{u"TRIM('  a b  ')", u"a b"},
    ValueCase{u"UPPER('zażółć')", u"ZAŻÓŁĆ"},
    ValueCase{u"LOWER('ĄB')", u"ąb"},
    ValueCase{u"STR(2.5)", u"2.5"},
    ValueCase{u"STR(3.14159,8,2)", u"    3.14"},
    ValueCase{u"STR(7,0,2)", u"7.00"},
    ValueCase{u"STR(7.6,3)", u"  8"},
    ValueCase{u"STR(n,2,3)", u"12.500"},
    ValueCase{u"ROUND(2.5)", u"3"},
    ValueCase{u"ROUND(-2.5)", u"-3"},
    ValueCase{u"ROUND(2.449,1)", u"2.4"},
    ValueCase{u"ROUND(1250,-2)", u"1300"},
    ValueCase{u"ROUND(3000000000.5)", u"3000000001"},
    ValueCase{u"ROUND(-98765432109.875,2)", u"-98765432109.88"},
    ValueCase{u"VAL('12,5')", u"12.5"},
    ValueCase{u"VAL('12x')", u"0"},
    ValueCase{u"VAL('-1,5e2')", u"-150"},
    ValueCase{u"VAL('-1\u00A0234\u00A0567,8')", u"-1234567.8"},
    ValueCase{u"VAL('12\u00A034')", u"0"},
    ValueCase{u"INT(-7.9)", u"-7"},
    ValueCase{u"FRAC(-7.25)", u"-0.25"},
    ValueCase{u"POWER(4,0.5)+POWER(2,-1)", u"2.5"},
    ValueCase{u"INTPOWER(2,10)", u"1024"},
    ValueCase{u"POS('b','abc')", u"2"},
    ValueCase{u"POS('z','abc')", u"0"},
    ValueCase{u"DTOS(d)", u"20211130"},
    ValueCase{u"STOD('20211130')", u"{2021-11-30}"},
    ValueCase{u"YEAR(d)*10000+MONTH(d)*100+DAY(d)", u"20211130"},
    ValueCase{u"SYEAR(d)+SMONTH(d)+SDAY(d)", u"20211130"},
    ValueCase{u"DATETOSTR(d)", u"30.11.2021"},
    ValueCase{u"DATETIMETOSTR(d)", u"30.11.2021 00:00:00"},
    ValueCase{u"STRTODATE('1.2.2021')", u"{2021-02-01}"},
    ValueCase{u"STRTODATETIME('30.11.2021 10:15')", u"{2021-11-30,10:15:00:000}"},
    ValueCase{u"TIMETOSTR(STRTOTIME('7:05:09'))", u"07:05:09"},
    ValueCase{u"FORMATFLOAT('#,##0.00',1234567.891)", u"1\u00A0234\u00A0567,89"},
    ValueCase{u"FORMATFLOAT('0.0;(0.0);zero',-2.25)", u"(2,3)"},
    ValueCase{u"FORMATFLOAT('0-00',123)", u"1-23"},
    ValueCase{u"FORMATFLOAT('0-00',12345)", u"123-45"},
    ValueCase{u"FORMATFLOAT('00-00',5)", u"00-05"},
    ValueCase{u"FORMATFLOAT('0-00',-123)", u"-1-23"},
    ValueCase{u"FORMATFLOAT('(###) ###-####',5551234567)", u"(555) 123-4567"},
    ValueCase{u"FORMATFLOAT('0.0-0',1.25)", u"1,2-5"},
    ValueCase{u"FORMATFLOAT('#,##0.00 zł',1234.5)", u"1\u00A0234,50 zł"},
    ValueCase{u"IIF(TRUE,1,1/0)", u"1"},
    ValueCase{u"IIF(FALSE,1,'x')", u"x"},
    ValueCase{u"IIF(n>1,d,0)", u"{2021-11-30}"},
    ValueCase{u"IF('true')", u"True"},
    ValueCase{u"ORDERS:AMOUNT*2", u"25"},
    ValueCase{u"ORDERS.NAME+'!'", u"Anna!"},
    ValueCase{u"ORDERS:(3)+1", u"4"},
    ValueCase{u"IF(ORDERS:PAID)", u"True"}), NamedAfter<&TextCase::input>());

TEST_F(EvaluateTest, IifKeepsTheChosenTypeAndEvaluatesOneBranch)
{
    EXPECT_EQ(Type("IIF(FALSE,1,'x')"), rpdtString);
    EXPECT_EQ(Type("IIF(TRUE,1,'x')"), rpdtNumber);
    report.CreateVar("hits", 0.0);
    EXPECT_EQ(Text("IIF(TRUE,1,SYS_LET(5,hits))"), u"1");
    EXPECT_EQ(report.VarByName("hits")->AsString(), u"0");
    // A chosen branch without a value gives an empty value of unknown type.
    EXPECT_EQ(Text("IIF(FALSE,1,SET(hits,2))"), u"");
    EXPECT_EQ(Type("IIF(FALSE,1,SET(hits,2))"), rpdtUnknown);
    EXPECT_EQ(report.VarByName("hits")->AsString(), u"2");
}

using MessageCase = TextCase;

class BuiltInMessageTest : public EvaluateTest, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(BuiltInMessageTest, RefusesWithTheEngineText)
{
    report.CreateVar("s", QString("abc"));
    report.CreateVar("n", 1.0);
    report.VarList().Add("u=?", rpdtUnknown);
    EXPECT_EQ(Error(QString::fromUtf16(GetParam().input)), QString::fromUtf16(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Messages, BuiltInMessageTest, ::testing::Values(
    MessageCase{u"10/0", u"Division by zero. Operation \"/\", expression 10/0"},
    MessageCase{u"10%0", u"Division by zero. Operation \"%\", expression 10%0"},
    MessageCase{u"'ab'+1", u"Operator/operand type mismatch. Operation \"+\", expression 'ab'+1"},
    MessageCase{u"s-'a'", u"Operator/operand type mismatch. Operation \"-\", expression s-'a'"},
    MessageCase{u"u*2", u"Operand type unknown. Operation \"*\", expression u*2"},
    MessageCase{u"n=s", u"Operator/operand type mismatch. Operation \"=\", expression n=s"},
    MessageCase{u"u=u", u"Operand type unknown. Operation \"=\", expression u=u"},
    MessageCase{u"u<1", u"Operator/operand type mismatch. Operation \"<\", expression u<1"},
    MessageCase{u"n!=s", u"Operator/operand type mismatch. Operation \"not equal\", expression n!=s"},
    MessageCase{u"n&&TRUE", u"Operator/operand type mismatch. Operation \"&&\", expression n&&TRUE"},
    MessageCase{u"!n", u"Operator/operand type mismatch. Operation not \"!\", expression !n"},
    MessageCase{u"-s", u"Operator/operand type mismatch. Operation unary \"-\", expression -s"},
    MessageCase{u"+u", u"Operand type unknown. Operation unary \"+\", expression +u"},
    MessageCase{u"TRIM(1)", u"Operand of string type expected. Function \"TRIM\", expression TRIM(1)"},
    MessageCase{u"UPPER(u)", u"Operand type unknown. Function \"UPPER\", expression UPPER(u)"},
    MessageCase{u"MID(1,2)", u"First operand of string type expected in functions \"MID\", \"COPY\", \"SUBSTR\", expression MID(1,2)"},
    MessageCase{u"COPY(s,'2')", u"Second operand of numeric type expected in functions \"MID\", \"COPY\", \"SUBSTR\", expression COPY(s,'2')"},
    MessageCase{u"SUBSTR(s,1,u)", u"Third operand type unknown. Functions \"MID\", \"COPY\", \"SUBSTR\", expression SUBSTR(s,1,u)"},
    MessageCase{u"STR(u)", u"First operand type unknown. Functions \"STR\", expression STR(u)"},
    MessageCase{u"STR(1,s)", u"Second operand of numeric type expected in functions \"STR\", expression STR(1,s)"},
    MessageCase{u"STR(1,2,s)", u"Third operand of numeric type expected in function \"STR\", expression STR(1,2,s)"},
    MessageCase{u"ROUND('a')", u"First operand of numeric type expected in function \"ROUND\", expression ROUND('a')"},
    MessageCase{u"ROUND(1,u)", u"Second operand type unknown. Function \"ROUND\", expression ROUND(1,u)"},
    MessageCase{u"INTPOWER(2,'a')", u"Second operand of integer numeric type expected in functions \"INTPOWER\", expression INTPOWER(2,'a')"},
    MessageCase{u"FORMATFLOAT(1,2)", u"First operand of string type expected in function \"FLOATFORMAT\", expression FORMATFLOAT(1,2)"},
    MessageCase{u"POS(1,'a')", u"First operand of string type expected in function \"POS\", expression POS(1,'a')"},
    MessageCase{u"POS('a',u)", u"Second operand type unknown. Functions \"POS\", expression POS('a',u)"},
    MessageCase{u"DATETOSTR('x')", u"Operand of date/time type expected. Function \"DATETOSTR\", expression DATETOSTR('x')"},
    MessageCase{u"STRTODATE(1)", u"Operand of string type expected. Function \"STRTODATE\", expression STRTODATE(1)"},
    MessageCase{u"VAL(1)", u"Operand of string type expected. Function \"VAL\", expression VAL(1)"},
    MessageCase{u"STOD('2021113')", u"Operand of string type YYYYMMDD expected. Function \"STOD\", expression STOD('2021113')"},
    MessageCase{u"IIF(1,2,3)", u"First operand of boolean type expected in function \"IIF\", expression IIF(1,2,3)"},
    MessageCase{u"IIF(u,2,3)", u"First operand type unknown. Function \"IIF\", expression IIF(u,2,3)"},
    MessageCase{u"SET(n,u)", u"Operand type unknown. Function \"SET\", expression SET(n,u)"},
    MessageCase{u"SET(1,2)", u"Illegal function use: SET(1,2) - variable identifier expected as a first argument of function \"SET\""},
    MessageCase{u"SET(ORDERS:NAME,2)", u"Illegal function use: SET(ORDERS:NAME,2) - variable expected as a first argument of function \"SET\""},
    MessageCase{u"1:=2", u"Illegal expression: 1:=2 - variable identifier expected as a left argument of operation \":=\""},
    MessageCase{u"ORDERS:NAME:=2", u"Illegal expression: ORDERS:NAME:=2 - variable expected as a left argument of operation \":=\""},
    MessageCase{u"n:=u", u"Right argument type unknown. Operation \":=\", expression n:=u"},
    MessageCase{u"x:=1", u"Set variable: report variable not found: x"},
    MessageCase{u"x+1", u"Get variable: report variable not found: x"},
    MessageCase{u"(1)", u"Operation or function name missed in expression: (1), operand: 1"},
    MessageCase{u"SUM(x,T)", u"Illegal function use: SUM(x,T) - report variable x not found"},
    MessageCase{u"VAR(a,'b')", u"Illegal function use: VAR(a,'b') - VAR function may be used only with variable identifiers"},
    MessageCase{u"EOF(ORDERZ)", u"Illegal function use: EOF(ORDERZ) - dataset alias not found: ORDERZ"},
    MessageCase{u"NEXT('ORDERS')", u"Illegal function use: NEXT('ORDERS') - dataset identifier expected as a first argument of function \"NEXT\""},
    MessageCase{u"LAST(ORDERS:NAME)", u"Illegal function use: LAST(ORDERS:NAME) - dataset identifier expected as argument of function \"LAST\""},
    MessageCase{u"ORDERS:NOPE+1", u"Illegal function use: ORDERS:NOPE+1 - dataset field NOPE not found"},
    MessageCase{u"NOPE(1)", u"Function not found: NOPE(1)"},
    MessageCase{u"TRIM(FNUM(n,2))", u"Illegal function use: expression FNUM(n,2) has format function FNUM, which is not allowed within another expression"},
    MessageCase{u"TRIM()", u"Illegal function use: TRIM() - number of arguments is less than minimum required"},
    MessageCase{u"MID(s,,1)", u"Cannot use empty string as argument for another expression"},
    MessageCase{u"SUM('abc',T)", u"'abc' is not a valid floating point value"},
    MessageCase{u"MID(s,1.5)", u"'1.5' is not a valid integer value"},
    MessageCase{u"STOD('20210230')", u"Invalid argument to date encode"},
    MessageCase{u"{9999-12-31}+1", u"Invalid argument to date encode"}), NamedAfter<&TextCase::input>());

// A formula's calls are walked as they were read, and its nested parts fail
// as the call text they stand for would.
TEST_F(EvaluateTest, LongAndNestedFormulas)
{
    // Evaluated directly, a formula costs stack a level: 4 000 levels stand
    // well inside it, also with the sanitizers' larger frames.
    EXPECT_EQ(Text("1" + QString(u"+1"_qs).repeated(3999)), u"4000");
    EXPECT_EQ(Text("4000" + QString(u"-1"_qs).repeated(3990)), u"10");
    const TextCase failures[] = {
        {u"2*(1+NOPE(1))", u"Function not found: NOPE(1)"},
        {u"2*(1+TRIM())", u"Illegal function use: TRIM() - number of arguments is less than minimum required"},
        {u"2*(1+FNUM(n,2))", u"Illegal function use: expression FNUM(n,2) has format function FNUM, which is not allowed within another expression"},
        // A name holding a quotation mark swallows the rest of the call text.
        {u"1+a\u201Cb", u"Illegal function use: SYS_ADD(a\u201Cb,1) - number of arguments is less than minimum required"},
    };
    for (const TextCase &failure : failures)
        EXPECT_EQ(Error(QString::fromUtf16(failure.input)), QString::fromUtf16(failure.expected));
}

TEST_F(EvaluateTest, ErrorClassesFollowTheKindOfFault)
{
    EXPECT_THROW(EvaluateExpression(report, "10/0"), ERpError);
    EXPECT_THROW(EvaluateExpression(report, "x+1"), EIOError);
    EXPECT_THROW(EvaluateExpression(report, "SET(1,2)"), EIllegalFunctionUse);
    EXPECT_THROW(EvaluateExpression(report, "MID('a',1.5)"), EConvertError);
}

TEST_F(EvaluateTest, BracketFunctionShowsAVariableAsText)
{
    report.CreateVar("n", 12.5);
    TRpUDFArgs args{TRpArgument::NamedVariable(&report, "n")};
    TRpArgument result = MakeResultHolder(report, udfrTRpReportVariable);
    DispatchFunction(report, fnBrackets, args, "(n)", result, 1);
    EXPECT_EQ(result.variable()->ValueText(), u"12,5");
    EXPECT_EQ(result.DataType(), rpdtString);

    args = {TRpArgument::NamedVariable(&report, "x")};
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { DispatchFunction(report, fnBrackets, args, "(x)", result, 1); }),
              u"Illegal expression: (x) - report variable x not found");
    args = {TRpArgument::DataField(&orders, 0)};
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { DispatchFunction(report, fnBrackets, args, "(A:B)", result, 1); }),
              u"Illegal brackets use in expression: (A:B) - result type udfrTRpReportVariable expected inside the brackets");
}

TEST_F(EvaluateTest, AssignmentKeepsTheValueAndItsType)
{
    report.CreateVar("x", QString());
    report.CreateVar("big", QString());
    report.CreateVar("when", QString());
    EvaluateExpression(report, "x:=-5");
    EXPECT_EQ(report.VarByName("x")->ValueText(), u"-5");
    EXPECT_EQ(report.VarByName("x")->DataType(), rpdtNumber);
    report.VarByName("big")->SetAsInteger(9007199254740993LL);
    EvaluateExpression(report, "SET(x,big)");
    EXPECT_EQ(report.VarByName("x")->ValueText(), u"9007199254740993");
    EvaluateExpression(report, "when:={2021-11-30}");
    EXPECT_EQ(report.VarByName("when")->AsString(), u"30.11.2021");
    EvaluateExpression(report, "x:=ORDERS:PAID");
    EXPECT_EQ(report.VarByName("x")->DataType(), rpdtBoolean);
    EXPECT_TRUE(report.VarByName("x")->AsBoolean());
}

TEST_F(EvaluateTest, VarDeclaresMissingVariablesOnly)
{
    report.CreateVar("a", 5.0);
    EXPECT_EQ(Text("VAR(a,b)"), u"<nothing>");
    EXPECT_EQ(report.VarByName("a")->ValueText(), u"5");
    EXPECT_EQ(report.VarByName("b")->ValueText(), u"");
    EXPECT_EQ(report.VarByName("b")->DataType(), rpdtString);
}

TEST_F(EvaluateTest, AggregatesStartAgainOnTheFirstPassOnly)
{
    // One scan over ORDERS: the first record is the first pass.
    auto scan = [&](const QString &expression) {
        orders.First();
        report.firstPass = true;
        while (!orders.Eof()) {
            EvaluateExpression(report, expression);
            report.firstPass = false;
            orders.Next();
        }
    };
    scan("SUM(ORDERS:AMOUNT,TOTAL)");
    EXPECT_EQ(report.VarByName("TOTAL")->ValueText(), u"113");
    scan("SUM(ORDERS:AMOUNT,TOTAL)");
    EXPECT_EQ(report.VarByName("TOTAL")->ValueText(), u"113");
    scan("SUM(ORDERS:AMOUNT,RUNNING,NORESET)");
    scan("SUM(ORDERS:AMOUNT,RUNNING,NORESET)");
    EXPECT_EQ(report.VarByName("RUNNING")->ValueText(), u"226");
    EXPECT_EQ(report.GetVarNumber("NORESET"), 0);
    scan("CTN(ORDERS:QTY,NONZERO)");
    EXPECT_EQ(report.VarByName("NONZERO")->ValueText(), u"1");
    scan("CTS(ORDERS:NAME,NAMED)");
    EXPECT_EQ(report.VarByName("NAMED")->ValueText(), u"3");

    // At the data set's end a field adds nothing.
    EXPECT_TRUE(orders.Eof());
    report.firstPass = false;
    EvaluateExpression(report, "SUM(ORDERS:AMOUNT,TOTAL)");
    EXPECT_EQ(report.VarByName("TOTAL")->ValueText(), u"113");
    EXPECT_EQ(Text("IF(ORDERS:PAID)"), u"False");

    // Outside any scan the total is the value itself.
    report.firstPass = true;
    report.CreateVar("x", 7.0);
    EvaluateExpression(report, "SUM(x,T)");
    EvaluateExpression(report, "SUM(x,T)");
    EXPECT_EQ(report.VarByName("T")->ValueText(), u"7");
}

TEST_F(EvaluateTest, FieldsKeepTheirWholeValue)
{
    // Large integers are read whole, not cut to 32 bits.
    TRpMemoryDataSet ids("IDS", {{"ID", TRpFieldType::LargeInt}, {"AT", TRpFieldType::Time},
                                 {"RAW", TRpFieldType::Blob}});
    ids.AppendRow({qint64(5000000000), EncodeTime(10, 15, 0, 0), QByteArray("xyz")});
    report.RegisterDataSet("IDS", &ids);
    EXPECT_EQ(Text("IDS:ID+1"), u"5000000001");
    EXPECT_EQ(Text("TIMETOSTR(IDS:AT)"), u"10:15:00");
    EXPECT_EQ(Type("IIF(TRUE,IDS:RAW,0)"), rpdtUnknown);
    EXPECT_EQ(Error("IDS:RAW='xyz'"), u"Operator/operand type mismatch. Operation \"=\", expression IDS:RAW='xyz'");
}

TEST_F(EvaluateTest, DataSetFunctionsMoveTheNamedDataSet)
{
    EXPECT_EQ(Text("BOF(ORDERS)"), u"True");
    EvaluateExpression(report, "NEXT(ORDERS)");
    EXPECT_EQ(Text("ORDERS:NAME+''"), u"Bolek");
    EvaluateExpression(report, "LAST(orders)");
    EXPECT_EQ(Text("EOF(ORDERS)"), u"True");
    EvaluateExpression(report, "PRIOR(ORDERS)");
    EXPECT_EQ(Text("ORDERS:NAME+''"), u"Bolek");
    EvaluateExpression(report, "FIRST(ORDERS)");
    EXPECT_EQ(Text("ORDERS:NAME+''"), u"Anna");
}

TEST_F(EvaluateTest, UserFunctionsGetTheirArgumentsAndFillTheResult)
{
    TRpUDFList list;
    TRpUDF &join = list.Functions().Add();
    join.SetName("JOIN");
    join.SetArgMinCount(1);
    join.SetArgMaxCount(3);
    int calls = 0;
    join.SetOnCalculate([&](TRpBaseReport *sender, TRpUDFArgs &args, int argCount, TRpArgument &result) {
        ++calls;
        EXPECT_EQ(sender, &report);
        QString text;
        for (int i = 0; i < argCount; ++i)
            text += args[i].Value(sender).AsString();
        result.variable()->SetAsString(text);
    });
    TRpUDF &silent = list.Functions().Add();
    silent.SetName("SILENT");
    silent.SetArgMaxCount(1);
    report.SetUDFList(&list);
    report.CreateVar("n", 2.5);
    EXPECT_EQ(Text("JOIN('a',n,ORDERS:NAME)"), u"a2,5Anna");
    EXPECT_EQ(Text("SILENT(1)"), u"");
    EXPECT_EQ(Error("JOIN(missing)"), u"Illegal function use: JOIN(missing) - report variable missing not found");
    EXPECT_EQ(calls, 1);

    // A call compiled against a longer list finds no function.
    TRpUDFArgs none;
    TRpArgument result;
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { DispatchFunction(report, 5, none, "F()", result, 0); }),
              u"Function not found: user function 5");
    EXPECT_EQ(MessageOf<EIllegalFunctionUse>([&] { DispatchFunction(report, -69, none, "F()", result, 0); }),
              u"Function not found: built-in function -69");
}

} // namespace
