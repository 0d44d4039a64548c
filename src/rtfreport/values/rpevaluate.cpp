#include "rpevaluate.h"

#include "rpbasereport.h"
#include "rpconst.h"
#include "rperrors.h"
#include "rpexpression.h"
#include "rpformat.h"
#include "rpfunc.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace rtfreport {

namespace {

const QString ExpressionWord = QStringLiteral(", expression ");

// The two messages of one operand: its type is unknown, or not the one
// wanted. Each is followed by the expression text.
struct OperandMessages {
    QString unknown;
    QString expected;
};

QString Quoted(const QString &name)
{
    return u'"' + name + u'"';
}

OperandMessages OperationMessages(const QString &label)
{
    return {u"Operand type unknown. Operation "_qs + label + ExpressionWord,
            u"Operator/operand type mismatch. Operation "_qs + label + ExpressionWord};
}

QString TypeWord(TRpDataType type)
{
    switch (type) {
    case rpdtString: return QStringLiteral("string");
    case rpdtNumber: return QStringLiteral("numeric");
    case rpdtBoolean: return QStringLiteral("boolean");
    default: return QStringLiteral("date/time");
    }
}

// "Operand type unknown. Function "TRIM", expression " and its pair.
OperandMessages SingleOperandMessages(const QString &function, TRpDataType type)
{
    return {u"Operand type unknown. Function "_qs + Quoted(function) + ExpressionWord,
            u"Operand of "_qs + TypeWord(type) + u" type expected. Function "_qs + Quoted(function)
                + ExpressionWord};
}

// The operands of ROUND, POWER, INTPOWER, FLOATFORMAT and STR, whose
// messages alternate "Functions" and "function" as the engine words them.
OperandMessages FirstOfTwoMessages(const QString &function, TRpDataType type)
{
    return {u"First operand type unknown. Functions "_qs + Quoted(function) + ExpressionWord,
            u"First operand of "_qs + TypeWord(type) + u" type expected in function "_qs + Quoted(function)
                + ExpressionWord};
}

OperandMessages SecondOfTwoMessages(const QString &function, const QString &typeWords)
{
    return {u"Second operand type unknown. Function "_qs + Quoted(function) + ExpressionWord,
            u"Second operand of "_qs + typeWords + u" type expected in functions "_qs + Quoted(function)
                + ExpressionWord};
}

OperandMessages MidMessages(const QString &ordinal, TRpDataType type)
{
    const QString functions = QStringLiteral("\"MID\", \"COPY\", \"SUBSTR\"");
    return {ordinal + u" operand type unknown. Functions "_qs + functions + ExpressionWord,
            ordinal + u" operand of "_qs + TypeWord(type) + u" type expected in functions "_qs + functions
                + ExpressionWord};
}

QString BuiltInName(int id)
{
    return QLatin1String(BuiltInFunction(id).name);
}

// A name of blanks only is no name (asked on every aggregate, so without a trimmed copy).
bool IsNamed(const TRpReportVariable &variable)
{
    const QString &name = variable.Name();
    return !variable.Local() && std::any_of(name.cbegin(), name.cend(), [](QChar c) { return !c.isSpace(); });
}

bool IsNamedVariable(const TRpArgument &argument)
{
    return argument.IsVariable() && IsNamed(*argument.variable());
}

bool NamedVariableMissing(TRpBaseReport &report, const TRpArgument &argument)
{
    return argument.IsVariable() && !argument.variable()->Local()
           && report.VarList().IndexOfName(argument.variable()->Name()) < 0;
}

// Without leading and trailing blanks and control characters.
QString TrimControls(const QString &s)
{
    qsizetype from = 0, to = s.size();
    while (from < to && s.at(from).unicode() <= 0x20)
        ++from;
    while (to > from && s.at(to - 1).unicode() <= 0x20)
        --to;
    return s.mid(from, to - from);
}

QString IntegerText(qint64 value, int width)
{
    return QString::number(value).rightJustified(width, u'0');
}

// One built-in call: its arguments, the expression text and the result.
class BuiltInCall {
public:
    BuiltInCall(TRpBaseReport &report, TRpUDFArgs &args, const QString &expressionText, TRpArgument &result)
        : m_report(report), m_args(args), m_text(expressionText), m_result(result)
    {
    }

    void Evaluate(int id);

private:
    const TRpArgument &Arg(int index) const { return m_args.at(index); }
    TRpReportVariable Value(int index) const { return Arg(index).Value(&m_report); }
    bool HasArg(int index) const { return index < int(m_args.size()); }

    [[noreturn]] void Fail(const QString &message) const { throw ERpError(message + m_text); }

    // Checks that an argument has a type (only a variable or a field has
    // one), and the wanted one. The messages are made only for a failure.
    template <typename MakeMessages>
    void Require(int index, TRpDataType type, MakeMessages messages) const
    {
        const TRpDataType actual = Arg(index).DataType();
        if (actual == rpdtUnknown)
            Fail(messages().unknown);
        if (actual != type)
            Fail(messages().expected);
    }

