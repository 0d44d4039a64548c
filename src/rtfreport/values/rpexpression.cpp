#include "rpexpression.h"

#include "rpbasereport.h"
#include "rpconst.h"
#include "rperrors.h"
#include "rpfunc.h"

namespace rtfreport {

QChar ClosingQuote(QChar opening)
{
    switch (opening.unicode()) {
    case u'"': return u'"';
    case u'\'': return u'\'';
    case u'`': return u'`';
    case u'~': return u'~';
    case 0x00AB: return QChar(0x00BB);  // « »
    case 0x00BB: return QChar(0x00BB);  // » »
    case 0x201C: return QChar(0x201D);  // “ ”
    case 0x201D: return QChar(0x201D);  // ” ”
    default: return QChar();
    }
}

namespace {

bool IsHighLetter(QChar c)
{
    return c.unicode() >= 0x00C0;
}

// Letters, digits, "_" and characters from U+00C0 upwards.
bool IsNameChar(QChar c)
{
    return TRpBaseReport::Letter(c) || TRpBaseReport::Digit(c) || c == u'_' || IsHighLetter(c);
}

int NameEnd(QStringView text, int from)
{
    int i = from;
    while (i < text.size() && (IsNameChar(text.at(i)) || text.at(i) == u' '))
        ++i;
    return i;
}

// Position just after the closing quote of the string opening at `at`, or
// -1 when it does not close.
int StringEnd(QStringView text, int at)
{
    const QChar close = ClosingQuote(text.at(at));
    const int found = text.indexOf(close, at + 1);
    return found < 0 ? -1 : found + 1;
}

// Position of the ")" matching the "(" at `open`, counting brackets outside
// quoted strings; -1 when there is none.
int MatchingBracket(QStringView text, int open)
{
    int depth = 0;
    for (int i = open; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!ClosingQuote(c).isNull()) {
            const int end = StringEnd(text, i);
            if (end < 0)
                return -1;
            i = end - 1;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && --depth == 0) {
            return i;
        }
    }
    return -1;
}

bool IsDateLiteral(QStringView t)
{
    if (t.size() < 12 || t.at(0) != u'{' || t.at(5) != u'-' || t.at(8) != u'-' || t.at(11) != u'}')
        return false;
    for (int i : {1, 2, 3, 4, 6, 7, 9, 10})
        if (!TRpBaseReport::Digit(t.at(i)))
            return false;
    return true;
}

// Length of a number at the start of t, 0 when there is none.
int NumberLength(QStringView t)
{
    int i = 0;
    const int n = t.size();
    if (i < n && (t.at(i) == u'+' || t.at(i) == u'-'))
        ++i;
    bool point = false;
    while (i < n && (TRpBaseReport::Digit(t.at(i)) || (t.at(i) == u'.' && !point))) {
        point = point || t.at(i) == u'.';
        ++i;
    }
    if (i < n && (t.at(i) == u'e' || t.at(i) == u'E')) {
        ++i;
        if (i < n && (t.at(i) == u'+' || t.at(i) == u'-'))
            ++i;
        while (i < n && TRpBaseReport::Digit(t.at(i)))
            ++i;
    }
    return i > 0 && TRpBaseReport::Digit(t.at(i - 1)) ? i : 0;
}

// A token read from the start of trimmed text: the rest is left where it
// is, as copying it for every token of a long formula would cost its square.
struct TokenSpan {
    int kind;
    QString token;
    qsizetype length;  // of the text the token took
};

TokenSpan Token(int kind, QStringView text, qsizetype length)
{
    return {kind, text.left(length).toString(), length};
}

// A name followed by ":" or "." and a field name, or a bracketed number.
std::optional<TokenSpan> ClassifyDataField(QStringView t, int nameEnd, bool dotAsColon)
{
    const QChar separator = t.at(nameEnd);
    const int after = nameEnd + 1;
    int end = -1;
    if (after < t.size() && IsNameChar(t.at(after))) {
        end = NameEnd(t, after);
    } else if (after < t.size() && t.at(after) == u'(') {
        int i = after + 1;
        while (i < t.size() && TRpBaseReport::Digit(t.at(i)))
            ++i;
        if (i > after + 1 && i < t.size() && t.at(i) == u')')
            end = i + 1;
    }
    if (end < 0)
        return std::nullopt;
    TokenSpan token = Token(separator == u':' ? tkDataFieldColon : tkDataFieldDot, t, end);
    if (separator == u'.' && dotAsColon) {
        token.token[nameEnd] = u':';
        token.kind = tkDataFieldColon;
    }
    return token;
}

std::optional<TokenSpan> ClassifyName(QStringView t, bool dotAsColon)
{
    const int end = NameEnd(t, 1);
    const QChar before = t.at(end - 1);
    if (end == t.size() || (t.at(end) != u'(' && t.at(end) != u'.' && t.at(end) != u':')) {
        if (before == u' ')
            return std::nullopt;
        return Token(tkIdentifier, t, end);
    }
    const QChar c = t.at(end);
    if (c == u'(') {
        if (!IsNameChar(before))
            return std::nullopt;
        const int close = MatchingBracket(t, end);
        if (close < 0)
            return std::nullopt;
        return Token(tkFunctionCall, t, close + 1);
    }
    if (c == u':' && end + 1 < t.size() && t.at(end + 1) == u'=')
        return Token(tkIdentifier, t, end);
    return ClassifyDataField(t, end, dotAsColon);
}

TokenSpan ClassifyTrimmed(QStringView t, bool dotAsColon)
{
    static const QString refused = QStringLiteral("):<>=*/%");
    if (t.isEmpty() || refused.contains(t.at(0)))
        return {tkNothing, QString(), 0};
    if (IsDateLiteral(t))
        return Token(tkDate, t, 12);
    if (t.left(4).toString().toUpper() == u"TRUE")
        return {tkBoolean, QStringLiteral("TRUE"), 4};
    if (t.left(5).toString().toUpper() == u"FALSE")
        return {tkBoolean, QStringLiteral("FALSE"), 5};
    const QChar first = t.at(0);
    if (TRpBaseReport::Digit(first) || first == u'+' || first == u'-' || first == u'.') {
        if (const int length = NumberLength(t))
            return Token(tkNumber, t, length);
    }
    if (t.size() > 1 && !ClosingQuote(first).isNull()) {
        const int end = StringEnd(t, 0);
        if (end > 0)
            return Token(tkString, t, end);
    }
    if (TRpBaseReport::Letter(first) || first == u'_' || IsHighLetter(first)) {
        if (auto token = ClassifyName(t, dotAsColon))
            return *token;
    }
    static const QString operatorStart = QStringLiteral("!(+-");
    return {operatorStart.contains(first) ? tkOperator : tkNothing, QString(), 0};
}

struct OperatorSpan {
    bool found;
    QString op;
    qsizetype length;
};

OperatorSpan ReadTrimmedOperator(QStringView t, bool unaryAllowed)
{
    static const char *const twoCharacter[] = {":=", "&&", "||", "<=", ">=", "<>", "!="};
    for (const char *op : twoCharacter)
        if (t.startsWith(QLatin1String(op)))
            return {true, QLatin1String(op), 2};
    static const QString oneCharacter = QStringLiteral("!%()*+-/<=>");
    if (t.isEmpty() || !oneCharacter.contains(t.at(0)))
        return {false, QString(), 0};
    QString op = t.left(1).toString();
    if (unaryAllowed && (op == u"+" || op == u"-"))
        op.prepend(u'u');
    return {true, op, 1};
}

} // namespace

