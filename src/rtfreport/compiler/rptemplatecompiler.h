#pragma once
// TRpTemplateCompiler: reads an RTF template once and turns it into a
// TRpCompiledTemplate: the command stream (text to copy, fields, block
// commands, expressions in postfix order), the blocks, the header tables.
// It knows the report only for its options, user functions, number
// formats and trace; the data sets only by whether an alias names one.

#include "rpcommands.h"
#include "rpcompiledtemplate.h"
#include "rpexpression.h"
#include "rppositionwindow.h"
#include "rprtf_document.h"
#include "rprtf_templatescanner.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace rtfreport {

class TRpBaseReport;

// The template bytes with a 1-based read position.
struct TRpTemplateBuffer {
    QByteArray bytes;
    int position = 1;

    int Length() const { return int(bytes.size()); }
    bool AtEnd() const { return position > Length(); }
    // The raw byte at a 1-based position; EndOfTemplate past the end.
    char At(int pnt) const
    {
        return pnt >= 1 && pnt <= Length() ? bytes[pnt - 1] : TRpTemplateScanner::EndOfTemplate;
    }
    // Whether the control word (backslash included, compared without case)
    // stands at pnt, not followed by a letter.
    bool WordAt(int pnt, const char *word) const;
    // The same, allowing letters to follow ("\intbl", "\pard" begin words).
    bool PrefixAt(int pnt, const char *word) const;
};

// The result of a field read by ReadNextField.
struct TRpReadField {
    bool found = false;   // false at the end of the template
    QByteArray rawText;   // between the delimiters, formatting codes included
};

struct TRpSplitText {
    QString command;
    QString codes;
    bool usesUnicodeSkip = false;  // the split read or changed the "\uc" count
};

// The "\uc" count in force and the counts each open "{" saved for its "}".
// A scratch copy reads the saved counts of the one it was made from without
// copying or changing them, so that text can be split for a look at no cost
// to the fields around it.
class TRpUnicodeSkip {
public:
    int Count() const { return m_count; }
    void SetCount(int count) { m_count = count; }
    void Open() { m_saved.push_back(m_count); }
    void Close();
    void Reset();
    TRpUnicodeSkip Scratch() const;

private:
    int m_count = 1;
    std::vector<int> m_saved;
    const std::vector<int> *m_below = nullptr;  // a scratch copy's counts underneath its own
    size_t m_belowDepth = 0;
};

// Where in the template a failed run's field stands. Ordinal 0: the failure
// belongs to no field (a missing file, a full disk).
struct TRpErrorPlace {
    QString fieldText;   // as the author sees it, delimiters included
    int ordinal = 0;     // 1-based among the template's fields
    qint64 byteOffset = -1;  // of the opening delimiter, 0-based
    QString textBefore;  // the last visible characters before it, "…" first when cut
    bool IsKnown() const { return ordinal > 0; }
    // field 3 "\FNUM(X)\" at byte 1234, after "…text before"
    QString Text() const;
};

// The document text a word processor shows in bytes [0, end) of an RTF
// template: no control words, header groups or field delimiters. At most
// `limit` characters from the end; "…" first when cut.
QString VisibleTextBefore(const QByteArray &bytes, qsizetype end, int limit);

class TRpTemplateCompiler {
public:
    // Whether a scan's alias names one of the run's data sets.
    using TRpAliasKnown = std::function<bool(const QString &alias)>;

    // The header tables the template brings are read into `document`.
    TRpTemplateCompiler(TRpBaseReport &report, TRpRtfDocument &document, TRpAliasKnown aliasKnown);

    std::shared_ptr<const TRpCompiledTemplate> Compile(const QByteArray &bytes, const TRpCompileSettings &settings);
    // The template position of the field the last compile failed in; 0: none.
    int FailurePnt() const { return m_failurePnt; }
    // Where the field that stands at pnt is: read again from the start.
    TRpErrorPlace PlaceOfField(const QByteArray &bytes, int pnt);

    // --- compile steps, usable on their own ---
    static TRpSplitText SplitFieldText(const QByteArray &rawText, TRpUnicodeSkip &skip);
    static QString NormaliseCommandText(const QString &text);
    enum TRpCommandClass { ccScan, ccScanEntry, ccScanFooter, ccEndScan, ccIf, ccEndIf, ccElse, ccElsIf, ccField };
    static TRpCommandClass ClassifyCommand(const QString &commandText);

private:
    void Reset(const QByteArray &bytes);
    void Fail(int pnt);

