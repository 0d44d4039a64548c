// Running the block records: scans over their data sets, IF chains, the
// braces a skipped or repeated block leaves open.

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

int TRpRTF::BlockEndPosition(const TRpScanInfo &info) const
{
    return info.FEndCmPosition >= 0 ? info.FEndCmPosition : FCm->Count() - 1;
}

// The braces a record would write: the template text it copies and its strings.
QString TRpRTF::BracesOf(const TRpCommand &command, int previousPnt) const
{
    if (IsBlockRecord(command.kind))
        return BracesOnly(FCm->String(command.codes)) + BracesOnly(FCm->String(command.absorbed));
    switch (command.kind) {
    case cmCopyText:
        return BracesOnly(QString::fromLatin1(
            m_template.Bytes.mid(previousPnt - 1, qMax(0, command.pnt - previousPnt))));
    case cmFormatting:
        return BracesOnly(FCm->String(command.codes));
    case cmVariable: case cmNumber: case cmString: case cmBoolean: case cmDate:
    case cmDataFieldDot: case cmDataFieldColon: case cmExpression: {
        const TRpRowContent &field = FCm->FieldOf(command);
        return command.kind == cmExpression && !command.output ? QString() : BracesOnly(field.sout);
    }
    default:
        return QString();
    }
}

// The braces a block would have written, written instead when it is passed
// over: worked out the first time it is, as most blocks never are.
const QString &TRpRTF::EmptyBalance(TRpScanInfo &info)
{
    if (info.FEmptyBalanceDone)
        return info.ScanPart().emptyBalance;
    const int end = BlockEndPosition(info);
    const TRpCommand &opening = FCm->At(info.FCmPosition);
    // Everything the block would write, its end record excluded.
    QString braces = BracesOnly(FCm->String(opening.absorbed));
    int previousPnt = opening.pnt;
    for (int position = info.FCmPosition + 1; position < end; ++position) {
        const TRpCommand &command = FCm->At(position);
        if (command.kind == cmOperation || command.kind == cmExpressionEnd)
            continue;
        braces += BracesOf(command, previousPnt);
        previousPnt = command.pnt;
    }
    info.ScanPart().emptyBalance = DropEmptyPairs(braces);
    info.FEmptyBalanceDone = true;
    return info.ScanPart().emptyBalance;
}

// The net braces of one repetition of a scan, nested scans counted by their
// ends only: closed (or opened) again before the next repetition. Worked out
// the first time the scan repeats.
int TRpRTF::FullBalance(TRpScanInfo &info)
{
    if (info.FBalance)
        return info.ScanPart().fullBalance;
    const int end = BlockEndPosition(info);
    const TRpCommand &entry = FCm->At(info.FEntryCmPosition);
    int net = NetBraces(BracesOnly(FCm->String(entry.absorbed)));
    const int last = info.FIsFooter ? info.ScanPart().footerCmPosition : end;
    int previousPnt = entry.pnt;
    int nested = 0;
    for (int position = info.FEntryCmPosition + 1; position <= last; ++position) {
        const TRpCommand &command = FCm->At(position);
        const bool scanStart = command.kind == cmScan || command.kind == cmWhileScan;
        if (position == last) {
            net += NetBraces(BracesOnly(FCm->String(command.codes)));
        } else if (scanStart) {
            if (nested++ == 0)
                net += NetBraces(BracesOnly(FCm->String(command.codes)));
        } else if (command.kind == cmEndScan) {
            if (--nested == 0)
                net += NetBraces(BracesOnly(FCm->String(command.absorbed)));
        } else if (nested == 0) {
            net += NetBraces(BracesOf(command, previousPnt));
        }
        previousPnt = command.pnt;
    }
    info.ScanPart().fullBalance = net;
    info.FBalance = true;
    return net;
}

