// Running the block records: scans over their data sets, IF chains, the
// braces a skipped or repeated block leaves open.

#include "rptemplaterunner.h"

#include "rprtf.h"

#include "rpconst.h"
#include "rperrors.h"
#include "rpexpression.h"
#include "rpformat.h"
#include "rprtf_controlwords.h"
#include "rptemplate.h"

#include <algorithm>

namespace rtfreport {

namespace {

QString BracesOnly(const QString &text)
{
    QString braces;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\') {
            ++i;  // an escaped brace or backslash counts for nothing
            continue;
        }
        if (c == u'{' || c == u'}')
            braces += c;
    }
    return braces;
}

int NetBraces(const QString &braces)
{
    return int(braces.count(u'{')) - int(braces.count(u'}'));
}

// Drops every "{" directly followed by "}" together with it, in one pass.
QString DropEmptyPairs(const QString &braces)
{
    QString out;
    for (qsizetype i = 0; i < braces.size(); ++i) {
        if (braces.at(i) == u'{' && i + 1 < braces.size() && braces.at(i + 1) == u'}') {
            ++i;
            continue;
        }
        out += braces.at(i);
    }
    return out;
}

} // namespace

// --- running ------------------------------------------------------------------------

int TRpTemplateRunner::BlockEndPosition(const TRpBlock &block) const
{
    return block.endCmPosition >= 0 ? block.endCmPosition : m_commands.Count() - 1;
}

// The braces a record would write: the template text it copies and its strings.
QString TRpTemplateRunner::BracesOf(const TRpCommand &command, int previousPnt) const
{
    if (IsBlockRecord(command.kind))
        return BracesOnly(m_commands.String(command.codes)) + BracesOnly(m_commands.String(command.absorbed));
    switch (command.kind) {
    case cmCopyText:
        return BracesOnly(QString::fromLatin1(
            m_bytes.mid(previousPnt - 1, qMax(0, command.pnt - previousPnt))));
    case cmFormatting:
        return BracesOnly(m_commands.String(command.codes));
    case cmVariable: case cmNumber: case cmString: case cmBoolean: case cmDate:
    case cmDataFieldDot: case cmDataFieldColon: case cmExpression: {
        const TRpRowContent &field = m_commands.FieldOf(command);
        return command.kind == cmExpression && !command.output ? QString() : BracesOnly(field.sout);
    }
    default:
        return QString();
    }
}

// The braces a block would have written, written instead when it is passed
// over: worked out the first time it is, as most blocks never are.
const QString &TRpTemplateRunner::EmptyBalance(const TRpBlock &block)
{
    if (const auto known = m_emptyBalances.find(block.number); known != m_emptyBalances.end())
        return known->second;
    const int end = BlockEndPosition(block);
    const TRpCommand &opening = m_commands.At(block.cmPosition);
    // Everything the block would write, its end record excluded.
    QString braces = BracesOnly(m_commands.String(opening.absorbed));
    int previousPnt = opening.pnt;
    for (int position = block.cmPosition + 1; position < end; ++position) {
        const TRpCommand &command = m_commands.At(position);
        if (command.kind == cmOperation || command.kind == cmExpressionEnd)
            continue;
        braces += BracesOf(command, previousPnt);
        previousPnt = command.pnt;
    }
    return m_emptyBalances.emplace(block.number, DropEmptyPairs(braces)).first->second;
}

// The net braces of one repetition of a scan, nested scans counted by their
// ends only: closed (or opened) again before the next repetition. Worked out
// the first time the scan repeats.
int TRpTemplateRunner::FullBalance(const TRpBlock &block)
{
    if (const auto known = m_fullBalances.find(block.number); known != m_fullBalances.end())
        return known->second;
    const int end = BlockEndPosition(block);
    const TRpCommand &entry = m_commands.At(block.entryCmPosition);
    int net = NetBraces(BracesOnly(m_commands.String(entry.absorbed)));
    const int last = block.isFooter ? block.FooterCmPosition() : end;
    int previousPnt = entry.pnt;
    int nested = 0;
    for (int position = block.entryCmPosition + 1; position <= last; ++position) {
        const TRpCommand &command = m_commands.At(position);
        const bool scanStart = command.kind == cmScan || command.kind == cmWhileScan;
        if (position == last) {
            net += NetBraces(BracesOnly(m_commands.String(command.codes)));
        } else if (scanStart) {
            if (nested++ == 0)
                net += NetBraces(BracesOnly(m_commands.String(command.codes)));
        } else if (command.kind == cmEndScan) {
            if (--nested == 0)
                net += NetBraces(BracesOnly(m_commands.String(command.absorbed)));
        } else if (nested == 0) {
            net += NetBraces(BracesOf(command, previousPnt));
        }
        previousPnt = command.pnt;
    }
    m_fullBalances.emplace(block.number, net);
    return net;
}

// Aggregates in a stretch that is passed over still get their target
// variables, so that fields after the stretch find them (and find them
// reset), although nothing is computed.
void TRpTemplateRunner::PrepareSkippedAggregates(int from, int to)
{
    // The operands of each operation, as far as they are variables: their names.
    std::vector<QString> operands;
    for (int position = from; position < to; ++position) {
        const TRpCommand &command = m_commands.At(position);
        switch (command.kind) {
        case cmExpression:
        case cmExpressionEnd: operands.clear(); break;
        case cmVariable: operands.push_back(m_commands.FieldOf(command).Field); break;
        case cmNumber: case cmString: case cmBoolean: case cmDate:
        case cmDataFieldDot: case cmDataFieldColon: operands.emplace_back(); break;
        case cmOperation: {
            if (command.functionId >= iifAfterFalse && command.functionId <= iifAfterCondition)
                break;  // the markers leave their operand in place
            const int count = qMin<int>(command.argCount, int(operands.size()));
            const std::vector<QString> args(operands.end() - count, operands.end());
            operands.resize(operands.size() - count);
            operands.emplace_back();
            PrepareAggregateTargets(command.functionId, args);
            break;
        }
        default: break;
        }
    }
}