    // the pass (rptemplate.cpp)
    void CompilePass();
    TRpReadField ReadNextField();
    bool ReadControlWord(int pnt);
    int PlainRunEnd(int pnt) const;
    bool ReadHeaderGroup();
    bool SkippedGroupAt(int pnt) const;
    int BoundaryWordLength(int pnt) const;
    bool FieldDelimiterAt(int pnt, int *length) const;
    QByteArray ReadFieldBody();
    // A step through a field body: on to pnt inside the quotation of that
    // kind; or Closed by the delimiter at pnt of length `quote`; or Failed.
    struct TRpBodyStep {
        enum Kind { Next, Closed, Failed } kind;
        int pnt = 0;
        int quote = 0;
    };
    TRpBodyStep FieldBodyStep(int pnt, int quote) const;
    TRpBodyStep FieldBodyEnd(int pnt);
    TRpBodyStep LongFieldBodyEnd(int pnt);
    int QuoteOpening(int pnt, int *length) const;
    bool QuoteClosing(int pnt, int quote, int *length) const;
    bool HexEscapeIs(int pnt, const char *hex) const;
    int WordWithBlankLength(int pnt, const char *word) const;
    TRpSplitText SplitFieldText(const QByteArray &rawText);
    // A field's text, split and classified once for each distinct raw text
    // (when the split does not depend on the "\uc" count in force). What it
    // compiled to (a field's records, or the condition of an IF or ELSIF)
    // is kept with it and written again where the same text comes back.
    struct TRpFieldText {
        TRpSplitText split;
        TRpCommandClass kind = ccField;
        QStringList items;  // a block command's items, split at top-level commas
        std::optional<TRpRecordRun> compiled;
    };
    TRpFieldText &FieldText(const QByteArray &rawText);
    // Where the records of a compile begin, to be kept by RecordsSince.
    struct TRpRecordMark {
        int position;
        int iifCounter;
    };
    TRpRecordMark MarkRecords() const;
    TRpRecordRun RecordsSince(const TRpRecordMark &mark) const;
    bool WriteCompiledAgain(const std::optional<TRpRecordRun> &compiled, int block);
    void CompileField(const QByteArray &rawText, TRpFieldText &text);
    void CompileSimpleField(const QString &commandText, const TRpSplitText &split, const QByteArray &rawText);
    void CompileExpression(const QString &expressionText, const TRpRowContent &field, bool output, bool manage,
                           int block);
    void CompileCallExpression(int id, const TRpRowContent &field, bool output, bool manage, int block,
                               const std::function<void()> &compileArguments);
    // The call an expression text stands for: its own text when it is one
    // call, else its infix formula, walked as a tree when that reads the same.
    struct TRpExpressionCall {
        std::shared_ptr<const TRpInfix> infix;  // set: compiled from the tree
        TRpFunctionCall parsed;                 // else: the call read from its text
        std::optional<int> id;                  // none: no such function
    };
    TRpExpressionCall ExpressionCall(const QString &text, bool oneCall);
    void CompileArguments(const TRpExpressionCall &call);
    void CompileArguments(const TRpFunctionCall &call);
    void CompileInfixArguments(const TRpInfixNode &call, int id);
    struct TRpCallRecords {
        int pnt;
        bool iif;
        int sequence;
    };
    TRpCallRecords BeginCall(int id);
    void AfterArgument(const TRpCallRecords &call, int argument);
    void EndCall(const TRpCallRecords &call, int id, int count);
    void CompileArgument(const QString &argument);
    TRpFunctionCall ParsedCall(const QString &callText);
    std::shared_ptr<const TRpInfix> InfixCalls(const QString &expressionText);
    TRpRowContent OperandField(const QString &argument, int *kind);

    // block commands (rpblocks.cpp)
    void CompileScan(const TRpFieldText &text, int commandPnt);
    void CompileScanEntry(const TRpFieldText &text, int commandPnt);
    void CompileScanFooter(const TRpFieldText &text, int commandPnt);
    void CompileEndScan(const TRpFieldText &text, int commandPnt);
    void CompileIf(TRpFieldText &text, int commandPnt);
    void CompileElsIf(TRpFieldText &text, int commandPnt);
    void CompileElse(const TRpFieldText &text, int commandPnt);
    void CompileEndIf(const TRpFieldText &text, int commandPnt);
    static QStringList CommandItems(const QString &commandText);
    TRpBlock &ScanOfCommand(const QString &commandText, const QString &commandWord, const QString &scanWord);
    void CompileScanItems(const QStringList &items, const QString &commandText);
    void CheckScanItem(const QString &item, const QString &commandText);
    void CompileCondition(const QString &conditionText, int block);
    void CompileCondition(TRpFieldText &text, int block);
    QString KillPar(int commandPnt);
    bool TextBeforeCommand(int commandPnt) const;
    bool HasVisibleText(const QByteArray &text) const;

    TRpBaseReport &m_report;
    TRpRtfDocument &m_document;
    TRpAliasKnown m_aliasKnown;
    int m_failurePnt = 0;

    TRpTemplateBuffer m_template;
    std::shared_ptr<TRpCompiledTemplate> m_compiled;  // the one being made
    TRpCommandStream *m_commands = nullptr;           // its command stream
    TRpBlockTable *m_blocks = nullptr;                // its blocks

    // What a long field body leads to from a (position, quotation): its
    // outcome and in how many steps (Next: the point reached after them).
    struct TRpBodyMemo {
        TRpBodyStep::Kind kind;
        int steps;
        int pnt;
        int quote;
    };
    // The (position, quotation) points one long read met, with the steps
    // taken before each; kept between reads for its capacity.
    struct TRpBodyVisit {
        int pnt;
        int quote;
        int taken;
    };
    static constexpr qsizetype MaxFieldTexts = 4096;

    TRpUnicodeSkip m_unicodeSkip;
    bool m_tableRowOpen = false;
    int m_lastBoundaryPnt = -1;
    int m_kwdPnt = -1;
    int m_previousKwdPnt = -1;  // where the field before the current one began
    int m_iifCounter = 0;
    TRpPositionWindow<TRpBodyMemo, 9> m_bodyMemo;  // by position and quotation kind
    int m_bodyMemoReach = 0;  // the furthest position a long body was read to
    std::vector<TRpBodyVisit> m_bodyVisited;
    std::vector<int> m_elsIfChains;  // ELSIF levels of each open IF chain
    QHash<QString, TRpFunctionCall> m_parsedCalls;  // the calls parsed in this compile, by text
    // Expressions as calls, by text; shared, as compiling one may add more.
    QHash<QString, std::shared_ptr<const TRpInfix>> m_infixCalls;
    QHash<QByteArray, TRpFieldText> m_fieldTexts;   // by raw text
    TRpFieldText m_unsharedFieldText;               // a text whose split depends on "\uc"
};

} // namespace rtfreport
