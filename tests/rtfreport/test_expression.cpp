// The expression language: tokens, infix conversion with its messages,
// calls and argument splitting, the function and operator tables.

#include "rpconst.h"
#include "rperrors.h"
#include "rpexpression.h"
#include "rpfunc.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace rtfreport;

namespace {

struct TokenCase {
    const char16_t *text;
    bool dotAsColon;
    int kind;
    const char16_t *token;
    const char16_t *rest;
};

class ClassifyTokenTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(ClassifyTokenTest, KindTokenAndRest)
{
    const TokenCase &c = GetParam();
    const TRpToken t = ClassifyToken(QString::fromUtf16(c.text), c.dotAsColon);
    EXPECT_EQ(t.kind, c.kind);
    if (c.kind != tkNothing && c.kind != tkOperator) {
        EXPECT_EQ(t.token, QString::fromUtf16(c.token));
        EXPECT_EQ(t.rest, QString::fromUtf16(c.rest));
    }
}

INSTANTIATE_TEST_SUITE_P(Tokens, ClassifyTokenTest, ::testing::Values(
    TokenCase{u"", false, tkNothing, u"", u""},
    TokenCase{u"*a", false, tkNothing, u"", u""},
    TokenCase{u"{2021-11-30}+1", false, tkDate, u"{2021-11-30}", u"+1"},
    TokenCase{u"{2021-11-3}", false, tkNothing, u"", u""},
    TokenCase{u"true&&x", false, tkBoolean, u"TRUE", u"&&x"},
    TokenCase{u"TRUEX", false, tkBoolean, u"TRUE", u"X"},
    TokenCase{u"False", false, tkBoolean, u"FALSE", u""},
    TokenCase{u"12+a", false, tkNumber, u"12", u"+a"},
    TokenCase{u"-3.5*2", false, tkNumber, u"-3.5", u"*2"},
    TokenCase{u".5", false, tkNumber, u".5", u""},
    TokenCase{u"1e-3", false, tkNumber, u"1e-3", u""},
    TokenCase{u"1.2.3", false, tkNumber, u"1.2", u".3"},
    TokenCase{u"-a", false, tkOperator, u"", u""},
    TokenCase{u"1e", false, tkNothing, u"", u""},
    TokenCase{u"'ab,c'+x", false, tkString, u"'ab,c'", u"+x"},
    TokenCase{u"«a»", false, tkString, u"«a»", u""},
    TokenCase{u"“a”", false, tkString, u"“a”", u""},
    TokenCase{u"'abc", false, tkNothing, u"", u""},
    TokenCase{u"Net total*2", false, tkIdentifier, u"Net total", u"*2"},
    TokenCase{u"Zażółć", false, tkIdentifier, u"Zażółć", u""},
    TokenCase{u"MID(a,')',2)+1", false, tkFunctionCall, u"MID(a,')',2)", u"+1"},
    TokenCase{u"MID(a", false, tkNothing, u"", u""},
    TokenCase{u"A.NAME", false, tkDataFieldDot, u"A.NAME", u""},
    TokenCase{u"A.NAME", true, tkDataFieldColon, u"A:NAME", u""},
    TokenCase{u"orders:net total<5", false, tkDataFieldColon, u"orders:net total", u"<5"},
    TokenCase{u"A:(2)", false, tkDataFieldColon, u"A:(2)", u""},
    TokenCase{u"A.(2)+1", true, tkDataFieldColon, u"A:(2)", u"+1"},
    TokenCase{u"x:=5", false, tkIdentifier, u"x", u":=5"},
    TokenCase{u"(a)", false, tkOperator, u"", u""},
    TokenCase{u"!a", false, tkOperator, u"", u""},
    TokenCase{u"#", false, tkNothing, u"", u""}), NamedAfter<&TokenCase::text>());

TEST(ReadOperatorTest, TwoCharacterOperatorsFirstAndUnarySigns)
{
    EXPECT_EQ(ReadOperator("<=a", false).op, u"<=");
    EXPECT_EQ(ReadOperator("||b", false).op, u"||");
    EXPECT_EQ(ReadOperator("!=b", true).op, u"!=");
    EXPECT_EQ(ReadOperator("-b", true).op, u"u-");
    EXPECT_EQ(ReadOperator("+b", false).op, u"+");
    EXPECT_EQ(ReadOperator("+b", false).rest, u"b");
    EXPECT_FALSE(ReadOperator("&b", false).found);
    EXPECT_FALSE(ReadOperator("", false).found);
}

using InfixCase = TextCase;

class ParseInfixTest : public ::testing::TestWithParam<InfixCase> {};

TEST_P(ParseInfixTest, ConvertsToNestedCalls)
{
    EXPECT_EQ(ParseInfix(QString::fromUtf16(GetParam().input), true), QString::fromUtf16(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Conversions, ParseInfixTest, ::testing::Values(
    InfixCase{u"a-b*2", u"SYS_SUB(SYS_MULT(2,b),a)"},
    InfixCase{u"(a+b)*c", u"SYS_MULT(c,SYS_ADD(b,a))"},
    InfixCase{u"x-(a*b-c)*d", u"SYS_SUB(SYS_MULT(d,SYS_SUB(c,SYS_MULT(b,a))),x)"},
    InfixCase{u"a-b-c", u"SYS_SUB(c,SYS_SUB(b,a))"},
    InfixCase{u"x<=-1", u"SYS_LTEQ(SYS_UMINUS(1),x)"},
    InfixCase{u"x:=-5", u"SYS_LET(SYS_UMINUS(5),x)"},
    InfixCase{u"x<>-2", u"SYS_NOTEQ(SYS_UMINUS(2),x)"},
    InfixCase{u"-a*b", u"SYS_MULT(b,SYS_UMINUS(a))"},
    InfixCase{u"!a&&b||c", u"SYS_OR(c,SYS_AND(b,SYS_NOT(a)))"},
    InfixCase{u"!!x", u"SYS_NOT(SYS_NOT(x))"},
    InfixCase{u"!(!x)", u"SYS_NOT(SYS_NOT(x))"},
    InfixCase{u"a*-(b+1)", u"SYS_MULT(SYS_UMINUS(SYS_ADD(1,b)),a)"},
    InfixCase{u"A.B+1", u"SYS_ADD(1,A:B)"},
    InfixCase{u"MID(s,1,2)='ab'", u"SYS_EQ('ab',MID(s,1,2))"},
    InfixCase{u"n%3=0", u"SYS_EQ(0,SYS_PERCENT(3,n))"},
    InfixCase{u"-3*2", u"SYS_MULT(2,-3)"}), NamedAfter<&TextCase::input>());

using ErrorCase = TextCase;

class ParseInfixErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParseInfixErrorTest, RefusesWithTheEngineText)
{
    try {
        ParseInfix(QString::fromUtf16(GetParam().input), true);
        FAIL() << "no error";
    } catch (const EIllegalFunctionUse &e) {
        EXPECT_EQ(e.message(), QString::fromUtf16(GetParam().expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Messages, ParseInfixErrorTest, ::testing::Values(
    ErrorCase{u"*a", u"Cannot process an expression: *a"},
    ErrorCase{u")a", u"Cannot process an expression: )a"},
    ErrorCase{u"a#", u"Cannot process an expression: a# error after a"},
    ErrorCase{u"a+b&c", u"Cannot process an expression: a+b&c error after ab"},
    ErrorCase{u"TRUEX", u"Cannot process an expression: TRUEX error after TRUE operation expected"},
    ErrorCase{u"(a)b", u"Cannot process an expression: (a)b error after a operation expected"},
    ErrorCase{u"a&&-b", u"Cannot process an expression: a&&-b error after a \"-\" not expected"},
    ErrorCase{u"a!b", u"Cannot process an expression: a!b error after a \"!\" not expected"},
    ErrorCase{u"(a)(b)", u"Cannot process an expression: (a)(b) error after a \"(\" not expected"},
    ErrorCase{u"a*/b", u"Cannot process an expression: a*/b error after a \"/\" not expected"},
    ErrorCase{u"--a", u"Cannot process an expression: --a error after  \"-\" not expected"},
    ErrorCase{u"a+", u"Unexpected end of expression: a+"},
    ErrorCase{u"(a+b", u"Cannot process an expression: (a+b \")\" expected"},
    ErrorCase{u"a+b)", u"Cannot process an expression: a+b) - number of \")\" is more than number of \"(\" brackets"},
    ErrorCase{u"(x)", u"Operation or function name missed in expression: (x), operand: x"},
    ErrorCase{u"x", u"Operation or function name missed in expression: x, operand: x"}), NamedAfter<&TextCase::input>());

TEST(SplitArgumentsTest, CommasInsideBracketsAndStringsDoNotSplit)
{
    TRpArguments a = SplitArguments("a,MID(b,1,2),'x,y',");
    EXPECT_TRUE(a.balanced);
    EXPECT_EQ(a.arguments, QStringList({"a", "MID(b,1,2)", "'x,y'", ""}));
    EXPECT_TRUE(SplitArguments("  ").arguments.isEmpty());
    EXPECT_TRUE(SplitArguments("  ").balanced);
    EXPECT_EQ(SplitArguments(" a , b").arguments, QStringList({" a ", " b"}));
    a = SplitArguments("a),b");
    EXPECT_FALSE(a.balanced);
    EXPECT_EQ(a.arguments, QStringList({"a"}));
    a = SplitArguments("a,(b");
    EXPECT_FALSE(a.balanced);
    EXPECT_EQ(a.arguments, QStringList({"a", "(b"}));
    EXPECT_EQ(SplitArguments("'a,b").arguments, QStringList({"'a,b"}));
}

TEST(FunctionTable, SixtyEightEntriesInIdentifierOrder)
{
    ASSERT_EQ(RpFunctions.size(), 68u);
    for (int i = 0; i < 68; ++i)
        EXPECT_EQ(RpFunctions[i].id, -i - 1);
    EXPECT_EQ(*LookupFunction(" mid ", nullptr), fnMid);
    EXPECT_EQ(*LookupFunction("", nullptr), fnBrackets);
    EXPECT_EQ(*LookupFunction("SYS_IIF_FALSE", nullptr), fnSysIifFalse);
    EXPECT_FALSE(LookupFunction("NOPE", nullptr));
    EXPECT_EQ(FunctionArgMaxCount(fnVar, nullptr), 10000);
    EXPECT_EQ(FunctionResultKind(fnSum, nullptr), 0);
    EXPECT_EQ(FunctionResultKind(fnPos, nullptr), 1);
}

TEST(ParseFunctionCallTest, CallsBracketsAndCounts)
{
    TRpFunctionCall call = ParseFunctionCall("mid(a,1,2)", nullptr);
    EXPECT_TRUE(call.isCall);
    EXPECT_EQ(call.id, fnMid);
    EXPECT_EQ(call.arguments, QStringList({"a", "1", "2"}));
    call = ParseFunctionCall("(a+b)", nullptr);
    EXPECT_TRUE(call.isCall);
    EXPECT_EQ(call.id, fnBrackets);
    EXPECT_EQ(call.arguments, QStringList({"a+b"}));
    EXPECT_EQ(ParseFunctionCall("NOW()", nullptr).arguments.size(), 0);
    EXPECT_FALSE(ParseFunctionCall("UNKNOWN(a)", nullptr).isCall);
    EXPECT_FALSE(ParseFunctionCall("MID(a", nullptr).isCall);
    EXPECT_FALSE(ParseFunctionCall("abc", nullptr).isCall);

    const std::vector<std::pair<const char *, const char *>> errors = {
        {"MID(a)", "Illegal function use: MID(a) - number of arguments is less than minimum required"},
        {"TRIM(a,b)", "Illegal function use: TRIM(a,b) - number of arguments is more than maximum allowed"},
        {"NOW(1)", "Illegal function use: NOW(1) - number of arguments is more than maximum allowed"},
        {"TRIM(a))", "Brackets balance violation in function TRIM(a))"},
    };
    for (const auto &[text, message] : errors) {
        try {
            ParseFunctionCall(text, nullptr);
            ADD_FAILURE() << text;
        } catch (const EIllegalFunctionUse &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(message));
        }
    }
}

TEST(ParseFunctionCallTest, UserFunctionsHideBuiltInsButNeverTheBrackets)
{
    TRpUDFList list;
    TRpUDF &trim = list.Functions().Add();
    trim.SetName("Trim");
    trim.SetArgMaxCount(2);
    list.Functions().Add();  // not named yet
    const TRpFunctionCall call = ParseFunctionCall("TRIM(a,b)", &list);
    EXPECT_TRUE(call.isCall);
    EXPECT_EQ(call.id, 0);
    EXPECT_EQ(ParseFunctionCall("(a)", &list).id, fnBrackets);
    EXPECT_EQ(ParseFunctionCall("UPPER(a)", &list).id, fnUpper);
}

TEST(ExpressionRecords, AddAndIndexChecks)
{
    TRpExpression e;
    e.Add("a", true, 0, false, false, false, 0, 0);
    EXPECT_EQ(e.Count(), 1);
    EXPECT_EQ(e.Operand(0).Text, u"a");
    try {
        e.Add("!", false, 1, true, false, true, 8, 0);
        ADD_FAILURE();
    } catch (const ERpError &error) {
        EXPECT_EQ(error.message(), u"TRpExpression Add  - cannot set AllowBoolArg to false when ReqBoolArg is true");
    }
    try {
        e.GetOperand(1);
        ADD_FAILURE();
    } catch (const ERpError &error) {
        EXPECT_EQ(error.message(), u"TRpExpression GetOperand 1 - invalid index of operand");
    }
    TRpOperationStack stack;
    stack.Push(e.Operand(0));
    EXPECT_EQ(stack.Pop().Text, u"a");
    try {
        stack.GetOperation(-1);
        ADD_FAILURE();
    } catch (const ERpError &error) {
        EXPECT_EQ(error.message(), u"TRpOperationStack GetOperation -1 - invalid index of operation");
    }
}

} // namespace