    TRpReportVariable &Out()
    {
        if (!m_result.IsVariable())
            m_result = TRpArgument::LocalValue(&m_report, QString(), rpdtUnknown);
        return *m_result.variable();
    }

    void Compare(int id);
    void Logical(int id);
    void Arithmetic(int id);
    void AddOrSubtract(int id);
    void Assign(TRpReportVariable target, int valueIndex);
    void RequireAssignable(int index, const QString &prefix, const QString &position) const;
    void Let();
    void Set();
    void Aggregate(int id);
    void Condition();
    void Brackets();
    void Substring();
    void Str();
    void Val();
    void DataSetFunction(int id);
    void Round();
    void DateFunction(int id);
    void DatePart(int id);
    void StoD();
    void Iif();
    void IifTest();
    void Pos();

    TRpBaseReport &m_report;
    TRpUDFArgs &m_args;
    const QString &m_text;
    TRpArgument &m_result;
};

// --- operators -------------------------------------------------------------------

QString ComparisonLabel(int id)
{
    switch (id) {
    case fnSysEq: return QStringLiteral("\"=\"");
    case fnSysNotEq: return QStringLiteral("\"not equal\"");
    case fnSysLt: return QStringLiteral("\"<\"");
    case fnSysGt: return QStringLiteral("\">\"");
    case fnSysLtEq: return QStringLiteral("\"<=\"");
    default: return QStringLiteral("\">=\"");
    }
}

template <typename T>
bool CompareBy(int id, const T &left, const T &right)
{
    switch (id) {
    case fnSysEq: return left == right;
    case fnSysNotEq: return !(left == right);
    case fnSysLt: return left < right;
    case fnSysGt: return right < left;
    case fnSysLtEq: return left < right || left == right;
    default: return right < left || left == right;
    }
}

void BuiltInCall::Compare(int id)
{
    const auto messages = [&] { return OperationMessages(ComparisonLabel(id)); };
    const TRpArgument &right = Arg(0), &left = Arg(1);
    // Different types are reported before unknown ones.
    if (left.DataType() != right.DataType())
        Fail(messages().expected);
    if (!left.IsKnown() || !right.IsKnown())
        Fail(messages().unknown);
    const TRpReportVariable l = Value(1), r = Value(0);
    bool outcome = false;
    switch (left.DataType()) {
    case rpdtString: outcome = CompareBy(id, l.AsString(), r.AsString()); break;
    case rpdtNumber: outcome = CompareBy(id, l.AsFloat(), r.AsFloat()); break;
    case rpdtBoolean: outcome = CompareBy(id, l.AsBoolean(), r.AsBoolean()); break;
    case rpdtDateTime: outcome = CompareBy(id, l.AsDateTime(), r.AsDateTime()); break;
    default: Fail(messages().unknown);
    }
    Out().SetAsBoolean(outcome);
}

void BuiltInCall::Logical(int id)
{
    if (id == fnSysNot) {
        Require(0, rpdtBoolean, [&] { return OperationMessages(QStringLiteral("not \"!\"")); });
        Out().SetAsBoolean(!Value(0).AsBoolean());
        return;
    }
    const auto messages = [&] { return OperationMessages(Quoted(id == fnSysAnd ? u"&&"_qs : u"||"_qs)); };
    if (!Arg(0).IsKnown() || !Arg(1).IsKnown())
        Fail(messages().unknown);
    if (Arg(0).DataType() != rpdtBoolean || Arg(1).DataType() != rpdtBoolean)
        Fail(messages().expected);
    const bool left = Value(1).AsBoolean(), right = Value(0).AsBoolean();
    Out().SetAsBoolean(id == fnSysAnd ? left && right : left || right);
}

void BuiltInCall::Arithmetic(int id)
{
    if (id == fnSysUMinus || id == fnSysUPlus) {
        Require(0, rpdtNumber, [&] {
            return OperationMessages(id == fnSysUMinus ? u"unary \"-\""_qs : u"unary \"+\""_qs);
        });
        const TRpFloat x = Value(0).AsFloat();
        Out().SetAsFloat(id == fnSysUMinus ? -x : x);
        return;
    }
    const QString symbol = id == fnSysMult ? u"*"_qs : id == fnSysDiv ? u"/"_qs : u"%"_qs;
    const auto messages = [&] { return OperationMessages(Quoted(symbol)); };
    for (int i : {0, 1})
        if (Arg(i).DataType() == rpdtUnknown)
            Fail(messages().unknown);
    for (int i : {0, 1})
        if (Arg(i).DataType() != rpdtNumber)
            Fail(messages().expected);
    const TRpFloat left = Value(1).AsFloat(), right = Value(0).AsFloat();
    if (id == fnSysMult) {
        Out().SetAsFloat(left * right);
        return;
    }
    if (right == 0)
        Fail(u"Division by zero. Operation "_qs + Quoted(symbol) + ExpressionWord);
    Out().SetAsFloat(id == fnSysDiv ? left / right : left - std::trunc(left / right) * right);
}

void BuiltInCall::AddOrSubtract(int id)
{
    const auto messages = [&] { return OperationMessages(id == fnSysAdd ? u"\"+\""_qs : u"\"-\""_qs); };
    for (int i : {0, 1})
        if (Arg(i).DataType() == rpdtUnknown)
            Fail(messages().unknown);
    const TRpDataType lt = Arg(1).DataType(), rt = Arg(0).DataType();
    const TRpReportVariable l = Value(1), r = Value(0);
    if (id == fnSysAdd && lt == rpdtString && rt == rpdtString) {
        Out().SetAsString(l.AsString() + r.AsString());
        return;
    }
    const auto isNumeric = [](TRpDataType t) { return t == rpdtNumber || t == rpdtDateTime; };
    if (!isNumeric(lt) || !isNumeric(rt))
        Fail(messages().expected);
    const TRpFloat left = lt == rpdtNumber ? l.AsFloat() : TRpFloat(l.AsDateTime());
    const TRpFloat right = rt == rpdtNumber ? r.AsFloat() : TRpFloat(r.AsDateTime());
    const TRpFloat value = id == fnSysAdd ? left + right : left - right;
    if (lt == rpdtNumber && rt == rpdtNumber)
        Out().SetAsFloat(value);
    else
        Out().SetAsDateTime(TRpDateTime(value));
}

// Stores the value of an argument into a variable with the argument's type,
// its canonical text copied as it stands.
void BuiltInCall::Assign(TRpReportVariable target, int valueIndex)
{
    const TRpReportVariable value = Value(valueIndex);
    target.Store(value.ValueText(), Arg(valueIndex).DataType());
}

// The target of ":=" and SET: a variable, and a named one.
void BuiltInCall::RequireAssignable(int index, const QString &prefix, const QString &position) const
{
    if (!Arg(index).IsVariable())
        throw EIllegalFunctionUse(prefix + m_text + u" - variable expected as "_qs + position);
    if (!IsNamedVariable(Arg(index)))
        throw EIllegalFunctionUse(prefix + m_text + u" - variable identifier expected as "_qs + position);
}

void BuiltInCall::Let()
{
    RequireAssignable(1, u"Illegal expression: "_qs, u"a left argument of operation \":=\""_qs);
    if (Arg(0).DataType() == rpdtUnknown)
        Fail(u"Right argument type unknown. Operation \":=\", expression "_qs);
    Assign(*Arg(1).variable(), 0);
}

void BuiltInCall::Set()
{
    RequireAssignable(0, u"Illegal function use: "_qs, u"a first argument of function \"SET\""_qs);
    if (!Arg(1).IsKnown())
        Fail(u"Second operand type unknown. Function \"SET\", expression "_qs);
    if (Arg(1).DataType() == rpdtUnknown)
        Fail(u"Operand type unknown. Function \"SET\", expression "_qs);
    Assign(*Arg(0).variable(), 1);
}

// --- aggregates and conditions -----------------------------------------------------

void BuiltInCall::Aggregate(int id)
{
    const TRpArgument &value = Arg(0);
    if (value.IsField() && value.dataSet()->Eof())
        return;
    TRpReportVariable accumulator = Value(1);
    bool counts = true;
    TRpFloat addend = 1;
    // A field is summed straight from the data set: its value as a variable
    // would cost a text conversion on every record.
    if (id == fnSum) {
        addend = value.IsField() ? value.dataSet()->AsFloat(value.fieldIndex()) : Value(0).AsFloat();
    } else if (id == fnCtn) {
        const TRpFloat x = Value(0).AsFloat();
        counts = x != 0;  // NaN is not 0, so it counts
    } else {
        counts = !Value(0).AsString().trimmed().isEmpty();
    }
    if (counts)
        accumulator.SetAsFloat(accumulator.AsFloat() + addend);
}

// IF, WHILE, ELSIF: the value as a boolean; a field at its data set's end
// is false.
void BuiltInCall::Condition()
{
    const TRpArgument &x = Arg(0);
    bool outcome = false;
    if (x.IsField())
        outcome = !x.dataSet()->Eof() && Value(0).AsBoolean();
    else if (x.IsVariable())
        outcome = Value(0).AsBoolean();
    Out().SetAsBoolean(outcome);
}

void BuiltInCall::Brackets()
{
    Out().SetAsString(Value(0).AsString());
}

// --- texts ---------------------------------------------------------------------------

void BuiltInCall::Substring()
{
    Require(0, rpdtString, [&] { return MidMessages(u"First"_qs, rpdtString); });
    Require(1, rpdtNumber, [&] { return MidMessages(u"Second"_qs, rpdtNumber); });
    if (HasArg(2))
        Require(2, rpdtNumber, [&] { return MidMessages(u"Third"_qs, rpdtNumber); });
    const QString s = Value(0).AsString();
    const qint64 length = s.size();
    qint64 start = Value(1).AsInteger();
    if (!HasArg(2)) {
        Out().SetAsString(start >= 1 && start <= length ? s.mid(start - 1) : QString());
        return;
    }
    const qint64 count = Value(2).AsInteger();
    start = std::max<qint64>(start, 1);
    if (count <= 0 || start > length) {
        Out().SetAsString(QString());
        return;
    }
    Out().SetAsString(s.mid(start - 1, qMin(count, length - start + 1)));
}

void BuiltInCall::Str()
{
    const QString name = QStringLiteral("STR");
    Require(0, rpdtNumber, [&] { return FirstOfTwoMessages(name, rpdtNumber); });
    if (HasArg(1))
        Require(1, rpdtNumber, [&] { return SecondOfTwoMessages(name, u"numeric"_qs); });
    if (HasArg(2))
        Require(2, rpdtNumber, [&] {
            return OperandMessages{u"Third operand type unknown. Function \"STR\", expression "_qs,
                                   u"Third operand of numeric type expected in function \"STR\", expression "_qs};
        });
    const TRpFloat x = Value(0).AsFloat();
    if (!HasArg(1)) {
        Out().SetAsString(FloatToCanonical(x));
        return;
    }
    TRpFormatSettings dotted = m_report.FormatSettings();
    dotted.DecimalSeparator = u'.';
    qint64 width = Value(1).AsInteger();
    const qint64 decimals = HasArg(2) ? std::clamp<qint64>(Value(2).AsInteger(), 0, 18) : 0;
    const bool trimmed = HasArg(2) && width < 1;
    if (trimmed)
        width = 18;
    QString text = FloatToTextF(x, TRpFloatFormat::Fixed, 18, int(decimals), dotted);
    text = text.rightJustified(int(std::clamp<qint64>(width, 0, 4096)), u' ');
    Out().SetAsString(trimmed ? text.trimmed() : text);
}

void BuiltInCall::Val()
{
    Require(0, rpdtString, [&] { return SingleOperandMessages(u"VAL"_qs, rpdtString); });
    QString text = Value(0).AsString();
    const TRpFormatSettings &settings = m_report.FormatSettings();
    if (settings.DecimalSeparator != u'.') {
        const int at = text.indexOf(settings.DecimalSeparator);
        if (at >= 0)
            text[at] = u'.';
    }
    Out().SetAsFloat(TryTextToFloat(text, u'.', settings.ThousandSeparator).value_or(0));
}

void BuiltInCall::Pos()
{
    Require(0, rpdtString, [&] {
        return OperandMessages{u"First operand type unknown. Function \"POS\", expression "_qs,
                               u"First operand of string type expected in function \"POS\", expression "_qs};
    });
    Require(1, rpdtString, [&] {
        return OperandMessages{u"Second operand type unknown. Functions \"POS\", expression "_qs,
                               u"Second operand of string type expected in functions \"POS\", expression "_qs};
    });
    Out().SetAsInteger(Value(1).AsString().indexOf(Value(0).AsString()) + 1);
}

// --- data sets -----------------------------------------------------------------------

void BuiltInCall::DataSetFunction(int id)
{
    const TRpArgument &a = Arg(0);
    const QString function = Quoted(BuiltInName(id));
    if (!a.IsVariable())
        throw EIllegalFunctionUse(u"Illegal function use: "_qs + m_text
                                  + u" - dataset identifier expected as argument of function "_qs + function);
    if (!IsNamedVariable(a))
        throw EIllegalFunctionUse(u"Illegal function use: "_qs + m_text
                                  + u" - dataset identifier expected as a first argument of function "_qs + function);
    const QString alias = a.variable()->Name();
    TRpDataSet *dataSet = m_report.DataSetByAlias(alias);
    if (!dataSet)
        throw EIllegalFunctionUse(u"Illegal function use: "_qs + m_text + u" - dataset alias not found: "_qs + alias);
    switch (id) {
    case fnEof: Out().SetAsBoolean(dataSet->Eof()); break;
    case fnBof: Out().SetAsBoolean(dataSet->Bof()); break;
    case fnNext: dataSet->Next(); break;
    case fnPrior: dataSet->Prior(); break;
    case fnFirst: dataSet->First(); break;
    default: dataSet->Last(); break;
    }
}

// --- numbers -----------------------------------------------------------------------

// Halves away from zero. The scaled magnitude is held in extended precision,
// so values beyond 32 bits round correctly too.
TRpFloat RoundTo(TRpFloat x, qint64 places)
{
    const TRpFloat sign = x < 0 ? -1 : 1;
    const TRpFloat scale = std::pow(TRpFloat(10), TRpFloat(std::llabs(places)));
    const TRpFloat a = places >= 0 ? std::fabs(x) * scale : std::fabs(x) / scale;
    if (!std::isfinite(a))
        return x;
    TRpFloat t = std::trunc(a);
    if (a - t >= 0.5L)
        t += 1;
    return sign * (places >= 0 ? t / scale : t * scale);
}

void BuiltInCall::Round()
{
    const QString name = QStringLiteral("ROUND");
    Require(0, rpdtNumber, [&] { return FirstOfTwoMessages(name, rpdtNumber); });
    if (HasArg(1))
        Require(1, rpdtNumber, [&] { return SecondOfTwoMessages(name, u"numeric"_qs); });
    const qint64 places = HasArg(1) ? std::clamp<qint64>(Value(1).AsInteger(), -4932, 4932) : 0;
    Out().SetAsFloat(RoundTo(Value(0).AsFloat(), places));
}

// --- dates -----------------------------------------------------------------------------

TRpDateTime Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

void BuiltInCall::DateFunction(int id)
{
    const TRpFormatSettings &settings = m_report.FormatSettings();
    const QString name = BuiltInName(id);
    switch (id) {
    case fnNow: Out().SetAsDateTime(Now()); return;
    case fnDate: Out().SetAsDateTime(std::trunc(Now())); return;
    case fnTime: {
        const TRpDateTime now = Now();  // read once: midnight may pass between two reads
        Out().SetAsDateTime(now - std::trunc(now));
        return;
    }
    case fnDateToStr:
    case fnDateTimeToStr:
    case fnTimeToStr: {
        Require(0, rpdtDateTime, [&] { return SingleOperandMessages(name, rpdtDateTime); });
        const TRpDateTime d = Value(0).AsDateTime();
        Out().SetAsString(id == fnDateToStr ? DateToStr(d, settings)
                          : id == fnTimeToStr ? TimeToStr(d, settings) : DateTimeToStr(d, settings));
        return;
    }
    default: {
        Require(0, rpdtString, [&] { return SingleOperandMessages(name, rpdtString); });
        const QString s = Value(0).AsString();
        if (id == fnStrToDate)
            Out().SetAsDate(StrToDate(s, settings));
        else if (id == fnStrToDateTime)
            Out().SetAsDateTime(StrToDateTime(s, settings));
        else
            Out().SetAsDateTime(StrToTime(s, settings));
    }
    }
}

void BuiltInCall::DatePart(int id)
{
    Require(0, rpdtDateTime, [&] { return SingleOperandMessages(BuiltInName(id), rpdtDateTime); });
    const TRpDateParts p = DecodeDateTime(Value(0).AsDateTime());
    switch (id) {
    case fnYear: Out().SetAsInteger(p.year); break;
    case fnMonth: Out().SetAsInteger(p.month); break;
    case fnDay: Out().SetAsInteger(p.day); break;
    case fnSYear: Out().SetAsString(IntegerText(p.year, 4)); break;
    case fnSMonth: Out().SetAsString(IntegerText(p.month, 2)); break;
    case fnSDay: Out().SetAsString(IntegerText(p.day, 2)); break;
    default: Out().SetAsString(IntegerText(p.year, 4) + IntegerText(p.month, 2) + IntegerText(p.day, 2));
    }
}

void BuiltInCall::StoD()
{
    Require(0, rpdtString, [&] { return SingleOperandMessages(u"STOD"_qs, rpdtString); });
    const QString s = Value(0).AsString();
    if (s.size() != 8)
        Fail(u"Operand of string type YYYYMMDD expected. Function \"STOD\", expression "_qs);
    Out().SetAsDate(EncodeDate(int(TextToInteger(s.mid(0, 4))), int(TextToInteger(s.mid(4, 2))),
                               int(TextToInteger(s.mid(6, 2)))));
}

// --- IIF -------------------------------------------------------------------------------

void BuiltInCall::IifTest()
{
    Require(0, rpdtBoolean, [&] {
        return OperandMessages{u"First operand type unknown. Function \"IIF\", expression "_qs,
                               u"First operand of boolean type expected in function \"IIF\", expression "_qs};
    });
    Out().SetAsBoolean(Value(0).AsBoolean());
}

void BuiltInCall::Iif()
{
    IifTest();
    const bool condition = Out().AsBoolean();
    const int chosen = condition ? 1 : 2;
    const TRpArgument &branch = Arg(chosen);
    if (branch.kind() == TRpArgument::Kind::Nothing) {
        Out().Store(QString(), rpdtUnknown);
        return;
    }
    if (!branch.IsKnown())
        Fail(condition ? u"Second operand type unknown. Function \"IIF\", expression "_qs
                       : u"Third operand type unknown. Function \"IIF\", expression "_qs);
    const TRpReportVariable value = Value(chosen);
    Out().Store(value.ValueText(), branch.DataType());
}

// --- the table ------------------------------------------------------------------------

void BuiltInCall::Evaluate(int id)
{
    switch (id) {
    case fnSum:
    case fnCtn:
    case fnCts: Aggregate(id); break;
    case fnVar: break;  // declared by PrepareFunction
    case fnSysEq:
    case fnSysNotEq:
    case fnSysLt:
    case fnSysGt:
    case fnSysLtEq:
    case fnSysGtEq: Compare(id); break;
    case fnSysAnd:
    case fnSysOr:
    case fnSysNot: Logical(id); break;
    case fnSysUMinus:
    case fnSysUPlus:
    case fnSysMult:
    case fnSysDiv:
    case fnSysPercent: Arithmetic(id); break;
    case fnSysAdd:
    case fnSysSub: AddOrSubtract(id); break;
    case fnSysLet: Let(); break;
    case fnSet: Set(); break;
    case fnIf:
    case fnWhile:
    case fnElsIf: Condition(); break;
    case fnBrackets: Brackets(); break;
    case fnTrim:
        Require(0, rpdtString, [&] { return SingleOperandMessages(u"TRIM"_qs, rpdtString); });
        Out().SetAsString(TrimControls(Value(0).AsString()));
        break;
    case fnMid:
    case fnSubstr:
    case fnCopy: Substring(); break;
    case fnUpper:
    case fnLower: {
        const bool upper = id == fnUpper;
        Require(0, rpdtString, [&] { return SingleOperandMessages(upper ? u"UPPER"_qs : u"LOWER"_qs, rpdtString); });
        const QLocale &rules = m_report.FormatSettings().CaseLocale;
        const QString s = Value(0).AsString();
        Out().SetAsString(upper ? rules.toUpper(s) : rules.toLower(s));
        break;
    }
    case fnStr: Str(); break;
    case fnVal: Val(); break;
    case fnEof:
    case fnBof:
    case fnNext:
    case fnPrior:
    case fnFirst:
    case fnLast: DataSetFunction(id); break;
    case fnInt:
    case fnFrac: {
        Require(0, rpdtNumber, [&] { return SingleOperandMessages(id == fnInt ? u"INT"_qs : u"FRAC"_qs, rpdtNumber); });
        const TRpFloat x = Value(0).AsFloat();
        Out().SetAsFloat(id == fnInt ? std::trunc(x) : x - std::trunc(x));
        break;
    }
    case fnRound: Round(); break;
    case fnNow:
    case fnDate:
    case fnTime:
    case fnDateToStr:
    case fnDateTimeToStr:
    case fnTimeToStr:
    case fnStrToDate:
    case fnStrToDateTime:
    case fnStrToTime: DateFunction(id); break;
    case fnYear:
    case fnMonth:
    case fnDay:
    case fnSYear:
    case fnSMonth:
    case fnSDay:
    case fnDtoS: DatePart(id); break;
    case fnStoD: StoD(); break;
    case fnFormatFloat: {
        const QString name = QStringLiteral("FLOATFORMAT");
        Require(0, rpdtString, [&] { return FirstOfTwoMessages(name, rpdtString); });
        Require(1, rpdtNumber, [&] { return SecondOfTwoMessages(name, u"numeric"_qs); });
        Out().SetAsString(
            FormatFloatPicture(Value(0).AsString(), Value(1).AsFloat(), m_report.FormatSettings()).trimmed());
        break;
    }
    case fnPower:
    case fnIntPower: {
        const QString name = id == fnPower ? u"POWER"_qs : u"INTPOWER"_qs;
        Require(0, rpdtNumber, [&] { return FirstOfTwoMessages(name, rpdtNumber); });
        Require(1, rpdtNumber, [&] {
            return SecondOfTwoMessages(name, id == fnPower ? u"numeric"_qs : u"integer numeric"_qs);
        });
        const TRpFloat x = Value(0).AsFloat();
        const TRpFloat y = id == fnPower ? Value(1).AsFloat() : TRpFloat(Value(1).AsInteger());
        Out().SetAsFloat(std::pow(x, y));
        break;
    }
    case fnIif: Iif(); break;
    case fnSysIifTest: IifTest(); break;
    case fnPos: Pos(); break;
    default: break;  // SYS_IIF_TRUE, SYS_IIF_FALSE: the run-time machine's
    }
}

} // namespace

