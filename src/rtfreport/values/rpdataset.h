#pragma once
// The data sets a report scans, as the engine sees them. The program adapts
// its queries to this interface; TRpMemoryDataSet serves the command line and
// the tests.

#include "rpformatsettings.h"
#include "rpvariables.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <memory>
#include <string_view>
#include <vector>

namespace rtfreport {

enum class TRpFieldType {
    String, FixedChar, WideString, Memo, WideMemo,
    SmallInt, Integer, Word, AutoInc, LargeInt,
    Float, Currency, BCD,
    Boolean,
    Date, Time, DateTime,
    TimeStamp, FMTBcd, Graphic, Blob, Unknown,
};

// The engine's value type of a field type (timestamps, FMT-BCD, pictures and
// the rest have none: rpdtUnknown).
TRpDataType FieldDataType(TRpFieldType type);
// The field types whose values are whole numbers.
bool IsIntegerType(TRpFieldType type);

class TRpDataSet {
public:
    virtual ~TRpDataSet() = default;

    virtual QString Name() const = 0;
    virtual int FieldCount() const = 0;
    virtual QString FieldName(int field) const = 0;
    virtual TRpFieldType FieldType(int field) const = 0;
    // First field of that name (compared without case), or -1.
    int FindField(const QString &name) const;

    // Values of the current record. Currency is in ten-thousandths; dates
    // are day counts. A null value reads as "", 0, false or day 0.
    virtual bool IsNull(int field) const = 0;
    virtual QString AsString(int field) const = 0;
    virtual qint64 AsInteger(int field) const = 0;
    virtual qint64 AsCurrency(int field) const = 0;
    virtual TRpFloat AsFloat(int field) const = 0;
    virtual bool AsBoolean(int field) const = 0;
    virtual TRpDateTime AsDateTime(int field) const = 0;
    virtual QByteArray AsBytes(int field) const = 0;
    // The text a grid would show for the field.
    virtual QString DisplayText(int field) const = 0;
    // The same text without a QString of its own: a view of the text where
    // the data set holds it as such (a text field's, valid until the data
    // set changes), or of the text made in scratch; false where DisplayText
    // has to make it.
    virtual bool DisplayTextView(int field, QStringView &text, TRpTextScratch &scratch) const
    {
        Q_UNUSED(field);
        Q_UNUSED(text);
        Q_UNUSED(scratch);
        return false;
    }

    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Prior() = 0;
    virtual void Last() = 0;
    virtual bool Eof() const = 0;
    virtual bool Bof() const = 0;

    virtual QByteArray Bookmark() const = 0;
    virtual void GotoBookmark(const QByteArray &bookmark) = 0;

    // Controls bound to the data set stop following its movements while
    // disabled; calls nest.
    virtual bool ControlsDisabled() const = 0;
    virtual void DisableControls() = 0;
    virtual void EnableControls() = 0;
};

// Rows held in memory, in one flat table of small cells (rows x fields):
// each cell is null, a 64-bit integer, a double (numbers and day counts), an
// amount in ten-thousandths, a boolean, or the index of a text, of a byte
// array, or (for any other QVariant given to AppendRow) of a QVariant. Reads
// convert a cell as QVariant would convert the value it was given, without
// building one. An amount is exact in AsCurrency and in a currency field's
// DisplayText; elsewhere it reads as its double.
class TRpMemoryDataSet : public TRpDataSet {
public:
    struct Field {
        QString name;
        TRpFieldType type;
    };

    TRpMemoryDataSet(QString name, std::vector<Field> fields,
                     const TRpFormatSettings &settings = TRpFormatSettings::SystemDefault());
    // Missing values are null, values past the last field are dropped. The
    // QVariant types kept as cells: invalid (null), bool, int, uint,
    // qlonglong, qulonglong up to 2^63 - 1, double, QString and QByteArray;
    // any other is kept as the QVariant itself.
    void AppendRow(std::vector<QVariant> values);

