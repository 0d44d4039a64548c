#pragma once
// Report variables: the variable list of a report and the variable object
// through which every value of the engine passes.
//
// Values are held as texts in a canonical form that never depends on the
// locale (numbers with ".", dates as {2021-11-30}); the locale is applied only
// when a value is shown (AsString) or read from a text (AsFloat). A number
// set on a named variable also keeps what its text reads as, and its text is
// written when first read.

#include "rpformatsettings.h"

#include <QHash>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace rtfreport {

class TRpBaseReport;

enum TRpDataType { rpdtUnknown = 0, rpdtString = 1, rpdtNumber = 2, rpdtBoolean = 3, rpdtDateTime = 4 };

// "Unknown", "String", ... and the persisted codes (string 0 .. date-time 3,
// other -1).
QString DataTypeText(TRpDataType type);
int DataTypeNumber(TRpDataType type);
TRpDataType DataTypeFromNumber(int number);

// The ordered lines "name=value" of the named variables, each with an
// optional type tag (a line copied in from a stored list may have none).
class TRpVarList {
public:
    struct Line {
        QString text;
        std::optional<TRpDataType> tag;
    };

    int Count() const { return int(m_lines.size()); }
    // Writes a pending number's text first.
    const Line &LineAt(int index) const;
    QString Name(int index) const;
    QString Value(int index) const;
    // Index of the line whose name part (before its first "=") equals name,
    // compared upper-cased; a line beginning with "=" matches nothing. -1 when
    // absent.
    int IndexOfName(const QString &name) const;

    void Add(const QString &text, std::optional<TRpDataType> tag = std::nullopt);
    void Delete(int index);
    void Clear()
    {
        m_lines.clear();
        m_indexValid = false;
    }
    void SetValue(int index, const QString &value);
    void SetName(int index, const QString &name);
    void SetTag(int index, TRpDataType tag) { m_lines.at(index).line.tag = tag; }

    // A number as a line's value. Its text is written when first read: a
    // total changes on every record and is read at the end.
    void SetNumber(int index, TRpFloat value);
    // What the line's value reads as when SetNumber gave it and nothing has
    // changed it since; nothing otherwise.
    std::optional<TRpFloat> Number(int index) const { return m_lines.at(index).number; }

    // "VarDataTypes": a 32-bit little-endian count and one 32-bit code per line.
    QByteArray SaveDataTypes() const;
    void LoadDataTypes(const QByteArray &bytes);

private:
    struct Entry {
        Line line;
        std::optional<TRpFloat> number;  // what the value reads as, when known
        bool textPending = false;        // the value's text is still to be written from number
    };
    // Reading a line may write its pending text.
    mutable std::vector<Entry> m_lines;
    // Upper-cased name -> first line of that name; made again after a change of names.
    mutable QHash<QString, int> m_index;
    mutable bool m_indexValid = false;
    // The last names looked up, known by their shared text: a report's
    // fields give the same name objects record after record (a total is
    // read and written several times a record). Held copies keep the texts
    // from changing or going away; emptied when the index is made again.
    struct RecentName {
        QString name;
        int index = -1;
    };
    mutable std::array<RecentName, 4> m_recent;
    mutable std::size_t m_nextRecent = 0;
};

// One value: named (every read and write goes to the owner's list line of
// its name, which must exist) or local (holds its text and type itself).
// A variable without an owner is local.
class TRpReportVariable {
public:
    // Takes the owner's locale; a variable without an owner takes the
    // system's, or the one given.
    explicit TRpReportVariable(TRpBaseReport *owner = nullptr);
    explicit TRpReportVariable(const TRpFormatSettings &settings);

    // A local variable holding a value of the given type.
    static TRpReportVariable LocalValue(TRpBaseReport *owner, const QString &text, TRpDataType type);

    TRpBaseReport *Owner() const { return m_owner; }
    const TRpFormatSettings &FormatSettings() const { return *m_settings; }

    bool Local() const { return m_local; }
    void SetLocal(bool local);
    QString Name() const { return m_varName; }
    // Renames only this object, never the list line.
    void SetVarName(const QString &name) { m_varName = name; }
    void ChangeVarName(const QString &newName);

    // The stored text as it stands (no locale applied).
    QString ValueText() const;
    TRpDataType DataType() const;
    void SetDataType(TRpDataType type);
    QString DataTypeText() const { return rtfreport::DataTypeText(DataType()); }
    int DataTypeNumber() const { return rtfreport::DataTypeNumber(DataType()); }

    QString AsString() const;
    void SetAsString(const QString &value) { Store(value, rpdtString); }
    TRpFloat AsFloat() const;
    void SetAsFloat(TRpFloat value);
    qint64 AsInteger() const;
    void SetAsInteger(qint64 value) { Store(QString::number(value), rpdtNumber); }
    TRpDateTime AsDate() const;
    void SetAsDate(TRpDateTime value);
    TRpDateTime AsDateTime() const;
    // A whole day is stored as a date, anything else with its time.
    void SetAsDateTime(TRpDateTime value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);

    // Stores a text with a type as it stands.
    void Store(const QString &text, TRpDataType type);

private:
    int RequireLine(const char *operation) const;
    QString TrueValue() const;
    QString FalseValue() const;
    TRpDateTime ReadDateTime(const char *invalidWhat, bool withTime) const;

    TRpBaseReport *m_owner;
    QString m_varName;
    bool m_local;
    QString m_localValue;
    TRpDataType m_localType = rpdtUnknown;
    // The owner's settings, or settings of its own when it has no owner:
    // variables are made by the thousand and the settings are large.
    std::shared_ptr<const TRpFormatSettings> m_ownSettings;
    const TRpFormatSettings *m_settings;
};

} // namespace rtfreport