// --- entry points ---------------------------------------------------------------------

TRpArgument MakeResultHolder(TRpBaseReport &report, int resultKind)
{
    if (resultKind == udfrTRpReportVariable)
        return TRpArgument::LocalValue(&report, QString(), rpdtUnknown);
    if (resultKind == udfrPicture)
        return TRpArgument::Picture({});
    if (resultKind == udfrStream)
        return TRpArgument::Stream({});
    return {};
}

namespace {

// An aggregate's accumulator: declared when it is a named variable not yet
// declared, and set to 0 where the aggregate starts again.
void PrepareAccumulator(TRpBaseReport &report, TRpReportVariable &accumulator, bool noReset)
{
    if (IsNamed(accumulator) && report.VarList().IndexOfName(accumulator.Name()) < 0)
        report.CreateVar(accumulator.Name(), 0.0);
    if (!noReset && report.AggregateResetDue())
        accumulator.SetAsInteger(0);
}

// Declares the variables of VAR, and creates or resets the accumulator of
// an aggregate.
void PrepareFunction(TRpBaseReport &report, int id, TRpUDFArgs &args, const QString &expressionText,
                     int argCount)
{
    if (id == fnVar) {
        for (const TRpArgument &a : args)
            if (!IsNamedVariable(a))
                throw EIllegalFunctionUse(u"Illegal function use: "_qs + expressionText
                                          + u" - VAR function may be used only with variable identifiers"_qs);
        for (const TRpArgument &a : args)
            if (report.VarList().IndexOfName(a.variable()->Name().trimmed()) < 0)
                report.CreateVar(a.variable()->Name(), QString());
        return;
    }
    if (id != fnSum && id != fnCtn && id != fnCts)
        return;
    const TRpArgument &accumulator = args.at(1);
    if (!accumulator.IsVariable())
        throw EIllegalFunctionUse(u"Illegal function use: "_qs + expressionText
                                  + u" - report variable expected as a second argument of function "_qs
                                  + Quoted(BuiltInName(id)));
    bool noReset = false;
    if (argCount == 3 && args.at(2).IsVariable()) {
        const TRpReportVariable *third = args.at(2).variable();
        const QString word = third->Local() ? third->ValueText() : third->Name();
        noReset = word.trimmed().toUpper() == u"NORESET";
        if (noReset)
            args[2] = TRpArgument::LocalValue(&report, report.BooleanText(false), rpdtBoolean);
    }
    PrepareAccumulator(report, *accumulator.variable(), noReset);
}

} // namespace

