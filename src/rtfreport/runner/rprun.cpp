// The run pass: replaying the command stream into the body, writing field
// values, evaluating expressions on an operand stack; and the assembly of
// the output with the regenerated header tables.

#include "rptemplaterunner.h"

#include "rprtf.h"

#include "rpconst.h"
#include "rperrors.h"
#include "rpevaluate.h"
#include "rpexpression.h"
#include "rpfunc.h"
#include "rprtf_codepage.h"

#include <QBuffer>
#include <QHash>
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

// --- a run ----------------------------------------------------------------------

TRpTemplateRunner::TRpTemplateRunner(TRpRTF &report, const TRpCompiledTemplate &compiled, TRpRtfDocument &document)
    : m_report(report), m_compiled(compiled), m_commands(compiled.Commands()), m_blocks(compiled.Blocks()),
      m_bytes(compiled.Bytes()),
      m_document(document), m_scans(compiled.Blocks(), &report),
      m_bindings(size_t(compiled.Commands().FieldCount())), m_langText(QByteArray::number(report.Lang()))
{
}

TRpTemplateRunner::~TRpTemplateRunner() = default;

void TRpTemplateRunner::BindDataSets()
{
    // Data sets are found again for each run, in template order; a
    // template's scans mostly repeat a few aliases.
    QHash<int, int> indexes;  // by the alias's string
    for (const auto &[number, aliasString] : m_compiled.ScanAliases()) {
        const TRpBlock &scan = m_blocks.Block(number);
        const QString &alias = m_commands.String(aliasString);
        auto known = indexes.constFind(aliasString);
        if (known == indexes.constEnd())
            known = indexes.insert(aliasString, m_report.AliasIndex(alias));
        const int index = *known;
        if (index < 0 || index >= int(m_report.DataSets().size())) {
            m_failurePnt = m_commands.At(scan.cmPosition).pnt;
            throw EIllegalScanUse(u"Scan Alias not found: "_qs + alias);
        }
        m_scans.SetDataSet(scan, m_report.DataSets()[index]);
    }
}

bool TRpTemplateRunner::AggregateResetDue() const
{
    const int current = m_scans.CurrentBlock();
    return current <= 0 || m_scans.FirstPass(current);
}

// --- writing ----------------------------------------------------------------------

void TRpTemplateRunner::WriteBytes(const QByteArray &bytes)
{
    m_body->Write(bytes);
}

void TRpTemplateRunner::WriteText(const QString &text)
{
    if (text.isEmpty())
        return;
    m_body->Append([&](std::string &out) { AppendAnsiCodePage(text, out); });
}

void TRpTemplateRunner::WriteString(int index)
{
    WriteText(m_commands.String(index));
}

void TRpTemplateRunner::CopyTemplate(int fromPnt, int toPnt)
{
    if (toPnt > fromPnt && fromPnt >= 1)
        m_body->Write(m_bytes.constData() + fromPnt - 1, qMin(toPnt, int(m_bytes.size()) + 1) - fromPnt);
}

void TRpTemplateRunner::WriteRtfText(QStringView text)
{
    m_body->Append([&](std::string &out) { m_document.AppendRtfText(text, out); });
}

void TRpTemplateRunner::WriteValue(QStringView text, const TRpRowContent &field)
{
    m_body->Append([&](std::string &out) {
        out.append(m_langPrefix.constData(), size_t(m_langPrefix.size()));
        m_document.AppendRtfText(text, out);
        AppendAnsiCodePage(field.sout, out);
    });
}

void TRpTemplateRunner::WriteMissing(const TRpRowContent &field)
{
    WriteText(m_report.Options().testFlag(eoClearMissedFields) ? field.sout : field.stestf);
}

void TRpTemplateRunner::WriteHyperlink(const QString &text, const TRpRowContent &field)
{
    const TRpLinkText link = SplitLinkText(text);
    WriteBytes("{\\field{\\*\\fldinst {\\lang" + m_langText + " HYPERLINK \"");
    WriteRtfText(link.target);
    WriteBytes("\" }}{\\fldrslt \\lang" + m_langText + ' ');
    WriteRtfText(link.shown);
    WriteBytes("}}");
    WriteText(field.sout);
}

void TRpTemplateRunner::WriteInsertedRtf(const QString &text, const TRpRowContent &field)
{
    m_body->Flush();  // the insertion writes to the device itself
    m_document.InsertRtfText(text, m_report.Options().testFlag(eoKeepFrtfPar));
    WriteText(field.sout);
}

