#include "rpvariables.h"

#include "rpbasereport.h"
#include "rperrors.h"

#include <QtEndian>

namespace rtfreport {

QString DataTypeText(TRpDataType type)
{
    switch (type) {
    case rpdtString: return QStringLiteral("String");
    case rpdtNumber: return QStringLiteral("Number");
    case rpdtBoolean: return QStringLiteral("Boolean");
    case rpdtDateTime: return QStringLiteral("DateTime");
    default: return QStringLiteral("Unknown");
    }
}

int DataTypeNumber(TRpDataType type)
{
    switch (type) {
    case rpdtString: return 0;
    case rpdtNumber: return 1;
    case rpdtBoolean: return 2;
    case rpdtDateTime: return 3;
    default: return -1;
    }
}

TRpDataType DataTypeFromNumber(int number)
{
    switch (number) {
    case 0: return rpdtString;
    case 1: return rpdtNumber;
    case 2: return rpdtBoolean;
    case 3: return rpdtDateTime;
    default: return rpdtUnknown;
    }
}

// --- TRpVarList ----------------------------------------------------------------

const TRpVarList::Line &TRpVarList::LineAt(int index) const
{
    Entry &entry = m_lines.at(index);
    if (entry.textPending) {
        entry.line.text += FloatToCanonical(*entry.number);
        entry.textPending = false;
    }
    return entry.line;
}

QString TRpVarList::Name(int index) const
{
    // The name part is there even while the value's text is pending.
    const QString &text = m_lines.at(index).line.text;
    const int eq = text.indexOf(u'=');
    return eq < 0 ? text : text.left(eq);
}

QString TRpVarList::Value(int index) const
{
    const QString &text = LineAt(index).text;
    const int eq = text.indexOf(u'=');
    return eq < 0 ? QString() : text.mid(eq + 1);
}

int TRpVarList::IndexOfName(const QString &name) const
{
    // Every value a report reads or writes looks its line up: keep an index.
    if (!m_indexValid) {
        m_index.clear();
        // From the end, so that the first line of a name wins.
        for (int i = Count() - 1; i >= 0; --i) {
            const QString &text = m_lines[i].line.text;
            const int eq = text.indexOf(u'=');
            if (eq > 0)
                m_index[text.left(eq).toUpper()] = i;
        }
        m_indexValid = true;
        m_recent = {};
    }
    // Only a text with shared storage of its own can be known by it: a raw
    // or literal one has none.
    const bool shared = name.data_ptr().isMutable();
    if (shared)
        for (const RecentName &recent : m_recent)
            if (recent.name.constData() == name.constData() && recent.name.size() == name.size())
                return recent.index;
    // Names are mostly written upper-case already: try them as they stand
    // before paying for a converted copy. A name found as it stands is its
    // own upper case, since the index holds upper-cased names only.
    const auto found = m_index.constFind(name);
    const int index = found != m_index.constEnd() ? found.value() : m_index.value(name.toUpper(), -1);
    if (shared) {
        m_recent[m_nextRecent] = {name, index};
        m_nextRecent = (m_nextRecent + 1) % m_recent.size();
    }
    return index;
}

void TRpVarList::Add(const QString &text, std::optional<TRpDataType> tag)
{
    m_lines.push_back({{text, tag}, std::nullopt, false});
    m_indexValid = false;
}

void TRpVarList::Delete(int index)
{
    m_lines.erase(m_lines.begin() + index);
    m_indexValid = false;
}

void TRpVarList::SetValue(int index, const QString &value)
{
    // A line without "=" gains a name here.
    Entry &entry = m_lines.at(index);
    entry.number.reset();
    entry.textPending = false;
    QString &text = entry.line.text;
    const int eq = text.indexOf(u'=');
    if (eq < 0) {
        m_indexValid = false;
        text += u'=';
    } else {
        text.truncate(eq + 1);  // keeps the buffer: totals change on every record
    }
    text += value;
}

void TRpVarList::SetNumber(int index, TRpFloat value)
{
    const std::optional<TRpFloat> readsAs = CanonicalValue(value);
    if (!readsAs) {
        SetValue(index, FloatToCanonical(value));
        return;
    }
    SetValue(index, QString());
    Entry &entry = m_lines.at(index);
    entry.number = readsAs;
    entry.textPending = true;
}

void TRpVarList::SetName(int index, const QString &name)
{
    m_lines.at(index).line.text = name + u'=' + Value(index);
    m_indexValid = false;
}

QByteArray TRpVarList::SaveDataTypes() const
{
    QByteArray bytes(4 * (1 + Count()), '\0');
    qToLittleEndian<qint32>(Count(), bytes.data());
    for (int i = 0; i < Count(); ++i)
        qToLittleEndian<qint32>(DataTypeNumber(m_lines[i].line.tag.value_or(rpdtUnknown)),
                                bytes.data() + 4 * (i + 1));
    return bytes;
}

void TRpVarList::LoadDataTypes(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return;
    const qint32 count = qFromLittleEndian<qint32>(bytes.constData());
    // A short or damaged stream sets what it holds and no more.
    const qint64 available = (bytes.size() - 4) / 4;
    const int n = int(qMin<qint64>(qMin<qint64>(count, available), Count()));
    for (int i = 0; i < n; ++i)
        m_lines[i].line.tag = DataTypeFromNumber(qFromLittleEndian<qint32>(bytes.constData() + 4 * (i + 1)));
}

// --- TRpReportVariable ------------------------------------------------------------

static const TRpFormatSettings &SystemSettings()
{
    static const TRpFormatSettings settings = TRpFormatSettings::SystemDefault();
    return settings;
}

TRpReportVariable::TRpReportVariable(TRpBaseReport *owner)
    : m_owner(owner), m_local(owner == nullptr),
      m_settings(owner ? &owner->FormatSettings() : &SystemSettings())
{
}

TRpReportVariable::TRpReportVariable(const TRpFormatSettings &settings)
    : m_owner(nullptr), m_local(true), m_ownSettings(std::make_shared<const TRpFormatSettings>(settings)),
      m_settings(m_ownSettings.get())
{
}

TRpReportVariable TRpReportVariable::LocalValue(TRpBaseReport *owner, const QString &text, TRpDataType type)
{
    TRpReportVariable variable(owner);
    variable.m_local = true;
    variable.Store(text, type);
    return variable;
}

void TRpReportVariable::SetLocal(bool local)
{
    if (local == m_local)
        return;
    m_local = local;
    m_localValue.clear();
    m_localType = rpdtUnknown;
}

int TRpReportVariable::RequireLine(const char *operation) const
{
    const int index = m_owner ? m_owner->VarList().IndexOfName(m_varName) : -1;
    if (index < 0)
        throw EIOError(QLatin1String(operation) + u": report variable not found: "_qs + m_varName);
    return index;
}

void TRpReportVariable::ChangeVarName(const QString &newName)
{
    if (m_local) {
        m_varName = newName;
        return;
    }
    const int index = m_owner ? m_owner->VarList().IndexOfName(m_varName) : -1;
    if (index < 0)
        throw EIOError(u"Report variable not found: "_qs + m_varName);
    TRpVarList &list = m_owner->VarList();
    if (list.IndexOfName(newName) >= 0)
        throw EIOError(u"Can't set variable name to "_qs + newName
                       + u", because variable with the same name already exists"_qs);
    list.SetName(index, newName);
    m_varName = newName;
}

QString TRpReportVariable::ValueText() const
{
    if (m_local)
        return m_localValue;
    return m_owner->VarList().Value(RequireLine("Get variable"));
}

TRpDataType TRpReportVariable::DataType() const
{
    if (m_local)
        return m_localType;
    return m_owner->VarList().LineAt(RequireLine("Get variable")).tag.value_or(rpdtUnknown);
}

void TRpReportVariable::SetDataType(TRpDataType type)
{
    if (m_local)
        m_localType = type;
    else
        m_owner->VarList().SetTag(RequireLine("Set variable"), type);
}

void TRpReportVariable::Store(const QString &text, TRpDataType type)
{
    if (m_local) {
        m_localValue = text;
        m_localType = type;
        return;
    }
    TRpVarList &list = m_owner->VarList();
    const int index = RequireLine("Set variable");
    list.SetValue(index, text);
    list.SetTag(index, type);
}

QString TRpReportVariable::TrueValue() const
{
    return m_owner ? m_owner->BooleanText(true) : QStringLiteral("True");
}

QString TRpReportVariable::FalseValue() const
{
    return m_owner ? m_owner->BooleanText(false) : QStringLiteral("False");
}

QString TRpReportVariable::AsString() const
{
    // One look-up for text and type, so a missing variable reports once.
    QString value;
    TRpDataType type;
    if (m_local) {
        value = m_localValue;
        type = m_localType;
    } else {
        const int index = RequireLine("Get variable");
        value = m_owner->VarList().Value(index);
        type = m_owner->VarList().LineAt(index).tag.value_or(rpdtUnknown);
    }
    if (type == rpdtNumber) {
        const int point = value.indexOf(u'.');
        if (point >= 0)
            value[point] = m_settings->DecimalSeparator;
    } else if (type == rpdtDateTime && value.size() > 11) {
        const TRpDateTime dt = value.at(11) == u',' ? AsDateTime() : AsDate();
        value = value.at(11) == u',' ? DateTimeToStr(dt, *m_settings) : DateToStr(dt, *m_settings);
    }
    return value;
}

void TRpReportVariable::SetAsFloat(TRpFloat value)
{
    if (m_local) {
        Store(FloatToCanonical(value), rpdtNumber);
        return;
    }
    TRpVarList &list = m_owner->VarList();
    const int index = RequireLine("Set variable");
    list.SetNumber(index, value);
    list.SetTag(index, rpdtNumber);
}

TRpFloat TRpReportVariable::AsFloat() const
{
    if (!m_local)
        if (const auto number = m_owner->VarList().Number(RequireLine("Get variable")))
            return *number;
    QString value = ValueText().trimmed();
    if (value.isEmpty())
        value = QStringLiteral("0");
    const int point = value.indexOf(u'.');
    if (point >= 0)
        value[point] = m_settings->DecimalSeparator;
    return TextToFloat(value, m_settings->DecimalSeparator, m_settings->ThousandSeparator);
}

qint64 TRpReportVariable::AsInteger() const
{
    const QString value = ValueText().trimmed();
    return value.isEmpty() ? 0 : TextToInteger(value, m_settings->ThousandSeparator);
}

TRpDateTime TRpReportVariable::ReadDateTime(const char *invalidWhat, bool withTime) const
{
    const QString value = ValueText();
    if (value.size() < 12)
        throw ERpError(value + u" is not a valid "_qs + QLatin1String(invalidWhat) + u" value"_qs);
    auto part = [&](int from, int length) { return int(TextToInteger(value.mid(from, length))); };
    TRpDateTime result = EncodeDate(part(1, 4), part(6, 2), part(9, 2));
    if (withTime && value.size() == 25 && value.at(11) == u',') {
        const TRpDateTime time = EncodeTime(part(12, 2), part(15, 2), part(18, 2), part(21, 3));
        result = result < 0 ? result - time : result + time;
    }
    return result;
}

TRpDateTime TRpReportVariable::AsDate() const
{
    return ReadDateTime("date", false);
}

TRpDateTime TRpReportVariable::AsDateTime() const
{
    return ReadDateTime("datetime", true);
}

void TRpReportVariable::SetAsDate(TRpDateTime value)
{
    Store(CanonicalDate(value), rpdtDateTime);
}

void TRpReportVariable::SetAsDateTime(TRpDateTime value)
{
    const TRpDateParts p = DecodeDateTime(value);
    const bool wholeDay = p.hour == 0 && p.minute == 0 && p.second == 0 && p.millisecond == 0;
    Store(wholeDay ? CanonicalDate(value) : CanonicalDateTime(value), rpdtDateTime);
}

bool TRpReportVariable::AsBoolean() const
{
    const QString value = ValueText();
    return value == TrueValue() || value.toUpper() == u"TRUE";
}

void TRpReportVariable::SetAsBoolean(bool value)
{
    Store(value ? TrueValue() : FalseValue(), rpdtBoolean);
}

} // namespace rtfreport