TRpToken ClassifyToken(const QString &text, bool dotAsColon)
{
    const QString t = text.trimmed();
    const TokenSpan span = ClassifyTrimmed(t, dotAsColon);
    return {span.kind, span.token, t.mid(span.length)};
}

TRpOperatorToken ReadOperator(const QString &text, bool unaryAllowed)
{
    const QString t = text.trimmed();
    const OperatorSpan span = ReadTrimmedOperator(t, unaryAllowed);
    return {span.found, span.op, t.mid(span.length)};
}

// --- TRpExpression and TRpOperationStack -------------------------------------

void TRpExpression::Add(const QString &text, bool isOperand, int argsNeed, bool reqBoolArg,
                        bool allowBoolArg, bool retBoolRes, int priority, int fldnum)
{
    Add(TRpOperand{text, isOperand, argsNeed, reqBoolArg, allowBoolArg, retBoolRes, priority, fldnum});
}

void TRpExpression::Add(const TRpOperand &operand)
{
    if (operand.ReqBoolArg && !operand.AllowBoolArg)
        throw ERpError(QStringLiteral(
            "TRpExpression Add  - cannot set AllowBoolArg to false when ReqBoolArg is true"));
    m_items.push_back(operand);
}

const TRpOperand &TRpExpression::GetOperand(int index) const
{
    if (index < 0 || index >= Count())
        throw ERpError(u"TRpExpression GetOperand "_qs + QString::number(index)
                       + u" - invalid index of operand"_qs);
    return m_items[index];
}

