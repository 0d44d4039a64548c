#pragma once
// TRpRTF: the report engine a program creates to turn an RTF template, the
// report variables and its data sets into an RTF document.
//
// The template compiles into a command stream (fields between backslash
// delimiters, block commands), kept as a TRpCompiledTemplate for the later
// runs while the file (or buffer) and the settings the compile reads stay
// the same; a run replays the stream over the variables and data sets into
// a body, and assembles the output with header tables regenerated from the
// engine's own lists.

#include "rpbasereport.h"
#include "rpcommands.h"
#include "rpcompiledtemplate.h"
#include "rprtf_document.h"
#include "rprtf_io.h"
#include "rprtf_templatescanner.h"
#include "rpargument.h"
#include "rpexpression.h"
#include "rpmetafile.h"
#include "rppositionwindow.h"
#include "rpscans.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QString>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace rtfreport {

class TRpDataSet;
class TRpImageFormat;
class TRpRTF;
struct TRpFunctionCall;

// The template bytes with a 1-based read position.
class TRpTemplateBuffer {
public:
    QByteArray Bytes;
    int Fpnt = 1;

    int Flent() const { return int(Bytes.size()); }
    bool AtEnd() const { return Fpnt > Flent(); }
    // The raw byte at a 1-based position; EndOfTemplate past the end.
    char At(int pnt) const
    {
        return pnt >= 1 && pnt <= Flent() ? Bytes[pnt - 1] : TRpTemplateScanner::EndOfTemplate;
    }
    // Whether the control word (backslash included, compared without case)
    // stands at pnt, not followed by a letter.
    bool WordAt(int pnt, const char *word) const;
    // The same, allowing letters to follow ("\intbl", "\pard" begin words).
    bool PrefixAt(int pnt, const char *word) const;
};

struct TRpOutTabRec {
    qint64 start = 0;
    qint64 end = 0;
    int kind = 0;
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

using TRpOnScanEvent = std::function<void(TRpRTF *sender, TRpScanInfo &scanInfo)>;
using TRpOnImageFormat = std::function<void(TRpRTF *sender, int formatIndex, TRpImageFormat &imageFormat)>;
using TRpOnFinished = std::function<void(TRpRTF *sender)>;
// Opens a file with its associated program; returns the shell's result
// (above 32 on success).
using TRpShellOpen = std::function<int(const QString &fileName, int showCmd)>;

class TRpRTF : public TRpBaseReport {
public:
    explicit TRpRTF(const TRpFormatSettings &settings = TRpFormatSettings::SystemDefault());
    ~TRpRTF() override;

    // --- properties ---
    QString InFile() const { return m_inFile; }
    // A different name also drops a template given by SetTemplateBuffer.
    void SetInFile(const QString &fileName);
    QString OutFile() const { return m_outFile; }
    void SetOutFile(const QString &fileName) { m_outFile = fileName; }
    bool UnicodeByDefault() const { return m_unicodeByDefault; }
    void SetUnicodeByDefault(bool value) { m_unicodeByDefault = value; }
    int Charset() const { return m_charset; }
    void SetCharset(int charset) { m_charset = quint8(charset); }
    int Lang() const { return m_lang; }
    void SetLang(int lang) { m_lang = quint16(lang); }
    int RTFStyleMode() const { return m_rtfStyleMode; }
    void SetRTFStyleMode(int mode) { m_rtfStyleMode = mode; }
    // The screen's pixels per inch: pictures are drawn at that size in their
    // metafiles. The program sets its screen's; 96 draws pixels unscaled.
    int ScreenPixelsPerInch() const { return m_screenPixelsPerInch; }
    void SetScreenPixelsPerInch(int pixelsPerInch) { m_screenPixelsPerInch = qBound(1, pixelsPerInch, 9600); }
    // The most bytes a document may have; a run that writes more fails.
    // 0: no limit.
    qint64 MaxOutputSize() const { return m_maxOutputSize; }
    void SetMaxOutputSize(qint64 bytes) { m_maxOutputSize = qMax<qint64>(0, bytes); }
    bool DisableControls() const { return m_disableControls; }
    void SetDisableControls(bool value) { m_disableControls = value; }
    bool ExecuteSuccessful() const { return m_executeSuccessful; }
    QString LastErrMsg() const { return m_lastErrMsg; }
    // Where the field of the last failure stands (worked out on failure only).
    const TRpErrorPlace &LastErrPlace() const { return m_lastErrPlace; }
    bool InTable() const { return m_document.FInTable; }
    const TRpRtfDocument &Document() const { return m_document; }
    TRpReportDataCollection &ReportData() { return m_reportData; }

