// Block commands: compiling SCAN, SCANENTRY, SCANFOOTER, ENDSCAN, IF,
// ELSIF, ELSE and ENDIF, and absorbing the paragraph mark of a command that
// stands alone.

#include "rptemplatecompiler.h"

#include "rpbasereport.h"

#include "rpconst.h"
#include "rperrors.h"
#include "rpexpression.h"
#include "rpformat.h"
#include "rprtf_controlwords.h"
#include "rptemplate.h"

#include <algorithm>

namespace rtfreport {

namespace {

bool EndsWithBracket(const QString &item)
{
    return item.endsWith(u')');
}

// An IF or ELSIF holds one item: its bracketed condition.
void CheckConditionCommand(const QStringList &items, const QString &commandText, QStringView word)
{
    const auto quoted = [&] { return u'"' + word.toString() + u'"'; };
    if (items.size() > 1)
        throw EIllegalIFUse(u"Illegal using of "_qs + quoted() + u" command: "_qs + commandText);
    if (!EndsWithBracket(items.first()))
        throw EIllegalIFUse(u"Illegal using of "_qs + quoted() + u" keyword: "_qs + items.first());
}

} // namespace

// --- compiling ----------------------------------------------------------------------

// The items of a command split at top-level commas, trimmed.
QStringList TRpTemplateCompiler::CommandItems(const QString &commandText)
{
    QStringList items = SplitArguments(commandText).arguments;
    for (QString &item : items)
        item = item.trimmed();
    if (items.isEmpty())
        items << commandText;
    return items;
}

void TRpTemplateCompiler::CompileCondition(const QString &conditionText, int block)
{
    TRpRowContent field;
    field.Field = conditionText;
    CompileExpression(conditionText, field, false, true, block);
}

// An IF or ELSIF condition compiles to the same records wherever its
// text comes back, but for the block they belong to.
void TRpTemplateCompiler::CompileCondition(TRpFieldText &text, int block)
{
    if (WriteCompiledAgain(text.compiled, block))
        return;
    const TRpRecordMark mark = MarkRecords();
    CompileCondition(text.split.command, block);
    text.compiled = RecordsSince(mark);
}

void TRpTemplateCompiler::CheckScanItem(const QString &item, const QString &commandText)
{
    const bool dotAsColon = m_report.Options().testFlag(eoDotAsColon);
    const TRpToken token = ClassifyToken(item, dotAsColon);
    if (token.kind != tkFunctionCall || !token.rest.trimmed().isEmpty())
        throw EIllegalScanUse(u"Cannot process expression "_qs + item + u" in scan command "_qs + commandText);
    if (FormatKeywordOf(item))
        throw EIllegalScanUse(u"Format function "_qs + item + u" not allowed in scan command "_qs + commandText);
    const TRpFunctionCall call = ParseFunctionCall(item, m_report.UDFList());
    if (!call.isCall)
        throw EIllegalFunctionUse(u"Function not found: "_qs + item);
    const auto fail = [&](const QString &argument, const char *why) {
        throw EIllegalFunctionUse(u"Illegal function use: "_qs + argument + QLatin1String(why) + item);
    };
    const auto kindOf = [&](const QString &argument) {
        if (FormatKeywordOf(argument))
            fail(argument, " - format function not allowed in scan command in expression ");
        return ClassifyToken(argument, dotAsColon).kind;
    };
    if (call.id == fnVar) {
        for (const QString &raw : call.arguments)
            if (kindOf(raw.trimmed()) != tkIdentifier)
                fail(raw.trimmed(), " - report variable expected as argument in expression ");
        return;
    }
    if (call.id != fnSum && call.id != fnCtn && call.id != fnCts)
        return;
    const QStringList &a = call.arguments;
    const int first = kindOf(a.value(0).trimmed());
    if (first != tkDataFieldDot && first != tkDataFieldColon && first != tkIdentifier && first != tkFunctionCall)
        fail(a.value(0).trimmed(), " - datafield, variable or UDF expected as first argument in expression ");
    if (kindOf(a.value(1).trimmed()) != tkIdentifier)
        fail(a.value(1).trimmed(), " - report variable expected as second argument in expression ");
    if (a.size() > 2 && a.at(2).trimmed().toUpper() != u"NORESET")
        fail(a.at(2).trimmed(), " - symbol \")\" or keyword \"NORESET\" expected as third argument in expression ");
}

void TRpTemplateCompiler::CompileScanItems(const QStringList &items, const QString &commandText)
{
    for (const QString &item : items) {
        CheckScanItem(item, commandText);
        TRpRowContent field;
        field.Field = item;
        CompileExpression(item, field, false, false, m_blocks->InnermostNumber());
    }
}

void TRpTemplateCompiler::CompileScan(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    const QString &first = text.items.first();
    if (!EndsWithBracket(first))
        throw EIllegalScanUse(u"Illegal using of \"scan\" keyword: "_qs + first);
    const qsizetype open = first.indexOf(u'(');
    const QString typedAlias = first.mid(open + 1, first.size() - open - 2).trimmed();
    if (!typedAlias.isEmpty() && !m_aliasKnown(typedAlias))
        throw EIllegalScanUse(u"Scan Alias not found: "_qs + typedAlias);
    bool page = false, noEof = false;
    QString whileText;
    QStringList aggregates;
    for (const QString &item : text.items.mid(1)) {
        const QString lower = item.toLower();
        if (lower == u"page") {
            page = true;
        } else if (lower == u"noeof") {
            noEof = true;
        } else if (lower.startsWith(u"while(") && item.size() > 7 && EndsWithBracket(item)) {
            if (!whileText.isEmpty())
                throw EIllegalScanUse(u"More than one \"while\" function is not allowed in command "_qs + commandText);
            whileText = item;
        } else {
            aggregates << item;
        }
    }
    const bool isWhile = !whileText.isEmpty();
    if (isWhile)
        CompileCondition(whileText, m_blocks->InnermostNumber());
    if (typedAlias.isEmpty() && !isWhile)
        throw EIllegalScanUse(u"Either \"scan\" with DataSet or \"while\" function must be present in command "_qs
                              + commandText);
    const QString absorbed = KillPar(commandPnt);
    const int position = m_commands->WriteBlock(isWhile ? cmWhileScan : cmScan, m_template.position, codes, absorbed,
                                         m_blocks->Count() + 1);
    const TRpBlock &scan = m_blocks->EnterBlock(position, bkScan, whileText, isWhile, noEof, page);
    if (!typedAlias.isEmpty())
        m_compiled->m_scanAliases.emplace_back(scan.number, m_commands->AddString(typedAlias));
    if (m_lastBoundaryPnt < 0)
        m_lastBoundaryPnt = commandPnt;
    CompileScanItems(aggregates, commandText);
}

// The scan a SCANENTRY, SCANFOOTER or ENDSCAN command belongs to: the
// innermost open block, which must be a scan.
TRpBlock &TRpTemplateCompiler::ScanOfCommand(const QString &commandText, const QString &commandWord, const QString &scanWord)
{
    TRpBlock *info = m_blocks->Innermost();
    if (!info)
        throw EIllegalScanUse(u"Error: "_qs + commandWord + u" must be after "_qs + scanWord + u": "_qs + commandText);
    if (!info->IsScan())
        throw EIllegalScanUse(u"Error: "_qs + commandWord + u" is not expected: "_qs + commandText);
    return *info;
}

void TRpTemplateCompiler::CompileScanEntry(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    const QStringList items = text.items.mid(1);
    const TRpBlock &info = ScanOfCommand(commandText, u"Scanentry"_qs, u"scan"_qs);
    if (info.isEntry)
        throw EIllegalScanUse(u"Error: Scanentry already exists for scan block: "_qs + commandText);
    if (info.isFooter)
        throw EIllegalScanUse(u"Error: Scanentry not allowed after scanfooter: "_qs + commandText);
    const QString absorbed = KillPar(commandPnt);
    const int position = m_commands->WriteBlock(cmScanEntry, m_template.position, codes, absorbed, info.number);
    m_blocks->SetScanEntry(position);
    CompileScanItems(items, commandText);
}

void TRpTemplateCompiler::CompileScanFooter(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    const QStringList items = text.items.mid(1);
    const TRpBlock &info = ScanOfCommand(commandText, u"Scanfooter"_qs, u"Scan"_qs);
    if (info.isFooter)
        throw EIllegalScanUse(u"Error: Scanfooter already exists for scan block: "_qs + commandText);
    CompileScanItems(items, commandText);
    m_commands->WriteBlock(cmScanNext, m_template.position, QString(), QString(), info.number);
    if (info.isWhile)
        CompileCondition(info.WhileString(), info.number);
    const QString absorbed = KillPar(commandPnt);
    const int position = m_commands->WriteBlock(cmScanFooter, m_template.position, codes, absorbed, info.number);
    m_blocks->SetScanFooter(position);
}

void TRpTemplateCompiler::CompileEndScan(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    const QStringList items = text.items.mid(1);
    const TRpBlock &info = ScanOfCommand(commandText, u"Endscan"_qs, u"scan"_qs);
    CompileScanItems(items, commandText);
    if (!info.isFooter) {
        m_commands->WriteBlock(cmScanNext, m_template.position, QString(), QString(), info.number);
        if (info.isWhile)
            CompileCondition(info.WhileString(), info.number);
    }
    const QString absorbed = KillPar(commandPnt);
    m_blocks->ExitBlock(m_commands->WriteBlock(cmEndScan, m_template.position, codes, absorbed, info.number));
}

void TRpTemplateCompiler::CompileIf(TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    CheckConditionCommand(text.items, commandText, u"if");
    CompileCondition(text, m_blocks->InnermostNumber());
    const QString absorbed = KillPar(commandPnt);
    const int position = m_commands->WriteBlock(cmIf, m_template.position, codes, absorbed, m_blocks->Count() + 1, 0);
    m_blocks->EnterBlock(position, bkIf, commandText, true, false, false);
    m_elsIfChains.push_back(0);
    if (m_lastBoundaryPnt < 0)
        m_lastBoundaryPnt = commandPnt;
}

void TRpTemplateCompiler::CompileElsIf(TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    CheckConditionCommand(text.items, commandText, u"elsif");
    TRpBlock *info = m_blocks->Innermost();
    if (!info)
        throw EIllegalIFUse(u"Error: \"elseif\" must be after \"if\": "_qs + commandText);
    if (info->kind != bkIf && info->kind != bkElsIf)
        throw EIllegalIFUse(u"Error: \"elseif\" is not expected: "_qs + commandText);
    const int pnt = m_template.position;
    m_blocks->ExitBlock(m_commands->WriteBlock(cmEndIf, pnt, QString(), QString(), info->number));
    int position = m_commands->WriteBlock(cmIf, pnt, codes, QString(), m_blocks->Count() + 1, 1);
    const TRpBlock &elsePart = m_blocks->EnterBlock(position, bkElse, commandText, true, false, false);
    CompileCondition(text, elsePart.number);
    const QString absorbed = KillPar(commandPnt);
    position = m_commands->WriteBlock(cmIf, m_template.position, codes, absorbed, m_blocks->Count() + 1, 0);
    m_blocks->EnterBlock(position, bkElsIf, commandText, true, false, false);
    if (!m_elsIfChains.empty())
        ++m_elsIfChains.back();
    if (m_lastBoundaryPnt < 0)
        m_lastBoundaryPnt = commandPnt;
}

void TRpTemplateCompiler::CompileElse(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    if (text.items.size() > 1)
        throw EIllegalIFUse(u"Illegal using of \"Else\" command: "_qs + commandText);
    TRpBlock *info = m_blocks->Innermost();
    if (!info)
        throw EIllegalIFUse(u"Error: \"else\" must be after \"if\": "_qs + commandText);
    if (info->kind != bkIf && info->kind != bkElsIf)
        throw EIllegalIFUse(u"Error: \"else\" is not expected: "_qs + commandText);
    const QString absorbed = KillPar(commandPnt);
    const int pnt = m_template.position;
    m_blocks->ExitBlock(m_commands->WriteBlock(cmEndIf, pnt, codes, absorbed, info->number));
    const int position = m_commands->WriteBlock(cmIf, pnt, QString(), QString(), m_blocks->Count() + 1, 1);
    m_blocks->EnterBlock(position, bkElse, commandText, true, false, false);
}

void TRpTemplateCompiler::CompileEndIf(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    if (text.items.size() > 1)
        throw EIllegalIFUse(u"Illegal using of \"endif\" command: "_qs + commandText);
    TRpBlock *info = m_blocks->Innermost();
    if (!info)
        throw EIllegalIFUse(u"Error: \"endif\" must be after \"if\": "_qs + commandText);
    if (info->IsScan())
        throw EIllegalIFUse(u"Error: \"endif\" is not expected: "_qs + commandText);
    // Each chain closes the levels its own ELSIF commands opened.
    const int elsIfLevels = m_elsIfChains.empty() ? 0 : m_elsIfChains.back();
    if (!m_elsIfChains.empty())
        m_elsIfChains.pop_back();
    for (int i = 0; i < elsIfLevels && m_blocks->Innermost(); ++i) {
        m_blocks->ExitBlock(m_commands->WriteBlock(cmEndIf, m_template.position, QString(), QString(), m_blocks->InnermostNumber()));
    }
    const QString absorbed = KillPar(commandPnt);
    m_blocks->ExitBlock(m_commands->WriteBlock(cmEndIf, m_template.position, codes, absorbed, m_blocks->InnermostNumber()));
}

// --- KillPar --------------------------------------------------------------------------

// Whether the text a command stands in can be seen, so that the command is
// not alone in its line. Each look covers text between two fields at most,
// so that the looks of all commands together read the template once.
bool TRpTemplateCompiler::HasVisibleText(const QByteArray &text) const
{
    TRpUnicodeSkip scratch = m_unicodeSkip.Scratch();
    return !SplitFieldText(text, scratch).command.isEmpty();
}

// Visible text between the last line boundary and the command: an earlier
// field there is (its delimiters read as backslashes), and other text is
// looked at.
bool TRpTemplateCompiler::TextBeforeCommand(int commandPnt) const
{
    const int from = m_lastBoundaryPnt;
    if (from < 1 || from >= commandPnt)
        return false;
    if (m_previousKwdPnt >= from)
        return true;
    return HasVisibleText(m_template.bytes.mid(from - 1, commandPnt - from));
}

QString TRpTemplateCompiler::KillPar(int commandPnt)
{
    TRpTemplateBuffer &t = m_template;
    if (TextBeforeCommand(commandPnt))
        return QString();

    // The text up to the paragraph mark, unless a line, a skipped group or a
    // field (visible text) ends first.
    QByteArray collected;
    int p = t.position;
    bool parMet = false;
    const auto anyWordAt = [&](int at, const auto &words) {
        return std::any_of(std::begin(words), std::end(words), [&](const char *word) { return t.WordAt(at, word); });
    };
    const auto parAt = [&](int at) { return t.WordAt(at, "\\par") && !IsAsciiDigit(t.At(at + 4)); };
    while (p <= t.Length()) {
        const char c = t.At(p);
        if (c == '\\') {
            if (parAt(p)) {
                parMet = true;
                break;
            }
            if (anyWordAt(p, LineEndWords))
                break;
            // An escaped backslash before "par" is still taken for the mark below.
            int length = 0;
            if (FieldDelimiterAt(p, &length) && !parAt(p + 1))
                return QString();
        }
        if (c == '{' && anyWordAt(p + 1, SkippedGroupWords)) {
            // Kept with the compiled template, for the runs that do not compile it.
            m_compiled->m_traceLines << u"KillPar - NeedToSkipBlock: "_qs + QString::fromLatin1(collected);
            if (m_report.RTInfo())
                m_report.PrintRTI(m_compiled->m_traceLines.constLast());
            break;
        }
        collected += c;
        ++p;
    }
    if (!parMet || HasVisibleText(collected))
        return QString();
    m_lastBoundaryPnt = p;
    p += 4;
    if (t.At(p) == ' ')
        ++p;
    t.position = p;
    return QString::fromLatin1(collected);
}

} // namespace rtfreport