void SumFieldInto(TRpBaseReport &report, TRpDataSet &dataSet, int field, const QString &accumulatorName)
{
    TRpReportVariable accumulator(&report);
    accumulator.SetLocal(false);
    accumulator.SetVarName(accumulatorName);
    PrepareAccumulator(report, accumulator, false);
    if (!dataSet.Eof())
        accumulator.SetAsFloat(accumulator.AsFloat() + dataSet.AsFloat(field));
}

void EvaluateBuiltIn(TRpBaseReport &report, int id, TRpUDFArgs &args, const QString &expressionText,
                     TRpArgument &result)
{
    BuiltInCall(report, args, expressionText, result).Evaluate(id);
}

void DispatchFunction(TRpBaseReport &report, int id, TRpUDFArgs &args, const QString &expressionText,
                      TRpArgument &result, int argCount)
{
    const auto variableNotFound = [&](const TRpArgument &a) {
        return EIllegalFunctionUse(u"Illegal function use: "_qs + expressionText + u" - report variable "_qs
                                   + a.variable()->Name() + u" not found"_qs);
    };
    if (id >= 0) {
        for (const TRpArgument &a : args)
            if (NamedVariableMissing(report, a))
                throw variableNotFound(a);
        const TRpUDF &function = UserFunction(id, report.UDFList());
        if (function.OnCalculate())
            function.OnCalculate()(&report, args, argCount, result);
        return;
    }
    BuiltInFunction(id);  // refuses identifiers outside the table
    if (id == fnBrackets) {
        const TRpArgument &inside = args.at(0);
        if (!inside.IsVariable())
            throw EIllegalFunctionUse(u"Illegal brackets use in expression: "_qs + expressionText
                                      + u" - result type udfrTRpReportVariable expected inside the brackets"_qs);
        if (NamedVariableMissing(report, inside))
            throw EIllegalFunctionUse(u"Illegal expression: "_qs + expressionText + u" - report variable "_qs
                                      + inside.variable()->Name() + u" not found"_qs);
    }
    if ((id == fnSum || id == fnCtn || id == fnCts) && NamedVariableMissing(report, args.at(0)))
        throw variableNotFound(args.at(0));
    PrepareFunction(report, id, args, expressionText, argCount);
    EvaluateBuiltIn(report, id, args, expressionText, result);
}

