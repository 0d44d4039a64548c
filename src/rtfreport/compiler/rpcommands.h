#pragma once
// The command stream a template compiles into: one record per stretch of
// plain text, field, expression step, table mark, header table or block
// command, with the strings the records name kept once in a string table.
//
// Records are held in a vector; a record's index is its stream position, so
// loops can go back to a record and skips can pass over records. Every record
// carries the template position just after the text it covers: a copying
// record copies the template bytes between the previous record's position
// and its own.

#include "rpchunkedlist.h"
#include "rpformat.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <unordered_set>
#include <vector>

namespace rtfreport {

enum TRpCommandKind {
    cmStart = -9999,
    cmEnd = -10000,
    cmCopyText = -5,
    cmCopyGroup = -10,
    cmTableStart = -6,
    cmTableEnd = -7,
    cmFormatting = -16,
    cmVariable = 0,
    cmNumber = 2,
    cmString = 3,
    cmBoolean = 4,
    cmDate = 5,
    cmDataFieldDot = -1,
    cmDataFieldColon = -2,
    cmExpression = -13,
    cmOperation = -15,
    cmExpressionEnd = -14,
    cmFontTable = -17,
    cmColorTable = -18,
    cmStyleSheet = -19,
    cmDocInfo = -20,
    cmListTable = -28,
    cmListOverrideTable = -29,
    cmScan = -3,
    cmWhileScan = -21,
    cmScanEntry = -11,
    cmScanFooter = -12,
    cmEndScan = -4,
    cmScanNext = -22,
    cmIf = -23,
    cmEndIf = -24,
};

// Operation markers of IIF: after its condition, its true and its false branch.
enum TRpIifMarker { iifAfterCondition = -66, iifAfterTrue = -67, iifAfterFalse = -68 };

enum TRpRcTypes { rcdata, rcsimple, rcnottext };

// One compiled field, operand or expression.
struct TRpRowContent {
    QString stestf;    // the field as met: "\\" + raw text + "\\"
    QString Dalias;    // data-set alias of a data field
    QString Field;     // name, literal, field name or number, or expression text
    QString sout;      // formatting codes split out of the field, written after the value
    TRpFieldFormat fmt;
    TRpRcTypes ftype = rcsimple;
    int NField = -1;   // resolved field index; for an expression its outer function id
    quint8 DefinedType = 1;
    bool Defined = false;
};

// A record is small, as a long template makes millions: the numbers one
// kind uses share their place with those another kind uses.
struct TRpCommand {
    qint16 kind = cmStart;
    qint8 flag = 0;            // cmIf: 0 written when true, 1 when false; cmExpression: 1 when
                               // its operands are literals and its operators pure (a constant)
    bool output : 1 = false;   // cmExpression: the value is written
    bool manage : 1 = false;   // cmExpression: the value steers a block
    int pnt = 1;               // template position just after the covered text (1-based)
    union {
        int field = -1;        // field records and cmExpression: index of the field record
        int functionId;        // cmOperation
        int codes;             // block records and cmFormatting: string index of the formatting codes
    };
    union {
        int absorbed = -1;     // block records: string index of the text KillPar absorbed
        int argCount;          // cmOperation
    };
    union {
        int block = 0;         // block records and cmExpression: the block number
        int iifSequence;       // cmOperation: the IIF it belongs to
    };
};

// The records of the block commands, which carry two strings and a block number.
inline bool IsBlockRecord(int kind)
{
    switch (kind) {
    case cmScan: case cmWhileScan: case cmScanEntry: case cmScanFooter: case cmEndScan: case cmScanNext:
    case cmIf: case cmEndIf:
        return true;
    default:
        return false;
    }
}

// The records one field or condition compiled to, kept to be written again
// where the same text comes back: only the template position, the block of
// the expression and the numbers of its IIF calls differ there.
struct TRpRecordRun {
    std::vector<TRpCommand> records;
    int iifBase = 0;   // the IIF counter before the records were compiled
    int iifCount = 0;  // the IIF numbers they took
};

class TRpCommandStream {
public:
    TRpCommandStream();

    int Count() const { return int(m_records.size()); }
    int FieldCount() const { return int(m_fields.size()); }
    const TRpCommand &At(int position) const { return m_records[position]; }
    TRpCommand &At(int position) { return m_records[position]; }
    TRpRowContent &FieldOf(const TRpCommand &command) { return m_fields[command.field]; }
    const TRpRowContent &FieldOf(const TRpCommand &command) const { return m_fields[command.field]; }

    // The index of text in the string table, adding it the first time.
    int AddString(const QString &text);
    const QString &String(int index) const;
    // The string table itself; format keywords keep their pictures in it.
    QStringList &Strings() { return m_strings; }
    const QStringList &Strings() const { return m_strings; }

    // Writers. Each returns the new record's position. A cmCopyText right
    // after a cmCopyText only moves the previous record's template position.
    int WriteCopyText(int pnt);
    int WriteMark(int kind, int pnt);
    int WriteField(int kind, int pnt, const TRpRowContent &field);
    int WriteFormatting(int pnt, const QString &codes);
    int WriteExpression(int pnt, const TRpRowContent &field, bool output, bool manage, int block);
    int WriteOperation(int pnt, int functionId, int argCount, int iifSequence);
    int WriteBlock(int kind, int pnt, const QString &codes, const QString &absorbed, int block, int flag = 0);

    // The records from a position to the end, to be written again by WriteRun.
    std::vector<TRpCommand> RecordsFrom(int position) const;
    // Writes a run's records again at pnt: a cmExpression record belongs to
    // `block`, and IIF numbers count on from `iifCounter`.
    void WriteRun(const TRpRecordRun &run, int pnt, int block, int iifCounter);

private:
    int Append(TRpCommand command);
    int AddField(const TRpRowContent &field);

    using Fields = TRpChunkedList<TRpRowContent, 8>;
    TRpChunkedList<TRpCommand, 12> m_records;
    // Field records are kept once: the fields of a template repeat, and a
    // data field resolved for one of them is resolved for all alike.
    Fields m_fields;
    struct FieldHash {
        const Fields *fields;
        size_t operator()(int index) const;
    };
    struct FieldEqual {
        const Fields *fields;
        bool operator()(int a, int b) const;
    };
    std::unordered_set<int, FieldHash, FieldEqual> m_fieldIndex;
    QStringList m_strings;
    QHash<QString, int> m_stringIndex;
};

} // namespace rtfreport