const TRpOperand &TRpOperationStack::GetOperation(int index) const
{
    if (index < 0 || index >= Count())
        throw ERpError(u"TRpOperationStack GetOperation "_qs + QString::number(index)
                       + u" - invalid index of operation"_qs);
    return m_items[index];
}

TRpOperand TRpOperationStack::Pop()
{
    TRpOperand top = GetOperation(Count() - 1);
    m_items.pop_back();
    return top;
}

// --- ParseInfix ----------------------------------------------------------------

namespace {

bool IsPrefixOperator(const QString &op)
{
    return op == u"u+" || op == u"u-" || op == u"!";
}

bool IsBinaryOperator(const QString &op)
{
    const TRpOperatorInfo *info = FindOperator(op);
    return info && info->operands == 2;
}

// Whether an operator may follow the token before it ("" at the start, and
// "operand" after an operand).
bool OperatorMayFollow(const QString &previous, const QString &op)
{
    if (previous == u"operand" || previous == u")")
        return IsBinaryOperator(op) || op == u")";
    if (previous == u"&&" || previous == u"||")
        return op == u"!" || op == u"(";
    if (previous == u"u+" || previous == u"u-")
        return op == u"(";
    if (previous == u"!")
        return op == u"!" || op == u"(";
    if (previous == u"(" || previous.isEmpty())
        return op == u"u+" || op == u"u-" || op == u"!" || op == u"(";
    // + - * / % and the comparisons and :=
    return op == u"(" || op == u"u+" || op == u"u-";
}

class InfixParser {
public:
    InfixParser(const QString &text, bool dotAsColon) : m_text(text), m_dotAsColon(dotAsColon) {}

    TRpInfixNode Parse()
    {
        ReadTokens();
        return Emit(ToPostfix());
    }

private:
    [[noreturn]] void Fail(const QString &detail = QString()) const
    {
        throw EIllegalFunctionUse(u"Cannot process an expression: "_qs + m_text + detail);
    }

    QString Where() const
    {
        return (m_tokens.Count() == 0 ? u" error at the beginning "_qs : u" error after "_qs) + m_operands;
    }