// A value's text written the way its format asks: a hyperlink, inserted RTF,
// a picture loaded from the file the text names, or the formatted text.
void TRpTemplateRunner::WriteFormattedText(const QString &text, const TRpRowContent &field)
{
    switch (field.fmt.fmtnumber) {
    case fmtFLnk: WriteHyperlink(text, field); return;
    case fmtFRtf: WriteInsertedRtf(text, field); return;
    case fmtFImg: WritePictureFromFile(text, field); return;
    default: WriteValue(FormatValueText(text, field.fmt, m_report, m_commands.Strings()), field); return;
    }
}

// --- simple fields -------------------------------------------------------------------

void TRpTemplateRunner::WriteSimpleField(const TRpCommand &command)
{
    const TRpRowContent &field = m_commands.FieldOf(command);
    QString text;
    switch (command.kind) {
    case cmVariable:
        if (m_report.VarList().IndexOfName(field.Field) < 0) {
            WriteMissing(field);
            return;
        }
        text = TRpArgument::NamedVariable(&m_report, field.Field).variable()->AsString();
        break;
    case cmNumber:
        text = TRpReportVariable::LocalValue(&m_report, field.Field, rpdtNumber).AsString();
        break;
    case cmString:
        text = field.Field;
        break;
    case cmBoolean:
        text = m_report.BooleanText(field.Field.toUpper() == u"TRUE");
        if (field.fmt.fmtnumber == fmtNoFormat) {
            TRpFieldFormat boolean = field.fmt;
            boolean.fmtnumber = fmtFBool;
            WriteValue(FormatValueText(text, boolean, m_report, m_commands.Strings()), field);
            return;
        }
        break;
    case cmDate: {
        const TRpReportVariable date = TRpReportVariable::LocalValue(&m_report, field.Field, rpdtDateTime);
        text = DateToStr(date.AsDate(), m_report.FormatSettings());
        break;
    }
    default:
        WriteDataField(command, field);
        return;
    }
    WriteFormattedText(text, field);
}

const TRpTemplateRunner::TRpFieldBinding &TRpTemplateRunner::ResolveDataField(const TRpCommand &command)
{
    TRpFieldBinding &binding = m_bindings.at(size_t(command.field));
    if (!binding.resolved) {
        const TRpRowContent &field = m_commands.FieldOf(command);
        binding.dataSet = m_report.DataSetByAlias(field.Dalias);
        binding.field = binding.dataSet ? TRpRTF::LookupField(*binding.dataSet, field.Field) : -1;
        binding.resolved = true;
    }
    return binding;
}

void TRpTemplateRunner::WriteDataField(const TRpCommand &command, const TRpRowContent &field)
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
    if (const auto text = FieldValueView(dataSet, binding.field, field.fmt, m_scratch)) {
        WriteValue(*text, field);
        return;
    }
    const QString text = FieldValueText(dataSet, binding.field, field.fmt, m_report, m_commands.Strings());
    if (field.fmt.fmtnumber == fmtFLnk)
        WriteHyperlink(text, field);
    else if (field.fmt.fmtnumber == fmtFRtf)
        WriteInsertedRtf(text, field);
    else
        WriteValue(text, field);
}

// --- expressions ----------------------------------------------------------------------