    TRpOnFinished OnFinished;
    TRpOnImageFormat OnImageFormat;
    TRpOnScanEvent OnScanBefore;
    TRpOnScanEvent OnScanRecord;
    TRpOnScanEvent OnScanEof;
    // The shell request behind ShellOpenFile; none answers 31 (no program).
    TRpShellOpen ShellOpen;
    // Decodes pictures beyond the Windows bitmaps the engine reads itself
    // (JPEG and the rest need the program's graphics library).
    TRpPictureDecoder PictureDecoder;

    // --- operations ---
    void Execute(const std::vector<TRpDataSet *> &dataSets);
    void ExecuteOpen(const std::vector<TRpDataSet *> &dataSets, int showCmd);
    void ExecuteStream(const std::vector<TRpDataSet *> &dataSets, QIODevice *outStream);
    int ShellOpenFile(const QString &fileName, int showCmd);
    static QString ShellResultText(int result);
    static QString CreateFileName(const QString &directory, const QString &prefix);
    static QString CreateFileName(const QString &directory, const QString &prefix, const QString &extension);
    // Whether two names lead to one existing file (through links as well).
    static bool IsSameFile(const QString &first, const QString &second);
    void SetTemplateBuffer(const QByteArray &buffer, int size);
    void FreeTemplate();
    QByteArray txt2rtf(const QString &text) const { return m_document.txt2rtf(text); }

    // The engine's 16 default colours (picture borders).
    static const std::array<TRpColor, 16> &ColorTable();

    // --- what a run supplies to expressions ---
    TRpDataSet *DataSetByAlias(const QString &alias) const override;
    bool AggregateResetDue() const override;
    // The index of a registered data set for an alias text, or -1.
    int AliasIndex(const QString &alias) const;
    // A field by name or "(n)"; -1 when not found.
    static int LookupField(const TRpDataSet &dataSet, const QString &fieldText);

    // --- compile steps, usable on their own ---
    TRpSplitText SplitFieldText(const QByteArray &rawText);
    static TRpSplitText SplitFieldText(const QByteArray &rawText, TRpUnicodeSkip &skip);
    static QString NormaliseCommandText(const QString &text);
    enum TRpCommandClass { ccScan, ccScanEntry, ccScanFooter, ccEndScan, ccIf, ccEndIf, ccElse, ccElsIf, ccField };
    static TRpCommandClass ClassifyCommand(const QString &commandText);

private:
    // run
    void RunReport(const std::vector<TRpDataSet *> &dataSets, QIODevice *outStream, bool open, int showCmd);
    void RecordFailure(std::exception_ptr failure, const std::function<void()> &restoreControls);
    void LocateFailure(int pnt);
    TRpErrorPlace PlaceOfField(int pnt) const;
    void ProcessTemplate(QIODevice *outStream);
    void WriteOutputFile();
    void CheckOutputSize(qint64 size) const;
    TRpCompileSettings CompileSettings() const;
    // The compiled template of InFile or of the buffer: the one kept when
    // neither it nor the settings changed, else compiled now.
    void ObtainCompiled(QIODevice *outStream, const TRpCompileSettings &settings);
    void Compile(const TRpCompileSettings &settings);
    // Sets the run state of the compiled template's blocks afresh.
    void PrepareRun();
    void LoadTemplate(QFile *file);
    void ReleaseRun();
    void RegisterDataSets(const std::vector<TRpDataSet *> &dataSets);