    void ReadTokens()
    {
        QStringView rest = ReadFirstToken();
        while (!rest.isEmpty()) {
            static const QString operatorStart = QStringLiteral("!%&()*+-/:<=>|");
            const QStringView t = rest.trimmed();
            if (operatorStart.contains(rest.at(0))) {
                const OperatorSpan op = ReadTrimmedOperator(t, UnaryAllowed());
                if (!op.found)
                    Fail(u" error after "_qs + m_operands);
                AcceptOperator(op.op);
                rest = t.mid(op.length);
            } else {
                const TokenSpan token = ClassifyTrimmed(t, m_dotAsColon);
                if (token.kind == tkNothing || token.kind == tkOperator)
                    Fail(u" error after "_qs + m_operands);
                AcceptOperand(token);
                rest = t.mid(token.length);
            }
        }
        if (m_depth > 0)
            Fail(u" \")\" expected"_qs);
        if (m_previous != u"operand" && m_previous != u")")
            throw EIllegalFunctionUse(u"Unexpected end of expression: "_qs + m_text);
    }

    // The rest of the text after the first token, as a view into m_text.
    QStringView ReadFirstToken()
    {
        const QStringView t = QStringView(m_text).trimmed();
        const TokenSpan token = ClassifyTrimmed(t, m_dotAsColon);
        if (token.kind == tkNothing)
            Fail();
        if (token.kind != tkOperator) {
            AcceptOperand(token);
            return t.mid(token.length);
        }
        const OperatorSpan op = ReadTrimmedOperator(t, true);
        if (!op.found || !(IsPrefixOperator(op.op) || op.op == u"("))
            Fail();
        AcceptOperator(op.op);
        return t.mid(op.length);
    }

    // Unary signs follow "(" and every binary operator except && and ||.
    bool UnaryAllowed() const
    {
        if (m_previous == u"(")
            return true;
        return IsBinaryOperator(m_previous) && m_previous != u"&&" && m_previous != u"||";
    }

    void AcceptOperand(const TokenSpan &token)
    {
        if (m_previous == u"operand" || m_previous == u")")
            Fail(Where() + u" operation expected"_qs);
        m_tokens.Add(token.token, true, 0, false, false, false, 0, token.kind);
        m_operands += token.token;
        m_previous = QStringLiteral("operand");
    }

    void AcceptOperator(const QString &op)
    {
        if (!OperatorMayFollow(m_previous, op))
            Fail(Where() + u" \""_qs + op + u"\" not expected"_qs);
        if (op == u"(")
            ++m_depth;
        if (op == u")" && --m_depth < 0)
            Fail(u" - number of \")\" is more than number of \"(\" brackets"_qs);
        const TRpOperatorInfo *info = FindOperator(op);
        m_tokens.Add(op, false, info->operands, info->reqBoolArg, info->allowBoolArg,
                     info->retBoolRes, info->priority, 0);
        m_previous = op;
    }

    TRpExpression ToPostfix() const
    {
        TRpExpression output;
        TRpOperationStack stack;
        for (int i = 0; i < m_tokens.Count(); ++i) {
            const TRpOperand &token = m_tokens.Operand(i);
            if (token.IsOperand) {
                output.Add(token);
            } else if (token.Text == u"(") {
                stack.Push(token);
            } else if (token.Text == u")") {
                while (stack.Top().Text != u"(")
                    output.Add(stack.Pop());
                stack.Pop();
            } else {
                // A prefix operator has no left operand: nothing stacked is
                // complete before it, so it pops nothing (groups from the
                // right).
                if (!IsPrefixOperator(token.Text))
                    while (stack.Count() > 0 && stack.Top().Text != u"("
                           && stack.Top().Priority >= token.Priority)
                        output.Add(stack.Pop());
                stack.Push(token);
            }
        }
        while (stack.Count() > 0)
            output.Add(stack.Pop());
        return output;
    }