// --- direct evaluation --------------------------------------------------------------------

namespace {

class DirectEvaluator {
public:
    DirectEvaluator(TRpBaseReport &report, const QString &text) : m_report(report), m_text(text) {}

    TRpArgument Evaluate()
    {
        const QString t = m_text.trimmed();
        const TRpToken token = ClassifyToken(t, DotAsColon());
        if (token.kind == tkNothing)
            throw EIllegalFunctionUse(u"Cannot process an expression: "_qs + t);
        return Value(t, token);
    }

private:
    bool DotAsColon() const { return m_report.Options().testFlag(eoDotAsColon); }

    // The value of text, whose first token is token: an infix formula, a
    // call or a single operand.
    TRpArgument Value(const QString &text, const TRpToken &token)
    {
        if (token.kind == tkOperator || !token.rest.isEmpty())
            return Infix(text);
        if (token.kind == tkFunctionCall)
            return Call(token.token);
        return Operand(token);
    }

    TRpArgument Operand(const TRpToken &token)
    {
        switch (token.kind) {
        case tkIdentifier: return TRpArgument::NamedVariable(&m_report, token.token);
        case tkNumber: return TRpArgument::LocalValue(&m_report, token.token, rpdtNumber);
        case tkString: return TRpArgument::LocalValue(&m_report, token.token.mid(1, token.token.size() - 2), rpdtString);
        case tkBoolean:
            return TRpArgument::LocalValue(&m_report, m_report.BooleanText(token.token == u"TRUE"), rpdtBoolean);
        case tkDate: {
            TRpReportVariable date = TRpReportVariable::LocalValue(&m_report, token.token, rpdtDateTime);
            return TRpArgument::LocalValue(&m_report, CanonicalDate(date.AsDate()), rpdtDateTime);
        }
        default: return DataField(token.token);
        }
    }

