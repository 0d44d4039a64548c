#pragma once
// TRpTemplateRunner: one run of a compiled template. It replays the command
// stream over the report's variables and data sets into a body, keeping the
// blocks' run state, the data fields' bindings and the constants' values
// to itself; then assembles the document from the body and the header
// tables, regenerated with what the run added to them.

#include "rpargument.h"
#include "rpcompiledtemplate.h"
#include "rpmetafile.h"
#include "rprtf_document.h"
#include "rprtf_io.h"
#include "rpscans.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace rtfreport {

class TRpDataSet;
class TRpImageFormat;
class TRpRTF;

class TRpTemplateRunner {
public:
    // The run writes into `document`, which holds the compiled template's
    // header tables when it starts.
    TRpTemplateRunner(TRpRTF &report, const TRpCompiledTemplate &compiled, TRpRtfDocument &document);
    ~TRpTemplateRunner();

    // Finds each scan's data set among the report's; fails for an alias
    // that names none.
    void BindDataSets();
    // The run pass: the body goes to `body`, which Assemble reads back.
    void Run(QIODevice *body);
    void Assemble(QIODevice *output);
    // The template position of the field the run failed in; 0: none.
    int FailurePnt() const { return m_failurePnt; }
    // Whether aggregates start again: outside any block, or on a block's first pass.
    bool AggregateResetDue() const;

private:
    struct TRpOutTabRec {
        qint64 start = 0;
        qint64 end = 0;
        int kind = 0;
    };
    // The data set and field a data-field record reads in this run.
    struct TRpFieldBinding {
        bool resolved = false;
        TRpDataSet *dataSet = nullptr;
        int field = -1;
    };

    // the pass (rprun.cpp)
    void RunRecord(int &position);
    void CopyTemplate(int fromPnt, int toPnt);
    void WriteBytes(const QByteArray &bytes);
    void WriteText(const QString &text);
    void WriteString(int index);
    void WriteRtfText(QStringView text);
    void WriteValue(QStringView text, const TRpRowContent &field);
    void WriteFormattedText(const QString &text, const TRpRowContent &field);
    void WriteMissing(const TRpRowContent &field);
    void WriteSimpleField(const TRpCommand &command);
    void WriteDataField(const TRpCommand &command, const TRpRowContent &field);
    const TRpFieldBinding &ResolveDataField(const TRpCommand &command);
    void WriteHyperlink(const QString &text, const TRpRowContent &field);
    void WriteInsertedRtf(const QString &text, const TRpRowContent &field);
    int EvaluateExpression(int position);
    void UseExpressionResult(const TRpCommand &start, const TRpArgument &result, const TRpRowContent &expression);
    TRpArgument ExpressionOperand(const TRpCommand &command, const TRpRowContent &expression);
    bool IsPlainFieldSum(const TRpCommand &start, int position) const;
    int SumField(int position);
    int PassOverIifBranch(int position, int marker, int sequence, std::vector<TRpArgument> &stack);
    void WriteExpressionResult(const TRpArgument &result, const TRpRowContent &field, int functionId);
    void AppendOutTab(int kind);
    void CopyBody(QIODevice *output, qint64 start, qint64 end);
    void CheckOutputSize(qint64 size) const;

    // pictures (rppictures.cpp)
    std::optional<TRpPixels> DecodePicture(const QByteArray &bytes) const;
    void WritePicture(const QByteArray &bytes, const TRpRowContent &field);
    bool WriteReadablePicture(const QByteArray &bytes, const TRpRowContent &field);
    void WritePictureGroup(bool enhanced, int width, int height,
                           const std::function<QByteArray(const TRpImageFormat &)> &records,
                           const TRpRowContent &field);
    void WritePictureFromFile(const QString &fileName, const TRpRowContent &field);
    void WriteStoredPicture(const QByteArray &stored, const TRpRowContent &field);

    // block records (rprunblocks.cpp)
    void RunScan(int &position, const TRpCommand &command);
    void RunScanNext(const TRpCommand &command);
    void RunScanEnd(int &position, const TRpCommand &command);
    void RunIf(int &position, const TRpCommand &command);
    void RunEndIf(const TRpCommand &command);
    const QString &EmptyBalance(const TRpBlock &block);
    int FullBalance(const TRpBlock &block);
    int BlockEndPosition(const TRpBlock &block) const;
    void PassOverBlock(int &position, const TRpBlock &block);
    void PrepareSkippedAggregates(int from, int to);
    void PrepareAggregateTargets(int functionId, const std::vector<QString> &args);
    QString BracesOf(const TRpCommand &command, int previousPnt) const;

    TRpRTF &m_report;
    const TRpCompiledTemplate &m_compiled;
    const TRpCommandStream &m_commands;
    const TRpBlockTable &m_blocks;
    const QByteArray &m_bytes;  // the template's
    TRpRtfDocument &m_document;
    TRpScans m_scans;
    std::vector<TRpFieldBinding> m_bindings;          // by field record
    std::unordered_map<int, TRpArgument> m_constants;  // constant expressions' values, by field record
    // The operand stack and argument list of the last expression, kept for
    // the next one: a register evaluates its totals on every record.
    std::vector<TRpArgument> m_spareStack;
    TRpUDFArgs m_spareArgs;
    TRpTextScratch m_scratch;  // a field's text made for writing, such as an amount's
    QByteArray m_copyBuffer;   // the body on its way to the output
    // The braces of blocks, worked out when first needed: what a block
    // passed over would have written, and one repetition of a scan's net.
    std::unordered_map<int, QString> m_emptyBalances;
    std::unordered_map<int, int> m_fullBalances;
    bool m_manageResult = false;
    int m_lastPnt = 1;  // where the text the next copy record copies begins
    int m_failurePnt = 0;
    QByteArray m_langText;    // the language number
    QByteArray m_langPrefix;  // "\\lang" + number + " "
    QIODevice *m_bodyDevice = nullptr;
    std::unique_ptr<TRpByteSink> m_body;  // collects the small writes of the run pass
    std::vector<TRpOutTabRec> m_outTab;
};

} // namespace rtfreport
