#include "rpdataset.h"

#include "rphugepages.h"

#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

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

bool IsIntegerType(TRpFieldType type)
{
    switch (type) {
    case TRpFieldType::SmallInt:
    case TRpFieldType::Integer:
    case TRpFieldType::Word:
    case TRpFieldType::AutoInc:
    case TRpFieldType::LargeInt:
        return true;
    default:
        return false;
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

void TRpMemoryDataSet::ReserveRows(std::size_t rows)
{
    m_kinds.reserve(m_kinds.size() + rows * m_fields.size());
    const bool fresh = m_values.empty();
    m_values.reserve(m_values.size() + rows * m_fields.size());
    const auto textFields = std::count_if(m_fields.begin(), m_fields.end(), [](const Field &field) {
        return FieldDataType(field.type) == rpdtString;
    });
    m_texts.reserve(m_texts.size() + rows * std::size_t(textFields));
    if (fresh) {
        AdviseHugePages(m_values.data(), m_values.capacity() * sizeof(Payload));
        AdviseHugePages(m_texts.data(), m_texts.capacity() * sizeof(TextSpan));
    }
}

void TRpMemoryDataSet::Add(Kind kind, Payload value)
{
    m_kinds.push_back(kind);
    m_values.push_back(value);
}

void TRpMemoryDataSet::AddNull()
{
    Add(Kind::Null, {0});
}

void TRpMemoryDataSet::AddInteger(qint64 value)
{
    Add(Kind::Integer, {value});
}

void TRpMemoryDataSet::AddFloat(double value)
{
    Payload payload;
    payload.number = value;
    Add(Kind::Float, payload);
}

void TRpMemoryDataSet::AddCurrency(qint64 tenThousandths)
{
    Add(Kind::Currency, {tenThousandths});
}

void TRpMemoryDataSet::AddBoolean(bool value)
{
    Add(Kind::Boolean, {value ? 1 : 0});
}

void TRpMemoryDataSet::ReserveTextUnits(std::size_t units)
{
    if (units <= m_textUnitCapacity)
        return;
    // Uninitialised units: a text is written once, by whoever adds it.
    std::unique_ptr<char16_t[]> grown(new char16_t[units]);
    AdviseHugePages(grown.get(), units * sizeof(char16_t));
    std::copy_n(m_textUnits.get(), m_textUnitCount, grown.get());
    m_textUnits = std::move(grown);
    m_textUnitCapacity = units;
}

char16_t *TRpMemoryDataSet::GrowTexts(std::size_t size)
{
    if (m_textUnitCount + size > m_textUnitCapacity)
        ReserveTextUnits(std::max(m_textUnitCount + size, 2 * m_textUnitCapacity));
    char16_t *end = m_textUnits.get() + m_textUnitCount;
    m_textUnitCount += size;
    return end;
}

int TRpMemoryDataSet::EndText(std::size_t start, bool null)
{
    const int text = int(m_texts.size());
    m_texts.push_back({start, null ? -1 : qsizetype(m_textUnitCount - start)});
    Add(Kind::Text, {text});
    return text;
}

int TRpMemoryDataSet::AddText(QStringView value)
{
    const std::size_t start = m_textUnitCount;
    std::copy(value.utf16(), value.utf16() + value.size(), GrowTexts(std::size_t(value.size())));
    return EndText(start, value.isNull());
}

int TRpMemoryDataSet::AddTextUtf8(std::string_view value)
{
    const std::size_t start = m_textUnitCount;
    // A UTF-8 text has at most as many UTF-16 units as bytes. A byte order
    // mark at its start is dropped, as QString::fromUtf8 drops it.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QChar *first = reinterpret_cast<QChar *>(GrowTexts(value.size()));
    const QChar *end = decoder.appendToBuffer(first, QByteArrayView(value.data(), qsizetype(value.size())));
    m_textUnitCount = start + std::size_t(end - first);
    return EndText(start, false);
}

QStringView TRpMemoryDataSet::TextAt(qint64 text) const
{
    const TextSpan &span = m_texts[std::size_t(text)];
    if (span.length < 0)
        return {};
    return QStringView(m_textUnits.get() + span.start, span.length);
}

void TRpMemoryDataSet::AddSameText(int text)
{
    if (text < 0 || text >= int(m_texts.size()))
        throw std::out_of_range("TRpMemoryDataSet: no text " + std::to_string(text));
    Add(Kind::Text, {qint64(text)});
}

void TRpMemoryDataSet::AddBytes(QByteArray value)
{
    Add(Kind::Bytes, {qint64(m_bytes.size())});
    m_bytes.push_back(std::move(value));
}

void TRpMemoryDataSet::AddVariant(QVariant value)
{
    Add(Kind::Variant, {qint64(m_variants.size())});
    m_variants.push_back(std::move(value));
}

void TRpMemoryDataSet::EndRow()
{
    const std::size_t end = (std::size_t(m_rowCount) + 1) * m_fields.size();
    if (m_kinds.size() != end) {
        m_kinds.resize(end, Kind::Null);
        m_values.resize(end, Payload{0});
    }
    ++m_rowCount;
    if (m_current < 0)
        First();
}

void TRpMemoryDataSet::AppendRow(std::vector<QVariant> values)
{
    const std::size_t count = qMin(values.size(), m_fields.size());
    for (std::size_t i = 0; i < count; ++i) {
        QVariant &value = values[i];
        switch (value.typeId()) {
        case QMetaType::UnknownType: AddNull(); break;
        case QMetaType::Bool: AddBoolean(value.toBool()); break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong: AddInteger(value.toLongLong()); break;
        case QMetaType::ULongLong:
            if (value.toULongLong() <= quint64(std::numeric_limits<qint64>::max()))
                AddInteger(value.toLongLong());
            else
                AddVariant(std::move(value));
            break;
        case QMetaType::Double: AddFloat(value.toDouble()); break;
        case QMetaType::QString: AddText(*static_cast<const QString *>(value.constData())); break;
        case QMetaType::QByteArray: AddBytes(std::move(*static_cast<QByteArray *>(value.data()))); break;
        default: AddVariant(std::move(value)); break;
        }
    }
    EndRow();
}

TRpMemoryDataSet::Cell TRpMemoryDataSet::At(int field) const
{
    if (field < 0 || field >= int(m_fields.size()))
        throw std::out_of_range("TRpMemoryDataSet: no field " + std::to_string(field));
    if (m_current < 0 || m_current >= m_rowCount)
        return {Kind::Null, {0}};
    const std::size_t at = std::size_t(m_current) * m_fields.size() + std::size_t(field);
    return {m_kinds[at], m_values[at]};
}

double TRpMemoryDataSet::Number(const Cell &cell) const
{
    switch (cell.kind) {
    case Kind::Integer:
    case Kind::Boolean: return double(cell.value.integer);
    case Kind::Float: return cell.value.number;
    case Kind::Currency: return double(cell.value.integer) / 10000.0;
    case Kind::Text: return TextAt(cell.value.integer).toDouble();
    case Kind::Bytes: return m_bytes[cell.value.integer].toDouble();
    case Kind::Variant: return m_variants[cell.value.integer].toDouble();
    case Kind::Null: break;
    }
    return 0;
}

QString TRpMemoryDataSet::Text(const Cell &cell) const
{
    switch (cell.kind) {
    case Kind::Integer: return QString::number(cell.value.integer);
    case Kind::Float:
    case Kind::Currency: return QString::number(Number(cell), 'g', QLocale::FloatingPointShortest);
    case Kind::Boolean: return cell.value.integer ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Text: {
        // A copy: the texts' buffer moves while rows are added.
        const QStringView text = TextAt(cell.value.integer);
        if (text.isEmpty())
            return text.isNull() ? QString() : QStringLiteral("");
        return text.toString();
    }
    case Kind::Bytes: return QString::fromUtf8(m_bytes[cell.value.integer]);
    case Kind::Variant: return m_variants[cell.value.integer].toString();
    case Kind::Null: break;
    }
    return QString();
}

bool TRpMemoryDataSet::IsNull(int field) const
{
    const Cell cell = At(field);
    return cell.kind == Kind::Null || (cell.kind == Kind::Variant && m_variants[cell.value.integer].isNull());
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
        return Text(At(field));
    }
}

qint64 TRpMemoryDataSet::AsInteger(int field) const
{
    const Cell cell = At(field);
    switch (cell.kind) {
    case Kind::Integer:
    case Kind::Boolean: return cell.value.integer;
    case Kind::Float: return qRound64(cell.value.number);
    case Kind::Currency: {
        // Rounded half away from zero, as the amount's double would be.
        const qint64 units = cell.value.integer / 10000, rest = cell.value.integer % 10000;
        return units + (rest >= 5000) - (rest <= -5000);
    }
    case Kind::Text: return TextAt(cell.value.integer).toLongLong();
    case Kind::Bytes: return m_bytes[cell.value.integer].toLongLong();
    case Kind::Variant: return m_variants[cell.value.integer].toLongLong();
    case Kind::Null: break;
    }
    return 0;
}

qint64 TRpMemoryDataSet::AsCurrency(int field) const
{
    const Cell cell = At(field);
    if (cell.kind == Kind::Currency)
        return cell.value.integer;
    return std::llround(Number(cell) * 10000.0);
}

TRpFloat TRpMemoryDataSet::AsFloat(int field) const
{
    return Number(At(field));
}

bool TRpMemoryDataSet::AsBoolean(int field) const
{
    const Cell cell = At(field);
    switch (cell.kind) {
    case Kind::Integer:
    case Kind::Boolean: return cell.value.integer != 0;
    case Kind::Float:
    case Kind::Currency: return AsInteger(field) != 0;  // QVariant rounds a double to an integer first
    case Kind::Text: {
        const QStringView text = TextAt(cell.value.integer);
        return !(text.isEmpty() || text == u"0" || text.compare(u"false", Qt::CaseInsensitive) == 0);
    }
    case Kind::Bytes: {
        const QByteArray &bytes = m_bytes[cell.value.integer];
        return !(bytes.isEmpty() || bytes == "0" || bytes.compare("false", Qt::CaseInsensitive) == 0);
    }
    case Kind::Variant: return m_variants[cell.value.integer].toBool();
    case Kind::Null: break;
    }
    return false;
}

TRpDateTime TRpMemoryDataSet::AsDateTime(int field) const
{
    return Number(At(field));
}

QByteArray TRpMemoryDataSet::AsBytes(int field) const
{
    const Cell cell = At(field);
    switch (cell.kind) {
    case Kind::Integer: return QByteArray::number(cell.value.integer);
    case Kind::Float:
    case Kind::Currency: return QByteArray::number(Number(cell), 'g', QLocale::FloatingPointShortest);
    case Kind::Boolean: return cell.value.integer ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
    case Kind::Text: return TextAt(cell.value.integer).toUtf8();
    case Kind::Bytes: return m_bytes[cell.value.integer];
    case Kind::Variant: return m_variants[cell.value.integer].toByteArray();
    case Kind::Null: break;
    }
    return QByteArray();
}

// The commonest made texts, whole numbers, amounts and dates, in scratch
// rather than a QString of their own; false (scratch untouched) for another
// type or a null value.
bool TRpMemoryDataSet::MakeDisplayText(int field, TRpTextScratch &scratch) const
{
    const TRpFieldType type = FieldType(field);
    if ((!IsIntegerType(type) && type != TRpFieldType::Currency && type != TRpFieldType::Date) || IsNull(field))
        return false;
    scratch.clear();
    if (type == TRpFieldType::Currency) {
        AppendCurrencyText(scratch, AsCurrency(field), m_settings);
    } else if (type == TRpFieldType::Date) {
        AppendDateText(scratch, AsDateTime(field), m_settings);
    } else {
        char digits[20];  // the digits and sign of the lowest qint64
        const char *end = std::to_chars(digits, digits + sizeof digits, AsInteger(field)).ptr;
        for (const char *digit = digits; digit != end; ++digit)
            scratch.append(QLatin1Char(*digit));
    }
    return true;
}

QString TRpMemoryDataSet::DisplayText(int field) const
{
    if (TRpTextScratch made; MakeDisplayText(field, made))
        return QString(made.constData(), made.size());
    if (IsNull(field))
        return QString();
    switch (FieldType(field)) {
    case TRpFieldType::Float:
    case TRpFieldType::BCD:
        return FloatToTextF(AsFloat(field), TRpFloatFormat::General, 15, 0, m_settings);
    case TRpFieldType::Boolean:
        return AsBoolean(field) ? QStringLiteral("True") : QStringLiteral("False");
    case TRpFieldType::Time:
        return TimeToStr(AsDateTime(field), m_settings);
    case TRpFieldType::DateTime:
        return DateTimeToStr(AsDateTime(field), m_settings);
    default:
        return Text(At(field));
    }
}

bool TRpMemoryDataSet::DisplayTextView(int field, QStringView &text, TRpTextScratch &scratch) const
{
    if (MakeDisplayText(field, scratch)) {
        text = QStringView(scratch.constData(), scratch.size());
        return true;
    }
    // Other numbers, booleans and dates have their text made by DisplayText.
    const TRpDataType type = FieldDataType(FieldType(field));
    if (type == rpdtNumber || type == rpdtBoolean || type == rpdtDateTime)
        return false;
    const Cell cell = At(field);
    if (cell.kind == Kind::Null) {
        text = {};
        return true;
    }
    if (cell.kind != Kind::Text)
        return false;
    text = TextAt(cell.value.integer);
    return true;
}

void TRpMemoryDataSet::First()
{
    m_current = m_rowCount == 0 ? -1 : 0;
    m_bof = true;
    m_eof = m_rowCount == 0;
}

void TRpMemoryDataSet::Next()
{
    if (m_current + 1 < m_rowCount) {
        ++m_current;
        m_eof = false;
    } else {
        m_eof = true;
    }
    m_bof = m_rowCount == 0;
}

void TRpMemoryDataSet::Prior()
{
    if (m_current > 0) {
        --m_current;
        m_bof = false;
    } else {
        m_bof = true;
    }
    m_eof = m_rowCount == 0;
}

void TRpMemoryDataSet::Last()
{
    m_current = m_rowCount - 1;
    m_eof = true;
    m_bof = m_rowCount == 0;
}

QByteArray TRpMemoryDataSet::Bookmark() const
{
    return QByteArray::number(m_current);
}

void TRpMemoryDataSet::GotoBookmark(const QByteArray &bookmark)
{
    bool ok = false;
    const int row = bookmark.toInt(&ok);
    if (!ok || row < 0 || row >= m_rowCount)
        return;
    m_current = row;
    m_eof = m_bof = false;
}

} // namespace rtfreport