    TRpArgument DataField(const QString &token)
    {
        const int separator = token.indexOf(token.contains(u':') ? u':' : u'.');
        const QString alias = token.left(separator), field = token.mid(separator + 1);
        TRpDataSet *dataSet = m_report.DataSetByAlias(alias);
        int index = -1;
        if (dataSet && field.startsWith(u'(')) {
            bool ok = false;
            index = field.mid(1, field.size() - 2).toInt(&ok);
            if (!ok || index >= dataSet->FieldCount())
                index = -1;
        } else if (dataSet) {
            index = dataSet->FindField(field);
        }
        if (index < 0)
            throw EIllegalFunctionUse(u"Illegal function use: "_qs + m_text + u" - dataset field "_qs + field
                                      + u" not found"_qs);
        return TRpArgument::DataField(dataSet, index);
    }

    TRpArgument Argument(const QString &text)
    {
        const TRpToken token = ClassifyToken(text, DotAsColon());
        if (token.kind == tkNothing)
            throw EIllegalFunctionUse(u"Cannot use "_qs + (text.isEmpty() ? u"empty string"_qs : text)
                                      + u" as argument for another expression"_qs);
        if (const int keyword = FormatKeywordOf(text))
            throw EIllegalFunctionUse(u"Illegal function use: expression "_qs + text + u" has format function "_qs
                                      + QLatin1String(RpFormatKeywords[keyword].keyword)
                                      + u", which is not allowed within another expression"_qs);
        return Value(text, token);
    }