    // Appending without QVariants: the Add... calls give the next fields'
    // values of a new row, in field order; EndRow() closes the row (as
    // AppendRow, missing values are null and extra ones are dropped).
    // AddText answers the text's number, which AddSameText takes to give a
    // text again without holding it twice.
    void ReserveRows(std::size_t rows);
    // Room for texts of that many UTF-16 units in all (a data file's size
    // in bytes is enough for the texts it holds).
    void ReserveTextUnits(std::size_t units);
    void AddNull();
    void AddInteger(qint64 value);
    void AddFloat(double value);
    void AddCurrency(qint64 tenThousandths);
    void AddBoolean(bool value);
    void AddDateTime(TRpDateTime value) { AddFloat(value); }
    int AddText(QStringView value);
    // The same for UTF-8 text (as a data file holds it), without a QString between.
    int AddTextUtf8(std::string_view value);
    void AddSameText(int text);
    void AddBytes(QByteArray value);
    void EndRow();

    int RecNo() const { return m_current; }  // 0-based; -1 when empty
    int RowCount() const { return m_rowCount; }

    QString Name() const override { return m_name; }
    int FieldCount() const override { return int(m_fields.size()); }
    QString FieldName(int field) const override { return m_fields.at(field).name; }
    TRpFieldType FieldType(int field) const override { return m_fields.at(field).type; }
    bool IsNull(int field) const override;
    QString AsString(int field) const override;
    qint64 AsInteger(int field) const override;
    qint64 AsCurrency(int field) const override;
    TRpFloat AsFloat(int field) const override;
    bool AsBoolean(int field) const override;
    TRpDateTime AsDateTime(int field) const override;
    QByteArray AsBytes(int field) const override;
    QString DisplayText(int field) const override;
    bool DisplayTextView(int field, QStringView &text, TRpTextScratch &scratch) const override;

    void First() override;
    void Next() override;
    void Prior() override;
    void Last() override;
    bool Eof() const override { return m_eof; }
    bool Bof() const override { return m_bof; }
    QByteArray Bookmark() const override;
    void GotoBookmark(const QByteArray &bookmark) override;
    bool ControlsDisabled() const override { return m_disableCount > 0; }
    void DisableControls() override { ++m_disableCount; }
    void EnableControls() override { m_disableCount = qMax(0, m_disableCount - 1); }

private:
    enum class Kind : quint8 { Null, Integer, Float, Currency, Boolean, Text, Bytes, Variant };
    union Payload {
        qint64 integer;  // Integer, Currency, Boolean (0 or 1); an index for Text, Bytes, Variant
        double number;   // Float
    };
    struct Cell {
        Kind kind;
        Payload value;
    };

    void Add(Kind kind, Payload value);
    void AddVariant(QVariant value);  // a value of no other kind, kept as given
    // The current record's cell of the field (a null cell off the records).
    Cell At(int field) const;
    double Number(const Cell &cell) const;   // QVariant::toDouble
    QString Text(const Cell &cell) const;    // QVariant::toString
    QStringView TextAt(qint64 text) const;
    bool MakeDisplayText(int field, TRpTextScratch &scratch) const;
    // Room for `size` more UTF-16 units at the end of the texts.
    char16_t *GrowTexts(std::size_t size);
    int EndText(std::size_t start, bool null);

    QString m_name;
    std::vector<Field> m_fields;
    std::vector<Kind> m_kinds;        // rows x fields
    std::vector<Payload> m_values;    // rows x fields
    // The texts one after another in one buffer, not a QString each: a data
    // file of a hundred thousand rows holds a hundred thousand texts.
    struct TextSpan {
        std::size_t start;
        qsizetype length;  // -1: a null text
    };
    std::unique_ptr<char16_t[]> m_textUnits;
    std::size_t m_textUnitCount = 0;
    std::size_t m_textUnitCapacity = 0;
    std::vector<TextSpan> m_texts;
    std::vector<QByteArray> m_bytes;
    std::vector<QVariant> m_variants;
    int m_rowCount = 0;
    TRpFormatSettings m_settings;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    int m_disableCount = 0;
};

} // namespace rtfreport