TRpArgument TRpTemplateRunner::ExpressionOperand(const TRpCommand &command, const TRpRowContent &expression)
{
    const TRpRowContent &field = m_commands.FieldOf(command);
    switch (command.kind) {
    case cmVariable: return TRpArgument::NamedVariable(&m_report, field.Field);
    case cmNumber: return TRpArgument::LocalValue(&m_report, field.Field, rpdtNumber);
    case cmString: return TRpArgument::LocalValue(&m_report, field.Field, rpdtString);
    case cmBoolean: return TRpArgument::LocalValue(&m_report, m_report.BooleanText(field.Field.toUpper() == u"TRUE"), rpdtBoolean);
    case cmDate: {
        const TRpReportVariable date = TRpReportVariable::LocalValue(&m_report, field.Field, rpdtDateTime);
        return TRpArgument::LocalValue(&m_report, CanonicalDate(date.AsDate()), rpdtDateTime);
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

// An expression that is only SUM of a data field into a variable, the
// commonest aggregate of a register: run on every record, it skips the
// general machine where its value is neither written nor steers a block.
bool TRpTemplateRunner::IsPlainFieldSum(const TRpCommand &start, int position) const
{
    if (start.flag || position + 4 >= m_commands.Count())
        return false;
    const TRpCommand &field = m_commands.At(position + 1), &target = m_commands.At(position + 2);
    const TRpCommand &sum = m_commands.At(position + 3), &end = m_commands.At(position + 4);
    return (field.kind == cmDataFieldDot || field.kind == cmDataFieldColon) && target.kind == cmVariable
           && sum.kind == cmOperation && sum.functionId == fnSum && sum.argCount == 2 && end.kind == cmExpressionEnd;
}

int TRpTemplateRunner::SumField(int position)
{
    const TRpCommand &field = m_commands.At(position + 1);
    const TRpFieldBinding &binding = ResolveDataField(field);
    if (binding.field < 0)
        ExpressionOperand(field, m_commands.FieldOf(m_commands.At(position)));  // says which field is missing
    SumFieldInto(m_report, *binding.dataSet, binding.field, m_commands.FieldOf(m_commands.At(position + 2)).Field);
    return position + 4;
}

// Passes over the records of an IIF branch up to the marker that ends it.
int TRpTemplateRunner::PassOverIifBranch(int position, int marker, int sequence, std::vector<TRpArgument> &stack)
{
    const int start = position + 1;
    for (++position; position < m_commands.Count(); ++position) {
        const TRpCommand &command = m_commands.At(position);
        if (command.kind == cmOperation && command.functionId == marker && command.iifSequence == sequence)
            break;
        if (command.kind == cmExpressionEnd || command.kind == cmEnd)
            throw EIOError(QStringLiteral("Undefined argument in UDF"));
    }
    PrepareSkippedAggregates(start, position);
    stack.emplace_back();  // the branch's place, empty
    return position;
}

int TRpTemplateRunner::EvaluateExpression(int position)
{
    const TRpCommand &start = m_commands.At(position);
    const TRpRowContent &expression = m_commands.FieldOf(start);
    m_scans.SetCurrentBlock(start.block);
    // A constant is evaluated once a run: its records are passed over after that.
    if (start.flag) {
        if (const auto known = m_constants.find(start.field); known != m_constants.end()) {
            while (m_commands.At(position).kind != cmExpressionEnd)
                ++position;
            UseExpressionResult(start, known->second, expression);
            return position;
        }
    }
    // Most expressions are written or steer a block: those are never plain sums.
    if (!start.output && !start.manage && IsPlainFieldSum(start, position))
        return SumField(position);
    // Taken, not borrowed: an expression may start another (a user function's event).
    std::vector<TRpArgument> stack = std::exchange(m_spareStack, {});
    TRpUDFArgs args = std::exchange(m_spareArgs, {});
    for (++position; position < m_commands.Count(); ++position) {
        const TRpCommand &command = m_commands.At(position);
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
            TRpArgument condition = MakeResultHolder(m_report, udfrTRpReportVariable);
            EvaluateBuiltIn(m_report, fnSysIifTest, test, expression.Field, condition);
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
        args.assign(std::make_move_iterator(stack.end() - count), std::make_move_iterator(stack.end()));
        stack.resize(stack.size() - count);
        const int resultKind = FunctionResultKind(id, m_report.UDFList());
        if (id >= 0 && resultKind > udfrStream)
            throw EIllegalFunctionUse(u"Result type defined in function"_qs + FunctionName(id, m_report.UDFList())
                                      + u" is not supported"_qs);
        TRpArgument result = MakeResultHolder(m_report, resultKind);
        DispatchFunction(m_report, id, args, expression.Field, result, count);
        stack.push_back(std::move(result));
    }
    const TRpArgument result = stack.empty() ? TRpArgument() : stack.back();
    stack.clear();
    args.clear();
    m_spareStack = std::move(stack);
    m_spareArgs = std::move(args);
    if (start.flag)
        m_constants.emplace(start.field, result);
    UseExpressionResult(start, result, expression);
    return position;
}

void TRpTemplateRunner::UseExpressionResult(const TRpCommand &start, const TRpArgument &result, const TRpRowContent &expression)
{
    if (start.output)
        WriteExpressionResult(result, expression, expression.NField);
    if (start.manage)
        m_manageResult = result.IsVariable() && result.variable()->AsBoolean();
}

void TRpTemplateRunner::WriteExpressionResult(const TRpArgument &result, const TRpRowContent &field, int functionId)
{
    switch (FunctionResultKind(functionId, m_report.UDFList())) {
    case udfrTRpReportVariable:
        WriteFormattedText(result.IsKnown() ? result.Value(&m_report).AsString() : QString(), field);
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

void TRpTemplateRunner::AppendOutTab(int kind)
{
    TRpOutTabRec entry;
    entry.start = m_outTab.empty() ? 0 : m_outTab.back().end;
    entry.end = m_body->Pos();
    entry.kind = kind;
    m_outTab.push_back(entry);
}

void TRpTemplateRunner::RunRecord(int &position)
{
    const TRpCommand &command = m_commands.At(position);
    const int previousPnt = m_lastPnt;
    m_lastPnt = command.pnt;
    switch (command.kind) {
    case cmCopyText:
    case cmCopyGroup: CopyTemplate(previousPnt, command.pnt); break;
    case cmTableStart: m_document.m_inTable = true; break;
    case cmTableEnd: m_document.m_inTable = false; break;
    case cmFontTable: case cmColorTable: case cmStyleSheet: case cmDocInfo:
    case cmListTable: case cmListOverrideTable: AppendOutTab(command.kind); break;
    case cmFormatting: WriteString(command.codes); break;
    case cmVariable: case cmNumber: case cmString: case cmBoolean: case cmDate:
    case cmDataFieldDot: case cmDataFieldColon: WriteSimpleField(command); break;
    case cmExpression: position = EvaluateExpression(position); m_lastPnt = m_commands.At(position).pnt; break;
    case cmScan: case cmWhileScan: RunScan(position, command); break;
    case cmScanEntry: WriteString(command.codes); WriteString(command.absorbed); break;
    case cmScanNext: RunScanNext(command); break;
    case cmScanFooter: case cmEndScan: RunScanEnd(position, command); break;
    case cmIf: RunIf(position, command); break;
    case cmEndIf: RunEndIf(command); break;
    default: break;
    }
}

void TRpTemplateRunner::Run(QIODevice *body)
{
    m_bodyDevice = body;
    m_lastPnt = 1;
    m_document.m_inTable = false;
    m_langPrefix = "\\lang" + m_langText + ' ';
    m_body = std::make_unique<TRpByteSink>(m_bodyDevice);
    for (int position = 0; position < m_commands.Count(); ++position) {
        if (m_commands.At(position).kind == cmEnd)
            break;
        try {
            RunRecord(position);
        } catch (...) {
            // A field's failure says where the field is; copied text has no place.
            if (const TRpCommand &failed = m_commands.At(position); IsFieldRecord(failed.kind) && m_failurePnt == 0)
                m_failurePnt = failed.pnt;
            throw;
        }
        m_report.CheckOutputSize(m_body->Pos());  // a template that loops ends at the limit
    }
    AppendOutTab(0);
    m_body->Flush();
    m_body.reset();
    FlushDevice(m_bodyDevice, "Can't write the report body: ");
}

// --- assembly -------------------------------------------------------------------------

void TRpTemplateRunner::CopyBody(QIODevice *output, qint64 start, qint64 end)
{
    if (end <= start)
        return;
    m_bodyDevice->seek(start);
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
    // One buffer for all the pieces: a fresh megabyte for each would be
    // mapped, faulted in page by page and unmapped again.
    if (m_copyBuffer.isEmpty())
        m_copyBuffer.resize(CopyChunk);
    for (qint64 left = end - start; left > 0;) {
        const qint64 read = m_bodyDevice->read(m_copyBuffer.data(), qMin(left, CopyChunk));
        if (read <= 0)
            throw EIOError(QStringLiteral("Can't read the report body: ") + m_bodyDevice->errorString());
        if (output->write(m_copyBuffer.constData(), read) != read)
            throw EIOError(QStringLiteral("Can't write report results: ") + output->errorString());
        left -= read;
    }
}

void TRpTemplateRunner::Assemble(QIODevice *output)
{
    m_bodyDevice->seek(0);
    m_document.SetOutput(output);
    const bool lists = m_report.Options().testFlag(eoProcessLists);
    for (const TRpOutTabRec &entry : m_outTab) {
        CopyBody(output, entry.start, entry.end);
        switch (entry.kind) {
        case cmFontTable:
            m_document.OutFontTable();
            if (!m_document.m_isColorTable && !m_document.m_rtfColor.isEmpty())
                m_document.OutColorTable();
            if (lists && !m_document.m_isStyle && !m_document.m_isListTable)
                m_document.OutListTable();
            if (lists && !m_document.m_isStyle && !m_document.m_isListOverrideTable)
                m_document.OutListOverrideTable();
            break;
        case cmColorTable: m_document.OutColorTable(); break;
        case cmStyleSheet:
            m_document.OutStyleSheet();
            if (lists && !m_document.m_isListTable)
                m_document.OutListTable();
            if (lists && !m_document.m_isListOverrideTable)
                m_document.OutListOverrideTable();
            break;
        case cmListTable: m_document.OutListTable(); break;
        case cmListOverrideTable: m_document.OutListOverrideTable(); break;
        default: break;
        }
    }
}

} // namespace rtfreport