// Aggregates in a stretch that is passed over still get their target
// variables, so that fields after the stretch find them (and find them
// reset), although nothing is computed.
void TRpRTF::PrepareSkippedAggregates(int from, int to)
{
    // The operands of each operation, as far as they are variables: their names.
    std::vector<QString> operands;
    for (int position = from; position < to; ++position) {
        const TRpCommand &command = FCm->At(position);
        switch (command.kind) {
        case cmExpression:
        case cmExpressionEnd: operands.clear(); break;
        case cmVariable: operands.push_back(FCm->FieldOf(command).Field); break;
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

void TRpRTF::PrepareAggregateTargets(int functionId, const std::vector<QString> &args)
{
    if (functionId == fnVar) {
        for (const QString &name : args)
            if (!name.isEmpty() && VarList().IndexOfName(name) < 0)
                CreateVar(name, QString());
        return;
    }
    if ((functionId != fnSum && functionId != fnCtn && functionId != fnCts) || args.size() < 2 || args[1].isEmpty())
        return;
    const bool noReset = args.size() > 2 && args[2].trimmed().toUpper() == u"NORESET";
    if (VarList().IndexOfName(args[1]) < 0)
        CreateVar(args[1], 0.0);
    else if (!noReset && AggregateResetDue())
        TRpArgument::NamedVariable(this, args[1]).variable()->SetAsInteger(0);
}

// Moves from a block's opening record to its end record without running
// the block: its aggregates still get their targets, the braces it would
// have written stay balanced, and the end record's texts are written.
void TRpRTF::PassOverBlock(int &position, TRpScanInfo &info)
{
    const int end = BlockEndPosition(info);
    PrepareSkippedAggregates(position + 1, end);
    WriteText(EmptyBalance(info));
    const TRpCommand &endRecord = FCm->At(end);
    WriteString(endRecord.codes);
    WriteString(endRecord.absorbed);
    position = end;
    FCmLastFpnt = endRecord.pnt;
}

void TRpRTF::RunScan(int &position, const TRpCommand &command)
{
    TRpScanInfo &info = FScs->Block(command.block);
    FScs->SetCurrentScan(info.FNumber);
    WriteString(command.codes);
    info.FFirstPass = true;
    if (OnScanBefore)
        OnScanBefore(this, info);
    if (!info.FNoEof || FScs->NotEof(FManageResult)) {
        WriteString(command.absorbed);
        FScs->GoFirst();
        info.FIsCompleted = false;
        if (OnScanRecord)
            OnScanRecord(this, info);
        return;
    }
    PassOverBlock(position, info);
    if (OnScanEof)
        OnScanEof(this, info);
    info.FIsCompleted = true;
}

void TRpRTF::RunScanNext(const TRpCommand &command)
{
    TRpScanInfo &info = FScs->Block(command.block);
    FScs->SetCurrentScan(info.FNumber);
    if (FScs->NotDataSetEof())
        FScs->GoNext();
    if (info.FIsWhile)
        FManageResult = false;
}

void TRpRTF::RunScanEnd(int &position, const TRpCommand &command)
{
    TRpScanInfo &info = FScs->Block(command.block);
    FScs->SetCurrentScan(info.FNumber);
    info.FFirstPass = false;
    WriteString(command.codes);
    const bool notEof = FScs->NotEof(FManageResult);
    if (notEof && !info.FIsCompleted && OnScanRecord)
        OnScanRecord(this, info);
    if (!notEof || info.FIsCompleted) {
        WriteString(command.absorbed);
        info.FFirstPass = true;
        if (!info.FIsCompleted) {
            if (OnScanEof)
                OnScanEof(this, info);
            info.FIsCompleted = true;
        }
        return;
    }
    const int balance = FullBalance(info);
    if (balance < 0)
        WriteText(QString(-balance, u'{'));
    else if (balance > 0)
        WriteText(QString(balance, u'}'));
    position = info.FEntryCmPosition;
    const TRpCommand &entry = FCm->At(position);
    FCmLastFpnt = entry.pnt;
    WriteString(entry.absorbed);
    if (info.FNewPage)
        WriteBytes("\\page ");
}

void TRpRTF::RunIf(int &position, const TRpCommand &command)
{
    TRpScanInfo &info = FScs->Block(command.block);
    const TRpScanInfo *before = FScs->CurrentScanInfo();
    WriteString(command.codes);
    info.FFirstPass = before ? before->FFirstPass : true;
    FScs->SetCurrentScan(info.FNumber);
    info.FScanManageResult = FManageResult;
    if (FManageResult == (command.flag != 0)) {
        PassOverBlock(position, info);
        info.FIsCompleted = true;
        return;
    }
    WriteString(command.absorbed);
    info.FIsCompleted = false;
}

void TRpRTF::RunEndIf(const TRpCommand &command)
{
    TRpScanInfo &info = FScs->Block(command.block);
    FScs->SetCurrentScan(info.FNumber);
    info.FFirstPass = false;
    WriteString(command.codes);
    WriteString(command.absorbed);
    info.FIsCompleted = true;
    FManageResult = info.FScanManageResult;
}

} // namespace rtfreport
