#pragma once
// The expression language: tokens, infix formulas turned into nested calls
// of the SYS_ functions, and function calls with their arguments.
//
// The command text arrives normalised: escapes decoded, blanks outside
// quotations removed, "[" and "]" dropped (blanks between them kept).
// Errors are EIllegalFunctionUse with the engine's texts.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace rtfreport {

class TRpUDF;
class TRpUDFList;

// Token kinds of ClassifyToken.
enum TRpTokenKind {
    tkIdentifier = 0, tkFunctionCall = 1, tkNumber = 2, tkString = 3, tkBoolean = 4, tkDate = 5,
    tkDataFieldDot = -1, tkDataFieldColon = -2, tkOperator = -13, tkNothing = -5,
};

struct TRpToken {
    int kind = tkNothing;
    QString token;
    QString rest;
};

// The closing quote of an opening quote character, or a null QChar.
QChar ClosingQuote(QChar opening);

TRpToken ClassifyToken(const QString &text, bool dotAsColon);

struct TRpOperatorToken {
    bool found = false;
    QString op;   // "u+" and "u-" for signs read where unary is allowed
    QString rest;
};
TRpOperatorToken ReadOperator(const QString &text, bool unaryAllowed);

// One token of an infix formula.
struct TRpOperand {
    QString Text;
    bool IsOperand = false;
    int ArgsNeed = 0;
    bool ReqBoolArg = false;
    bool AllowBoolArg = false;
    bool RetBoolRes = false;
    int Priority = 0;
    int Fldnum = 0;   // for operands, the token kind
};

class TRpExpression {
public:
    int Count() const { return int(m_items.size()); }
    void Add(const QString &text, bool isOperand, int argsNeed, bool reqBoolArg, bool allowBoolArg,
             bool retBoolRes, int priority, int fldnum);
    void Add(const TRpOperand &operand);
    const TRpOperand &GetOperand(int index) const;
    const TRpOperand &Operand(int index) const { return GetOperand(index); }

protected:
    std::vector<TRpOperand> m_items;
};

class TRpOperationStack : private TRpExpression {
public:
    using TRpExpression::Count;
    void Push(const TRpOperand &operation) { Add(operation); }
    TRpOperand Pop();
    const TRpOperand &GetOperation(int index) const;
    const TRpOperand &Top() const { return GetOperation(Count() - 1); }
};

// An infix formula as calls of the SYS_ functions: a call (its function's
// name and arguments) or an operand (its token as read).
struct TRpInfixNode {
    QString text;
    bool isCall = false;
    std::vector<TRpInfixNode> arguments;
};

struct TRpInfix {
    TRpInfixNode call;
    // False when the call text would not split back into these operands (a
    // name holding a quotation mark): such a formula is read from its text.
    bool splitsBack = true;
};

// "a-b*2" becomes SYS_SUB(SYS_MULT(2,b),a): the right operand first.
// Prefix operators group from the right, so "!!x" is SYS_NOT(SYS_NOT(x)).
TRpInfix ParseInfixCalls(const QString &text, bool dotAsColon);
// The calls written as nested call text.
QString InfixCallText(const TRpInfixNode &call);
QString ParseInfix(const QString &text, bool dotAsColon);

struct TRpArguments {
    bool balanced = true;
    QStringList arguments;  // not trimmed
};
TRpArguments SplitArguments(const QString &text);

// The identifier of a function name: a user function's index (0, 1, ...)
// when the list has one of that name, else a built-in's -1 .. -68.
std::optional<int> LookupFunction(const QString &name, const TRpUDFList *udfList);
// The user function of an identifier; EIllegalFunctionUse when the list
// has none (it changed since the call was looked up).
const TRpUDF &UserFunction(int id, const TRpUDFList *udfList);
int FunctionResultKind(int id, const TRpUDFList *udfList);
int FunctionArgMinCount(int id, const TRpUDFList *udfList);
int FunctionArgMaxCount(int id, const TRpUDFList *udfList);
QString FunctionName(int id, const TRpUDFList *udfList);

struct TRpFunctionCall {
    bool isCall = false;
    int id = 0;
    QStringList arguments;
};
// NAME(arguments) or the bracket function "(" text ")". No call shape or an
// unknown name: isCall false. Bracket and count errors raise.
TRpFunctionCall ParseFunctionCall(const QString &text, const TRpUDFList *udfList);
// The function an infix call names, as ParseFunctionCall finds it in the
// call's text: nothing for an unknown name, count errors raise.
std::optional<int> InfixCallFunction(const TRpInfixNode &call, const TRpUDFList *udfList);

} // namespace rtfreport
