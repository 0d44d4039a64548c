// The run pass: replaying the command stream into the body, writing field
// values, evaluating expressions on an operand stack; and the assembly of
// the output with the regenerated header tables.

#include "rprtf.h"

#include "rpconst.h"
#include "rperrors.h"
#include "rpevaluate.h"
#include "rpexpression.h"
#include "rpfunc.h"
#include "rprtf_codepage.h"

#include <QBuffer>
#include <QFileDevice>

namespace rtfreport {

namespace {
constexpr qint64 CopyChunk = 1048576;

// Whether a record stands for a field of the template (not copied text,
// a table mark or a header table).
bool IsFieldRecord(int kind)
{
    switch (kind) {
    case cmStart: case cmEnd: case cmCopyText: case cmCopyGroup: case cmTableStart: case cmTableEnd:
    case cmFontTable: case cmColorTable: case cmStyleSheet: case cmDocInfo: case cmListTable:
    case cmListOverrideTable:
        return false;
    default:
        return true;
    }
}
}

// --- writing ----------------------------------------------------------------------

void TRpRTF::WriteBytes(const QByteArray &bytes)
{
    m_body->Write(bytes);
}

void TRpRTF::WriteText(const QString &text)
{
    if (text.isEmpty())
        return;
    m_body->Append([&](std::string &out) { AppendAnsiCodePage(text, out); });
}

void TRpRTF::WriteString(int index)
{
    WriteText(FCm->String(index));
}

void TRpRTF::CopyTemplate(int fromPnt, int toPnt)
{
    if (toPnt > fromPnt && fromPnt >= 1)
        m_body->Write(m_template.Bytes.constData() + fromPnt - 1, qMin(toPnt, m_template.Flent() + 1) - fromPnt);
}

void TRpRTF::WriteRtfText(const QString &text)
{
    m_body->Append([&](std::string &out) { m_document.AppendRtfText(text, out); });
}

void TRpRTF::WriteValue(const QString &text, const TRpRowContent &field)
{
    WriteBytes(m_langPrefix);
    WriteRtfText(text);
    WriteText(field.sout);
}

void TRpRTF::WriteMissing(const TRpRowContent &field)
{
    WriteText(Options().testFlag(eoClearMissedFields) ? field.sout : field.stestf);
}

void TRpRTF::WriteHyperlink(const QString &text, const TRpRowContent &field)
{
    const TRpLinkText link = SplitLinkText(text);
    WriteBytes("{\\field{\\*\\fldinst {\\lang" + FLangText + " HYPERLINK \"");
    WriteRtfText(link.target);
    WriteBytes("\" }}{\\fldrslt \\lang" + FLangText + ' ');
    WriteRtfText(link.shown);
    WriteBytes("}}");
    WriteText(field.sout);
}

void TRpRTF::WriteInsertedRtf(const QString &text, const TRpRowContent &field)
{
    m_body->Flush();  // the insertion writes to the device itself
    m_document.InsertRtfText(text, Options().testFlag(eoKeepFrtfPar));
    WriteText(field.sout);
}

// A value's text written the way its format asks: a hyperlink, inserted RTF,
// a picture loaded from the file the text names, or the formatted text.
void TRpRTF::WriteFormattedText(const QString &text, const TRpRowContent &field)
{
    switch (field.fmt.fmtnumber) {
    case fmtFLnk: WriteHyperlink(text, field); return;
    case fmtFRtf: WriteInsertedRtf(text, field); return;
    case fmtFImg: WritePictureFromFile(text, field); return;
    default: WriteValue(FormatValueText(text, field.fmt, *this, FCm->Strings()), field); return;
    }
}

// --- simple fields -------------------------------------------------------------------

void TRpRTF::WriteSimpleField(const TRpCommand &command)
{
    const TRpRowContent &field = FCm->FieldOf(command);
    QString text;
    switch (command.kind) {
    case cmVariable:
        if (VarList().IndexOfName(field.Field) < 0) {
            WriteMissing(field);
            return;
        }
        text = TRpArgument::NamedVariable(this, field.Field).variable()->AsString();
        break;
    case cmNumber:
        text = TRpReportVariable::LocalValue(this, field.Field, rpdtNumber).AsString();
        break;
    case cmString:
        text = field.Field;
        break;
    case cmBoolean:
        text = BooleanText(field.Field.toUpper() == u"TRUE");
        if (field.fmt.fmtnumber == fmtNoFormat) {
            TRpFieldFormat boolean = field.fmt;
            boolean.fmtnumber = fmtFBool;
            WriteValue(FormatValueText(text, boolean, *this, FCm->Strings()), field);
            return;
        }
        break;
    case cmDate: {
        const TRpReportVariable date = TRpReportVariable::LocalValue(this, field.Field, rpdtDateTime);
        text = DateToStr(date.AsDate(), FormatSettings());
        break;
    }
    default:
        WriteDataField(command, field);
        return;
    }
    WriteFormattedText(text, field);
}

const TRpRTF::TRpFieldBinding &TRpRTF::ResolveDataField(const TRpCommand &command)
{
    TRpFieldBinding &binding = m_bindings.at(size_t(command.field));
    if (!binding.resolved) {
        const TRpRowContent &field = FCm->FieldOf(command);
        binding.dataSet = DataSetByAlias(field.Dalias);
        binding.field = binding.dataSet ? LookupField(*binding.dataSet, field.Field) : -1;
        binding.resolved = true;
    }
    return binding;
}

void TRpRTF::WriteDataField(const TRpCommand &command, const TRpRowContent &field)
{
    const TRpFieldBinding &binding = ResolveDataField(command);
    if (binding.field < 0) {
        WriteMissing(field);
        return;
    }
    TRpDataSet &dataSet = *binding.dataSet;
    if (dataSet.Eof()) {
        WriteBytes(" ");
        WriteText(field.sout);
        return;
    }
    if (field.fmt.fmtnumber == fmtFImg || dataSet.FieldType(binding.field) == TRpFieldType::Graphic) {
        WriteStoredPicture(dataSet.IsNull(binding.field) ? QByteArray() : dataSet.AsBytes(binding.field), field);
        return;
    }
    const QString text = FieldValueText(dataSet, binding.field, field.fmt, *this, FCm->Strings());
    if (field.fmt.fmtnumber == fmtFLnk)
        WriteHyperlink(text, field);
    else if (field.fmt.fmtnumber == fmtFRtf)
        WriteInsertedRtf(text, field);
    else
        WriteValue(text, field);
}

// --- expressions ----------------------------------------------------------------------

TRpArgument TRpRTF::ExpressionOperand(const TRpCommand &command, const TRpRowContent &expression)
{
    const TRpRowContent &field = FCm->FieldOf(command);
    switch (command.kind) {
    case cmVariable: return TRpArgument::NamedVariable(this, field.Field);
    case cmNumber: return TRpArgument::LocalValue(this, field.Field, rpdtNumber);
    case cmString: return TRpArgument::LocalValue(this, field.Field, rpdtString);
    case cmBoolean: return TRpArgument::LocalValue(this, BooleanText(field.Field.toUpper() == u"TRUE"), rpdtBoolean);
    case cmDate: {
        const TRpReportVariable date = TRpReportVariable::LocalValue(this, field.Field, rpdtDateTime);
        return TRpArgument::LocalValue(this, CanonicalDate(date.AsDate()), rpdtDateTime);
    }
    case cmDataFieldDot:
    case cmDataFieldColon:
        if (const TRpFieldBinding &binding = ResolveDataField(command); binding.field >= 0)
            return TRpArgument::DataField(binding.dataSet, binding.field);
        throw EIllegalFunctionUse(u"Illegal function use: "_qs + expression.Field + u" - dataset field "_qs
                                  + field.Field + u" not found"_qs);
    default:
        throw EIOError(QStringLiteral("Undefined argument in UDF"));
    }
}

// Passes over the records of an IIF branch up to the marker that ends it.
int TRpRTF::PassOverIifBranch(int position, int marker, int sequence, std::vector<TRpArgument> &stack)
{
    const int start = position + 1;
    for (++position; position < FCm->Count(); ++position) {
        const TRpCommand &command = FCm->At(position);
        if (command.kind == cmOperation && command.functionId == marker && command.iifSequence == sequence)
            break;
        if (command.kind == cmExpressionEnd || command.kind == cmEnd)
            throw EIOError(QStringLiteral("Undefined argument in UDF"));
    }
    PrepareSkippedAggregates(start, position);
    stack.emplace_back();  // the branch's place, empty
    return position;
}

int TRpRTF::EvaluateExpression(int position)
{
    const TRpCommand &start = FCm->At(position);
    const TRpRowContent &expression = FCm->FieldOf(start);
    FScs->SetCurrentScan(start.block);
    // A constant is evaluated once a run: its records are passed over after that.
    if (start.flag) {
        if (const auto known = FConstants.find(start.field); known != FConstants.end()) {
            while (FCm->At(position).kind != cmExpressionEnd)
                ++position;
            UseExpressionResult(start, known->second, expression);
            return position;
        }
    }
    std::vector<TRpArgument> stack;
    for (++position; position < FCm->Count(); ++position) {
        const TRpCommand &command = FCm->At(position);
        if (command.kind == cmExpressionEnd)
            break;
        if (command.kind != cmOperation) {
            stack.push_back(ExpressionOperand(command, expression));
            continue;
        }
        const int id = command.functionId;
        if (id == iifAfterCondition) {
            TRpUDFArgs test{stack.back()};
            stack.pop_back();
            TRpArgument condition = MakeResultHolder(*this, udfrTRpReportVariable);
            EvaluateBuiltIn(*this, fnSysIifTest, test, expression.Field, condition);
            stack.push_back(condition);
            if (!condition.variable()->AsBoolean())
                position = PassOverIifBranch(position, iifAfterTrue, command.iifSequence, stack);
            continue;
        }
        if (id == iifAfterTrue) {
            position = PassOverIifBranch(position, iifAfterFalse, command.iifSequence, stack);
            continue;
        }
        if (id == iifAfterFalse)
            continue;
        const int count = qMin<int>(command.argCount, int(stack.size()));
        TRpUDFArgs args(std::make_move_iterator(stack.end() - count), std::make_move_iterator(stack.end()));
        stack.resize(stack.size() - count);
        const int resultKind = FunctionResultKind(id, UDFList());
        if (id >= 0 && resultKind > udfrStream)
            throw EIllegalFunctionUse(u"Result type defined in function"_qs + FunctionName(id, UDFList())
                                      + u" is not supported"_qs);
        TRpArgument result = MakeResultHolder(*this, resultKind);
        DispatchFunction(*this, id, args, expression.Field, result, count);
        stack.push_back(std::move(result));
    }
    const TRpArgument result = stack.empty() ? TRpArgument() : stack.back();
    if (start.flag)
        FConstants.emplace(start.field, result);
    UseExpressionResult(start, result, expression);
    return position;
}

void TRpRTF::UseExpressionResult(const TRpCommand &start, const TRpArgument &result, const TRpRowContent &expression)
{
    if (start.output)
        WriteExpressionResult(result, expression, expression.NField);
    if (start.manage)
        FManageResult = result.IsVariable() && result.variable()->AsBoolean();
}

void TRpRTF::WriteExpressionResult(const TRpArgument &result, const TRpRowContent &field, int functionId)
{
    switch (FunctionResultKind(functionId, UDFList())) {
    case udfrTRpReportVariable:
        WriteFormattedText(result.IsKnown() ? result.Value(this).AsString() : QString(), field);
        return;
    case udfrPicture: WritePicture(result.bytes(), field); return;
    case udfrStream:
        WriteBytes(result.bytes());
        WriteText(field.sout);
        return;
    default: WriteText(field.sout); return;
    }
}

// --- the pass ------------------------------------------------------------------------

void TRpRTF::AppendOutTab(int kind)
{
    TRpOutTabRec entry;
    entry.start = FOutTab.empty() ? 0 : FOutTab.back().end;
    entry.end = m_body->Pos();
    entry.kind = kind;
    FOutTab.push_back(entry);
}

void TRpRTF::RunRecord(int &position)
{
    const TRpCommand &command = FCm->At(position);
    const int previousPnt = FCmLastFpnt;
    FCmLastFpnt = command.pnt;
    switch (command.kind) {
    case cmCopyText:
    case cmCopyGroup: CopyTemplate(previousPnt, command.pnt); break;
    case cmTableStart: m_document.FInTable = true; break;
    case cmTableEnd: m_document.FInTable = false; break;
    case cmFontTable: case cmColorTable: case cmStyleSheet: case cmDocInfo:
    case cmListTable: case cmListOverrideTable: AppendOutTab(command.kind); break;
    case cmFormatting: WriteString(command.codes); break;
    case cmVariable: case cmNumber: case cmString: case cmBoolean: case cmDate:
    case cmDataFieldDot: case cmDataFieldColon: WriteSimpleField(command); break;
    case cmExpression: position = EvaluateExpression(position); FCmLastFpnt = FCm->At(position).pnt; break;
    case cmScan: case cmWhileScan: RunScan(position, command); break;
    case cmScanEntry: WriteString(command.codes); WriteString(command.absorbed); break;
    case cmScanNext: RunScanNext(command); break;
    case cmScanFooter: case cmEndScan: RunScanEnd(position, command); break;
    case cmIf: RunIf(position, command); break;
    case cmEndIf: RunEndIf(command); break;
    default: break;
    }
}

void TRpRTF::RunPass()
{
    FCmLastFpnt = 1;
    m_document.FInTable = false;
    m_langPrefix = "\\lang" + FLangText + ' ';
    m_body = std::make_unique<TRpByteSink>(FTmpStream.get());
    for (int position = 0; position < FCm->Count(); ++position) {
        if (FCm->At(position).kind == cmEnd)
            break;
        try {
            RunRecord(position);
        } catch (...) {
            // A field's failure says where the field is; copied text has no place.
            if (const TRpCommand &failed = FCm->At(position); IsFieldRecord(failed.kind))
                LocateFailure(failed.pnt);
            throw;
        }
        CheckOutputSize(m_body->Pos());  // a template that loops ends at the limit
    }
    AppendOutTab(0);
    m_body->Flush();
    m_body.reset();
    FlushDevice(FTmpStream.get(), "Can't write the report body: ");
}

// --- assembly -------------------------------------------------------------------------

void TRpRTF::CopyBody(QIODevice *output, qint64 start, qint64 end)
{
    if (end <= start)
        return;
    FTmpStream->seek(start);
    // Grow the output once for the whole stretch.
    if (auto *file = qobject_cast<QFileDevice *>(output); file && !file->isSequential()) {
        FlushDevice(file, "Can't write report results: ");
        const qint64 at = file->pos();
        if (file->size() < at + (end - start))
            file->resize(at + (end - start));
        file->seek(at);
    } else if (auto *buffer = qobject_cast<QBuffer *>(output)) {
        buffer->buffer().reserve(buffer->pos() + (end - start));
    }
    QByteArray chunk;
    for (qint64 left = end - start; left > 0;) {
        chunk = FTmpStream->read(qMin(left, CopyChunk));
        if (chunk.isEmpty())
            throw EIOError(QStringLiteral("Can't read the report body: ") + FTmpStream->errorString());
        if (output->write(chunk) != chunk.size())
            throw EIOError(QStringLiteral("Can't write report results: ") + output->errorString());
        left -= chunk.size();
    }
}

void TRpRTF::Assemble(QIODevice *output)
{
    FTmpStream->seek(0);
    m_document.SetOutput(output);
    const bool lists = Options().testFlag(eoProcessLists);
    for (const TRpOutTabRec &entry : FOutTab) {
        CopyBody(output, entry.start, entry.end);
        switch (entry.kind) {
        case cmFontTable:
            m_document.OutFontTable();
            if (!m_document.FIsColorTable && !m_document.FRTFColor.isEmpty())
                m_document.OutColorTable();
            if (lists && !m_document.FIsStyle && !m_document.FIsListTable)
                m_document.OutListTable();
            if (lists && !m_document.FIsStyle && !m_document.FIsListOverrideTable)
                m_document.OutListOverrideTable();
            break;
        case cmColorTable: m_document.OutColorTable(); break;
        case cmStyleSheet:
            m_document.OutStyleSheet();
            if (lists && !m_document.FIsListTable)
                m_document.OutListTable();
            if (lists && !m_document.FIsListOverrideTable)
                m_document.OutListOverrideTable();
            break;
        case cmListTable: m_document.OutListTable(); break;
        case cmListOverrideTable: m_document.OutListOverrideTable(); break;
        default: break;
        }
    }
}

} // namespace rtfreport