    // compile pass (rptemplate.cpp)
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
    void CompileArguments(const TRpFunctionCall &call);
    TRpFunctionCall ParsedCall(const QString &callText);
    QString InfixAsCall(const QString &expressionText);
    TRpRowContent OperandField(const QString &argument, int *kind);

    // blocks (rpblocks.cpp)
    void CompileScan(const TRpFieldText &text, int commandPnt);
    void CompileScanEntry(const TRpFieldText &text, int commandPnt);
    void CompileScanFooter(const TRpFieldText &text, int commandPnt);
    void CompileEndScan(const TRpFieldText &text, int commandPnt);
    void CompileIf(TRpFieldText &text, int commandPnt);
    void CompileElsIf(TRpFieldText &text, int commandPnt);
    void CompileElse(const TRpFieldText &text, int commandPnt);
    void CompileEndIf(const TRpFieldText &text, int commandPnt);
    static QStringList CommandItems(const QString &commandText);
    TRpScanInfo &ScanOfCommand(const QString &commandText, const QString &commandWord, const QString &scanWord);
    void CompileScanItems(const QStringList &items, const QString &commandText);
    void CheckScanItem(const QString &item, const QString &commandText);
    void CompileCondition(const QString &conditionText, int block);
    void CompileCondition(TRpFieldText &text, int block);
    QString KillPar(int commandPnt);
    bool TextBeforeCommand(int commandPnt) const;
    bool HasVisibleText(const QByteArray &text) const;
    void RunScan(int &position, const TRpCommand &command);
    void RunScanNext(const TRpCommand &command);
    void RunScanEnd(int &position, const TRpCommand &command);
    void RunIf(int &position, const TRpCommand &command);
    void RunEndIf(const TRpCommand &command);
    const QString &EmptyBalance(TRpScanInfo &info);
    int FullBalance(TRpScanInfo &info);
    int BlockEndPosition(const TRpScanInfo &info) const;
    void PassOverBlock(int &position, TRpScanInfo &info);
    void PrepareSkippedAggregates(int from, int to);
    void PrepareAggregateTargets(int functionId, const std::vector<QString> &args);
    QString BracesOf(const TRpCommand &command, int previousPnt) const;

    // run pass and assembly (rprun.cpp)
    void RunPass();
    void RunRecord(int &position);
    void CopyTemplate(int fromPnt, int toPnt);
    void WriteBytes(const QByteArray &bytes);
    void WriteText(const QString &text);
    void WriteString(int index);
    void WriteRtfText(const QString &text);
    void WriteValue(const QString &text, const TRpRowContent &field);
    void WriteFormattedText(const QString &text, const TRpRowContent &field);
    void WriteMissing(const TRpRowContent &field);
    void WriteSimpleField(const TRpCommand &command);
    void WriteDataField(const TRpCommand &command, const TRpRowContent &field);
    // The data set and field a data-field record reads in this run.
    struct TRpFieldBinding {
        bool resolved = false;
        TRpDataSet *dataSet = nullptr;
        int field = -1;
    };
    const TRpFieldBinding &ResolveDataField(const TRpCommand &command);
    void WriteHyperlink(const QString &text, const TRpRowContent &field);
    void WriteInsertedRtf(const QString &text, const TRpRowContent &field);
    std::optional<TRpPixels> DecodePicture(const QByteArray &bytes) const;
    void WritePicture(const QByteArray &bytes, const TRpRowContent &field);
    bool WriteReadablePicture(const QByteArray &bytes, const TRpRowContent &field);
    void WritePictureGroup(bool enhanced, int width, int height,
                           const std::function<QByteArray(const TRpImageFormat &)> &records,
                           const TRpRowContent &field);
    void WritePictureFromFile(const QString &fileName, const TRpRowContent &field);
    void WriteStoredPicture(const QByteArray &stored, const TRpRowContent &field);
    int EvaluateExpression(int position);
    void UseExpressionResult(const TRpCommand &start, const TRpArgument &result, const TRpRowContent &expression);
    TRpArgument ExpressionOperand(const TRpCommand &command, const TRpRowContent &expression);
    int PassOverIifBranch(int position, int marker, int sequence, std::vector<TRpArgument> &stack);
    void WriteExpressionResult(const TRpArgument &result, const TRpRowContent &field, int functionId);
    void AppendOutTab(int kind);
    void Assemble(QIODevice *output);
    void CopyBody(QIODevice *output, qint64 start, qint64 end);