void TRpTemplateRunner::PrepareAggregateTargets(int functionId, const std::vector<QString> &args)
{
    if (functionId == fnVar) {
        for (const QString &name : args)
            if (!name.isEmpty() && m_report.VarList().IndexOfName(name) < 0)
                m_report.CreateVar(name, QString());
        return;
    }
    if ((functionId != fnSum && functionId != fnCtn && functionId != fnCts) || args.size() < 2 || args[1].isEmpty())
        return;
    const bool noReset = args.size() > 2 && args[2].trimmed().toUpper() == u"NORESET";
    if (m_report.VarList().IndexOfName(args[1]) < 0)
        m_report.CreateVar(args[1], 0.0);
    else if (!noReset && AggregateResetDue())
        TRpArgument::NamedVariable(&m_report, args[1]).variable()->SetAsInteger(0);
}

// Moves from a block's opening record to its end record without running
// the block: its aggregates still get their targets, the braces it would
// have written stay balanced, and the end record's texts are written.
void TRpTemplateRunner::PassOverBlock(int &position, const TRpBlock &block)
{
    const int end = BlockEndPosition(block);
    PrepareSkippedAggregates(position + 1, end);
    WriteText(EmptyBalance(block));
    const TRpCommand &endRecord = m_commands.At(end);
    WriteString(endRecord.codes);
    WriteString(endRecord.absorbed);
    position = end;
    m_lastPnt = endRecord.pnt;
}

void TRpTemplateRunner::RunScan(int &position, const TRpCommand &command)
{
    const TRpBlock &block = m_blocks.Block(command.block);
    TRpScanInfo info = m_scans.Scan(block);
    m_scans.SetCurrentBlock(block.number);
    WriteString(command.codes);
    m_scans.SetFirstPass(block.number, true);
    if (m_report.OnScanBefore)
        m_report.OnScanBefore(&m_report, info);
    if (!block.noEof || info.NotEof(m_manageResult)) {
        WriteString(command.absorbed);
        info.GoFirst();
        m_scans.SetCompleted(block.number, false);
        if (m_report.OnScanRecord)
            m_report.OnScanRecord(&m_report, info);
        return;
    }
    PassOverBlock(position, block);
    if (m_report.OnScanEof)
        m_report.OnScanEof(&m_report, info);
    m_scans.SetCompleted(block.number, true);
}

void TRpTemplateRunner::RunScanNext(const TRpCommand &command)
{
    const TRpBlock &block = m_blocks.Block(command.block);
    TRpScanInfo info = m_scans.Scan(block);
    m_scans.SetCurrentBlock(block.number);
    if (info.NotDataSetEof())
        info.GoNext();
    if (block.isWhile)
        m_manageResult = false;
}

void TRpTemplateRunner::RunScanEnd(int &position, const TRpCommand &command)
{
    const TRpBlock &block = m_blocks.Block(command.block);
    TRpScanInfo info = m_scans.Scan(block);
    const int number = block.number;
    m_scans.SetCurrentBlock(number);
    m_scans.SetFirstPass(number, false);
    WriteString(command.codes);
    const bool notEof = info.NotEof(m_manageResult);
    if (notEof && !m_scans.IsCompleted(number) && m_report.OnScanRecord)
        m_report.OnScanRecord(&m_report, info);
    if (!notEof || m_scans.IsCompleted(number)) {
        WriteString(command.absorbed);
        m_scans.SetFirstPass(number, true);
        if (!m_scans.IsCompleted(number)) {
            if (m_report.OnScanEof)
                m_report.OnScanEof(&m_report, info);
            m_scans.SetCompleted(number, true);
        }
        return;
    }
    const int balance = FullBalance(block);
    if (balance < 0)
        WriteText(QString(-balance, u'{'));
    else if (balance > 0)
        WriteText(QString(balance, u'}'));
    position = block.entryCmPosition;
    const TRpCommand &entry = m_commands.At(position);
    m_lastPnt = entry.pnt;
    WriteString(entry.absorbed);
    if (block.newPage)
        WriteBytes("\\page ");
}

void TRpTemplateRunner::RunIf(int &position, const TRpCommand &command)
{
    const TRpBlock &block = m_blocks.Block(command.block);
    const int before = m_scans.CurrentBlock();
    WriteString(command.codes);
    m_scans.SetFirstPass(block.number, before > 0 ? m_scans.FirstPass(before) : true);
    m_scans.SetCurrentBlock(block.number);
    m_scans.SetScanManageResult(block.number, m_manageResult);
    if (m_manageResult == (command.flag != 0)) {
        PassOverBlock(position, block);
        m_scans.SetCompleted(block.number, true);
        return;
    }
    WriteString(command.absorbed);
    m_scans.SetCompleted(block.number, false);
}

void TRpTemplateRunner::RunEndIf(const TRpCommand &command)
{
    const int number = command.block;
    m_scans.SetCurrentBlock(number);
    m_scans.SetFirstPass(number, false);
    WriteString(command.codes);
    WriteString(command.absorbed);
    m_scans.SetCompleted(number, true);
    m_manageResult = m_scans.ScanManageResult(number);
}

} // namespace rtfreport