    // The calls are built as a tree: nesting them as text would copy every
    // inner call once more at each level.
    TRpInfixNode Emit(const TRpExpression &postfix) const
    {
        const TRpOperand &last = postfix.Operand(postfix.Count() - 1);
        if (last.IsOperand)
            throw EIllegalFunctionUse(u"Operation or function name missed in expression: "_qs + m_text
                                      + u", operand: "_qs + last.Text);
        std::vector<TRpInfixNode> stack;
        for (int i = 0; i < postfix.Count(); ++i) {
            const TRpOperand &item = postfix.Operand(i);
            if (item.IsOperand) {
                stack.push_back({item.Text, false, {}});
                continue;
            }
            if (int(stack.size()) < item.ArgsNeed)
                Fail();
            TRpInfixNode call{QLatin1String(BuiltInFunction(FindOperator(item.Text)->functionId).name), true, {}};
            MoveLast(stack, call.arguments);
            if (item.ArgsNeed == 2)
                MoveLast(stack, call.arguments);
            stack.push_back(std::move(call));
        }
        if (stack.size() != 1)
            Fail();
        return std::move(stack.front());
    }

    static void MoveLast(std::vector<TRpInfixNode> &from, std::vector<TRpInfixNode> &to)
    {
        to.push_back(std::move(from.back()));
        from.pop_back();
    }

    QString m_text;
    bool m_dotAsColon;
    TRpExpression m_tokens;
    QString m_operands;   // the operand tokens read so far, for messages
    QString m_previous;   // "" at the start, "operand", or the operator
    int m_depth = 0;
};

// Reads argument text a character at a time, minding strings and brackets.
class ArgumentReader {
public:
    enum Step { Inside, Separator, Unbalanced };

    Step Read(QChar c)
    {
        if (!m_closing.isNull()) {
            if (c == m_closing)
                m_closing = QChar();
        } else if (!ClosingQuote(c).isNull()) {
            m_closing = ClosingQuote(c);
        } else if (c == u'(') {
            ++m_depth;
        } else if (c == u')' && --m_depth < 0) {
            return Unbalanced;
        } else if (c == u',' && m_depth == 0) {
            return Separator;
        }
        return Inside;
    }

    // In a string or between brackets at the end.
    bool Open() const { return m_depth > 0 || !m_closing.isNull(); }
    int Depth() const { return m_depth; }

private:
    QChar m_closing;  // the quote that ends the string being read
    int m_depth = 0;
};

// Whether an operand comes back whole when its call's text is split.
bool SplitsBackWhole(const QString &operand)
{
    ArgumentReader reader;
    for (QChar c : operand)
        if (reader.Read(c) != ArgumentReader::Inside)
            return false;
    return !reader.Open();
}

bool SplitsBack(const TRpInfixNode &node)
{
    if (!node.isCall)
        return SplitsBackWhole(node.text);
    for (const TRpInfixNode &argument : node.arguments)
        if (!SplitsBack(argument))
            return false;
    return true;
}

void AppendCallText(const TRpInfixNode &node, QString &text)
{
    text += node.text;
    if (!node.isCall)
        return;
    text += u'(';
    for (std::size_t i = 0; i < node.arguments.size(); ++i) {
        if (i > 0)
            text += u',';
        AppendCallText(node.arguments[i], text);
    }
    text += u')';
}

// What is wrong with calling a function with count arguments, or nothing.
QString ArgumentCountFault(int id, int count, const TRpUDFList *udfList)
{
    if (count < FunctionArgMinCount(id, udfList))
        return u" - number of arguments is less than minimum required"_qs;
    if (count > FunctionArgMaxCount(id, udfList))
        return u" - number of arguments is more than maximum allowed"_qs;
    return QString();
}

} // namespace

TRpInfix ParseInfixCalls(const QString &text, bool dotAsColon)
{
    TRpInfix infix{InfixParser(text, dotAsColon).Parse()};
    infix.splitsBack = SplitsBack(infix.call);
    return infix;
}

QString InfixCallText(const TRpInfixNode &call)
{
    QString text;
    AppendCallText(call, text);
    return text;
}

QString ParseInfix(const QString &text, bool dotAsColon)
{
    return InfixCallText(InfixParser(text, dotAsColon).Parse());
}

// --- calls -------------------------------------------------------------------------

