#include "rpdataset.h"

#include <cmath>

namespace rtfreport {

TRpDataType FieldDataType(TRpFieldType type)
{
    switch (type) {
    case TRpFieldType::String:
    case TRpFieldType::FixedChar:
    case TRpFieldType::WideString:
    case TRpFieldType::Memo:
    case TRpFieldType::WideMemo:
        return rpdtString;
    case TRpFieldType::SmallInt:
    case TRpFieldType::Integer:
    case TRpFieldType::Word:
    case TRpFieldType::AutoInc:
    case TRpFieldType::LargeInt:
    case TRpFieldType::Float:
    case TRpFieldType::Currency:
    case TRpFieldType::BCD:
        return rpdtNumber;
    case TRpFieldType::Boolean:
        return rpdtBoolean;
    case TRpFieldType::Date:
    case TRpFieldType::Time:
    case TRpFieldType::DateTime:
        return rpdtDateTime;
    default:
        return rpdtUnknown;
    }
}

int TRpDataSet::FindField(const QString &name) const
{
    const QString wanted = name.toUpper();
    for (int i = 0; i < FieldCount(); ++i)
        if (FieldName(i).toUpper() == wanted)
            return i;
    return -1;
}

TRpMemoryDataSet::TRpMemoryDataSet(QString name, std::vector<Field> fields,
                                   const TRpFormatSettings &settings)
    : m_name(std::move(name)), m_fields(std::move(fields)), m_settings(settings)
{
}

void TRpMemoryDataSet::AppendRow(std::vector<QVariant> values)
{
    values.resize(m_fields.size());
    m_rows.push_back(std::move(values));
    if (m_current < 0)
        First();
}

QVariant TRpMemoryDataSet::Value(int field) const
{
    if (m_current < 0 || m_current >= int(m_rows.size()))
        return QVariant();
    return m_rows[m_current].at(field);
}

bool TRpMemoryDataSet::IsNull(int field) const
{
    return Value(field).isNull();
}

QString TRpMemoryDataSet::AsString(int field) const
{
    if (IsNull(field))
        return QString();
    switch (FieldDataType(FieldType(field))) {
    case rpdtNumber:
    case rpdtDateTime:
    case rpdtBoolean:
        return DisplayText(field);
    default:
        return Value(field).toString();
    }
}

qint64 TRpMemoryDataSet::AsInteger(int field) const
{
    return Value(field).toLongLong();
}

qint64 TRpMemoryDataSet::AsCurrency(int field) const
{
    return std::llround(Value(field).toDouble() * 10000.0);
}

TRpFloat TRpMemoryDataSet::AsFloat(int field) const
{
    return Value(field).toDouble();
}

bool TRpMemoryDataSet::AsBoolean(int field) const
{
    return Value(field).toBool();
}

TRpDateTime TRpMemoryDataSet::AsDateTime(int field) const
{
    return Value(field).toDouble();
}

QByteArray TRpMemoryDataSet::AsBytes(int field) const
{
    return Value(field).toByteArray();
}

QString TRpMemoryDataSet::DisplayText(int field) const
{
    if (IsNull(field))
        return QString();
    switch (FieldType(field)) {
    case TRpFieldType::SmallInt:
    case TRpFieldType::Integer:
    case TRpFieldType::Word:
    case TRpFieldType::AutoInc:
    case TRpFieldType::LargeInt:
        return QString::number(AsInteger(field));
    case TRpFieldType::Float:
    case TRpFieldType::BCD:
        return FloatToTextF(AsFloat(field), TRpFloatFormat::General, 15, 0, m_settings);
    case TRpFieldType::Currency:
        return CurrencyToText(AsCurrency(field), m_settings);
    case TRpFieldType::Boolean:
        return AsBoolean(field) ? QStringLiteral("True") : QStringLiteral("False");
    case TRpFieldType::Date:
        return DateToStr(AsDateTime(field), m_settings);
    case TRpFieldType::Time:
        return TimeToStr(AsDateTime(field), m_settings);
    case TRpFieldType::DateTime:
        return DateTimeToStr(AsDateTime(field), m_settings);
    default:
        return Value(field).toString();
    }
}

void TRpMemoryDataSet::First()
{
    m_current = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
}

void TRpMemoryDataSet::Next()
{
    if (m_current + 1 < int(m_rows.size())) {
        ++m_current;
        m_eof = false;
    } else {
        m_eof = true;
    }
    m_bof = m_rows.empty();
}

void TRpMemoryDataSet::Prior()
{
    if (m_current > 0) {
        --m_current;
        m_bof = false;
    } else {
        m_bof = true;
    }
    m_eof = m_rows.empty();
}

void TRpMemoryDataSet::Last()
{
    m_current = int(m_rows.size()) - 1;
    m_eof = true;
    m_bof = m_rows.empty();
}

QByteArray TRpMemoryDataSet::Bookmark() const
{
    return QByteArray::number(m_current);
}

void TRpMemoryDataSet::GotoBookmark(const QByteArray &bookmark)
{
    bool ok = false;
    const int row = bookmark.toInt(&ok);
    if (!ok || row < 0 || row >= int(m_rows.size()))
        return;
    m_current = row;
    m_eof = m_bof = false;
}

} // namespace rtfreport