    // properties
    QString m_inFile;
    QString m_outFile = QStringLiteral("outfile.doc");
    bool m_unicodeByDefault = false;
    quint8 m_charset = 1;
    quint16 m_lang = 0;
    int m_rtfStyleMode = 1;
    int m_screenPixelsPerInch = 96;
    qint64 m_maxOutputSize = 0;
    bool m_disableControls = true;
    bool m_executeSuccessful = false;
    QString m_lastErrMsg = QStringLiteral("No errors.");
    TRpErrorPlace m_lastErrPlace;
    TRpReportDataCollection m_reportData;

    // template
    TRpTemplateBuffer m_template;
    bool FTmLoaded = false;
    // The compiled template of this run; the one of the buffer; those of
    // the files run before, by name, with the state of the file then.
    std::shared_ptr<TRpCompiledTemplate> m_compiled;
    std::shared_ptr<TRpCompiledTemplate> m_bufferCompiled;
    struct TRpCachedTemplate {
        TRpFileStamp stamp;
        std::shared_ptr<TRpCompiledTemplate> compiled;
    };
    static constexpr qsizetype MaxCachedTemplates = 8;
    QHash<QString, TRpCachedTemplate> m_fileCache;
    std::vector<TRpFieldBinding> m_bindings;  // by field record

    // run state
    TRpRtfDocument m_document;
    std::vector<TRpDataSet *> FDFiles;
    std::vector<std::pair<QString, int>> FInDList;
    TRpScans *FScs = nullptr;          // the compiled template's blocks
    TRpCommandStream *FCm = nullptr;   // the compiled template's command stream
    bool FManageResult = false;
    QByteArray FLangText;
    std::vector<TRpOutTabRec> FOutTab;
    std::unique_ptr<TRpByteSink> m_body;  // collects the small writes of the run pass
    QByteArray m_langPrefix;             // "\\lang" + L + " "
    std::unique_ptr<QIODevice> FTmpStream;
    QString FTmpFileName;
    int FCmLastFpnt = 1;
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
    std::unordered_map<int, TRpArgument> FConstants;  // constant expressions' values, by field record
    static constexpr qsizetype MaxFieldTexts = 4096;
    // What a compile keeps while it reads the template, and nothing after it.
    struct TRpCompilerState {
        TRpUnicodeSkip unicodeSkip;
        bool tableRowOpen = false;
        int lastBoundaryPnt = -1;
        int kwdPnt = -1;
        int previousKwdPnt = -1;  // where the field before the current one began
        int iifCounter = 0;
        TRpPositionWindow<TRpBodyMemo, 9> bodyMemo;  // by position and quotation kind
        int bodyMemoReach = 0;  // the furthest position a long body was read to
        std::vector<TRpBodyVisit> bodyVisited;
        std::vector<int> elsIfChains;  // ELSIF levels of each open IF chain
        QHash<QString, TRpFunctionCall> parsedCalls;  // the calls parsed in this compile, by text
        QHash<QString, QString> infixCalls;           // expressions as calls, by text
        QHash<QByteArray, TRpFieldText> fieldTexts;   // by raw text
        TRpFieldText unsharedFieldText;               // a text whose split depends on "\uc"
    };
    TRpCompilerState m_compiler;
};

} // namespace rtfreport