TRpArguments SplitArguments(const QString &text)
{
    TRpArguments result;
    if (text.trimmed().isEmpty())
        return result;
    const QString walked = text + u',';
    QString piece;
    ArgumentReader reader;
    for (QChar c : walked) {
        switch (reader.Read(c)) {
        case ArgumentReader::Inside:
            piece += c;
            break;
        case ArgumentReader::Separator:
            result.arguments << piece;
            piece.clear();
            break;
        case ArgumentReader::Unbalanced:
            result.arguments << piece;
            result.balanced = false;
            return result;
        }
    }
    if (reader.Open()) {
        piece.chop(1);  // the "," added above, swallowed by a bracket or string
        result.arguments << piece;
        result.balanced = reader.Depth() <= 0;
    }
    return result;
}

std::optional<int> LookupFunction(const QString &name, const TRpUDFList *udfList)
{
    const QString wanted = name.trimmed().toUpper();
    // A function without a name is one not named yet: it never stands for
    // the bracket function.
    if (udfList && !wanted.isEmpty()) {
        const int index = udfList->FindFunction(wanted);
        if (index >= 0)
            return index;
    }
    for (const TRpFunctionInfo &function : RpFunctions)
        if (wanted == QLatin1String(function.name))
            return function.id;
    return std::nullopt;
}

const TRpUDF &UserFunction(int id, const TRpUDFList *udfList)
{
    if (!udfList || id < 0 || id >= udfList->Functions().Count())
        throw EIllegalFunctionUse(u"Function not found: user function "_qs + QString::number(id));
    return udfList->Functions().Item(id);
}

int FunctionResultKind(int id, const TRpUDFList *udfList)
{
    return id < 0 ? BuiltInFunction(id).resultKind : UserFunction(id, udfList).ResultType();
}

int FunctionArgMinCount(int id, const TRpUDFList *udfList)
{
    return id < 0 ? BuiltInFunction(id).minArgs : UserFunction(id, udfList).ArgMinCount();
}

int FunctionArgMaxCount(int id, const TRpUDFList *udfList)
{
    return id < 0 ? BuiltInFunction(id).maxArgs : UserFunction(id, udfList).ArgMaxCount();
}

QString FunctionName(int id, const TRpUDFList *udfList)
{
    return id < 0 ? QLatin1String(BuiltInFunction(id).name) : UserFunction(id, udfList).Name();
}

TRpFunctionCall ParseFunctionCall(const QString &text, const TRpUDFList *udfList)
{
    QString name, inside;
    if (text.size() > 2 && text.startsWith(u'(') && text.endsWith(u')')) {
        inside = text.mid(1, text.size() - 2);
    } else {
        const int open = text.indexOf(u'(');
        if (open < 0 || open == text.size() - 1 || !text.endsWith(u')'))
            return {};
        name = text.left(open);
        inside = text.mid(open + 1, text.size() - open - 2);
    }
    const std::optional<int> id = LookupFunction(name, udfList);
    if (!id)
        return {};
    const TRpArguments split = SplitArguments(inside);
    if (!split.balanced)
        throw EIllegalFunctionUse(u"Brackets balance violation in function "_qs + text);
    const QString fault = ArgumentCountFault(*id, int(split.arguments.size()), udfList);
    if (!fault.isEmpty())
        throw EIllegalFunctionUse(u"Illegal function use: "_qs + text + fault);
    return {true, *id, split.arguments};
}

std::optional<int> InfixCallFunction(const TRpInfixNode &call, const TRpUDFList *udfList)
{
    const std::optional<int> id = LookupFunction(call.text, udfList);
    if (!id)
        return id;
    // The text is written only for the message.
    const QString fault = ArgumentCountFault(*id, int(call.arguments.size()), udfList);
    if (!fault.isEmpty())
        throw EIllegalFunctionUse(u"Illegal function use: "_qs + InfixCallText(call) + fault);
    return id;
}

} // namespace rtfreport