    TRpArgument Call(const QString &callText)
    {
        const TRpFunctionCall call = ParseFunctionCall(callText, m_report.UDFList());
        if (!call.isCall)
            throw EIllegalFunctionUse(u"Function not found: "_qs + callText);
        return Call(call.id, int(call.arguments.size()), [&](int i) { return Argument(call.arguments.at(i)); });
    }

    TRpArgument Infix(const QString &text)
    {
        const TRpInfix infix = ParseInfixCalls(text, DotAsColon());
        if (!infix.splitsBack)
            return Call(InfixCallText(infix.call));
        return InfixCall(infix.call);
    }

    // An infix call walked in the tree, not read again from nested text.
    TRpArgument InfixCall(const TRpInfixNode &call)
    {
        const std::optional<int> id = InfixCallFunction(call, m_report.UDFList());
        if (!id)
            throw EIllegalFunctionUse(u"Function not found: "_qs + InfixCallText(call));
        return Call(*id, int(call.arguments.size()), [&](int i) {
            const TRpInfixNode &argument = call.arguments[i];
            return argument.isCall ? InfixCall(argument) : Argument(argument.text);
        });
    }

    // `argument(i)` evaluates argument i. A template, not a std::function:
    // a formula may nest thousands deep, and each level's frames count.
    template <typename ArgumentAt>
    TRpArgument Call(int id, int count, const ArgumentAt &argument)
    {
        TRpUDFArgs args;
        if (id == fnIif) {
            args.push_back(argument(0));
            TRpUDFArgs test{args[0]};
            TRpArgument condition = MakeResultHolder(m_report, udfrTRpReportVariable);
            EvaluateBuiltIn(m_report, fnSysIifTest, test, m_text, condition);
            const bool chosen = condition.variable()->AsBoolean();
            args.push_back(chosen ? argument(1) : TRpArgument());
            args.push_back(chosen ? TRpArgument() : argument(2));
        } else {
            for (int i = 0; i < count; ++i)
                args.push_back(argument(i));
        }
        TRpArgument result = MakeResultHolder(m_report, FunctionResultKind(id, m_report.UDFList()));
        DispatchFunction(m_report, id, args, m_text, result, int(args.size()));
        return result;
    }

    TRpBaseReport &m_report;
    QString m_text;
};

} // namespace

TRpArgument EvaluateExpression(TRpBaseReport &report, const QString &expressionText)
{
    return DirectEvaluator(report, expressionText).Evaluate();
}

} // namespace rtfreport
