// Block commands: compiling SCAN, SCANENTRY, SCANFOOTER, ENDSCAN, IF,
// ELSIF, ELSE and ENDIF, and absorbing the paragraph mark of a command that
// stands alone.

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

bool EndsWithBracket(const QString &item)
{
    return item.endsWith(u')');
}

// An IF or ELSIF holds one item: its bracketed condition.
void CheckConditionCommand(const QStringList &items, const QString &commandText, QStringView word)
{
    const QString quoted = u'"' + word.toString() + u'"';
    if (items.size() > 1)
        throw EIllegalIFUse(u"Illegal using of "_qs + quoted + u" command: "_qs + commandText);
    if (!EndsWithBracket(items.first()))
        throw EIllegalIFUse(u"Illegal using of "_qs + quoted + u" keyword: "_qs + items.first());
}

} // namespace

// --- compiling ----------------------------------------------------------------------

// The items of a command split at top-level commas, trimmed.
QStringList TRpRTF::CommandItems(const QString &commandText)
{
    QStringList items = SplitArguments(commandText).arguments;
    for (QString &item : items)
        item = item.trimmed();
    if (items.isEmpty())
        items << commandText;
    return items;
}

void TRpRTF::CompileCondition(const QString &conditionText, int block)
{
    TRpRowContent field;
    field.Field = conditionText;
    CompileExpression(conditionText, field, false, true, block);
}

// An IF or ELSIF condition compiles to the same records wherever its
// text comes back, but for the block they belong to.
void TRpRTF::CompileCondition(TRpFieldText &text, int block)
{
    if (WriteCompiledAgain(text.compiled, block))
        return;
    const TRpRecordMark mark = MarkRecords();
    CompileCondition(text.split.command, block);
    text.compiled = RecordsSince(mark);
}

void TRpRTF::CheckScanItem(const QString &item, const QString &commandText)
{
    const bool dotAsColon = Options().testFlag(eoDotAsColon);
    const TRpToken token = ClassifyToken(item, dotAsColon);
    if (token.kind != tkFunctionCall || !token.rest.trimmed().isEmpty())
        throw EIllegalScanUse(u"Cannot process expression "_qs + item + u" in scan command "_qs + commandText);
    if (FormatKeywordOf(item))
        throw EIllegalScanUse(u"Format function "_qs + item + u" not allowed in scan command "_qs + commandText);
    const TRpFunctionCall call = ParseFunctionCall(item, UDFList());
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

void TRpRTF::CompileScanItems(const QStringList &items, const QString &commandText)
{
    for (const QString &item : items) {
        CheckScanItem(item, commandText);
        TRpRowContent field;
        field.Field = item;
        CompileExpression(item, field, false, false, FScs->InnermostScanNum());
    }
}

void TRpRTF::CompileScan(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    const QString &first = text.items.first();
    if (!EndsWithBracket(first))
        throw EIllegalScanUse(u"Illegal using of \"scan\" keyword: "_qs + first);
    const qsizetype open = first.indexOf(u'(');
    const QString typedAlias = first.mid(open + 1, first.size() - open - 2).trimmed();
    TRpDataSet *dataSet = nullptr;
    if (!typedAlias.isEmpty()) {
        const int index = AliasIndex(typedAlias);
        if (index < 0 || index >= int(FDFiles.size()))
            throw EIllegalScanUse(u"Scan Alias not found: "_qs + typedAlias);
        dataSet = FDFiles[index];
    }
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
        CompileCondition(whileText, FScs->InnermostScanNum());
    if (typedAlias.isEmpty() && !isWhile)
        throw EIllegalScanUse(u"Either \"scan\" with DataSet or \"while\" function must be present in command "_qs
                              + commandText);
    const QString absorbed = KillPar(commandPnt);
    const int position = FCm->WriteBlock(isWhile ? cmWhileScan : cmScan, m_template.Fpnt, codes, absorbed,
                                         FScs->ScCount() + 1);
    const TRpScanInfo &scan = FScs->EnterScan(position, bkScan, whileText, isWhile, noEof, page, dataSet);
    if (!typedAlias.isEmpty())
        m_compiled->m_scanAliases.emplace_back(scan.FNumber, FCm->AddString(typedAlias));
    if (m_compiler.lastBoundaryPnt < 0)
        m_compiler.lastBoundaryPnt = commandPnt;
    CompileScanItems(aggregates, commandText);
}

// The scan a SCANENTRY, SCANFOOTER or ENDSCAN command belongs to: the
// innermost open block, which must be a scan.
TRpScanInfo &TRpRTF::ScanOfCommand(const QString &commandText, const QString &commandWord, const QString &scanWord)
{
    TRpScanInfo *info = FScs->InnermostScanInfo();
    if (!info)
        throw EIllegalScanUse(u"Error: "_qs + commandWord + u" must be after "_qs + scanWord + u": "_qs + commandText);
    if (!info->IsScan())
        throw EIllegalScanUse(u"Error: "_qs + commandWord + u" is not expected: "_qs + commandText);
    return *info;
}

void TRpRTF::CompileScanEntry(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    const QStringList items = text.items.mid(1);
    const TRpScanInfo &info = ScanOfCommand(commandText, u"Scanentry"_qs, u"scan"_qs);
    if (info.FIsEntry)
        throw EIllegalScanUse(u"Error: Scanentry already exists for scan block: "_qs + commandText);
    if (info.FIsFooter)
        throw EIllegalScanUse(u"Error: Scanentry not allowed after scanfooter: "_qs + commandText);
    const QString absorbed = KillPar(commandPnt);
    const int position = FCm->WriteBlock(cmScanEntry, m_template.Fpnt, codes, absorbed, info.FNumber);
    FScs->SetScanEntry(position);
    CompileScanItems(items, commandText);
}

void TRpRTF::CompileScanFooter(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    const QStringList items = text.items.mid(1);
    const TRpScanInfo &info = ScanOfCommand(commandText, u"Scanfooter"_qs, u"Scan"_qs);
    if (info.FIsFooter)
        throw EIllegalScanUse(u"Error: Scanfooter already exists for scan block: "_qs + commandText);
    CompileScanItems(items, commandText);
    FCm->WriteBlock(cmScanNext, m_template.Fpnt, QString(), QString(), info.FNumber);
    if (info.FIsWhile)
        CompileCondition(info.WhileString(), info.FNumber);
    const QString absorbed = KillPar(commandPnt);
    const int position = FCm->WriteBlock(cmScanFooter, m_template.Fpnt, codes, absorbed, info.FNumber);
    FScs->SetScanFooter(position);
}

void TRpRTF::CompileEndScan(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    const QStringList items = text.items.mid(1);
    const TRpScanInfo &info = ScanOfCommand(commandText, u"Endscan"_qs, u"scan"_qs);
    CompileScanItems(items, commandText);
    if (!info.FIsFooter) {
        FCm->WriteBlock(cmScanNext, m_template.Fpnt, QString(), QString(), info.FNumber);
        if (info.FIsWhile)
            CompileCondition(info.WhileString(), info.FNumber);
    }
    const QString absorbed = KillPar(commandPnt);
    FScs->ExitScan(FCm->WriteBlock(cmEndScan, m_template.Fpnt, codes, absorbed, info.FNumber));
}

void TRpRTF::CompileIf(TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    CheckConditionCommand(text.items, commandText, u"if");
    CompileCondition(text, FScs->InnermostScanNum());
    const QString absorbed = KillPar(commandPnt);
    const int position = FCm->WriteBlock(cmIf, m_template.Fpnt, codes, absorbed, FScs->ScCount() + 1, 0);
    FScs->EnterScan(position, bkIf, commandText, true, false, false, nullptr);
    m_compiler.elsIfChains.push_back(0);
    if (m_compiler.lastBoundaryPnt < 0)
        m_compiler.lastBoundaryPnt = commandPnt;
}

void TRpRTF::CompileElsIf(TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    CheckConditionCommand(text.items, commandText, u"elsif");
    TRpScanInfo *info = FScs->InnermostScanInfo();
    if (!info)
        throw EIllegalIFUse(u"Error: \"elseif\" must be after \"if\": "_qs + commandText);
    if (info->FrplngId != bkIf && info->FrplngId != bkElsIf)
        throw EIllegalIFUse(u"Error: \"elseif\" is not expected: "_qs + commandText);
    const int pnt = m_template.Fpnt;
    FScs->ExitScan(FCm->WriteBlock(cmEndIf, pnt, QString(), QString(), info->FNumber));
    int position = FCm->WriteBlock(cmIf, pnt, codes, QString(), FScs->ScCount() + 1, 1);
    const TRpScanInfo &elsePart = FScs->EnterScan(position, bkElse, commandText, true, false, false, nullptr);
    CompileCondition(text, elsePart.FNumber);
    const QString absorbed = KillPar(commandPnt);
    position = FCm->WriteBlock(cmIf, m_template.Fpnt, codes, absorbed, FScs->ScCount() + 1, 0);
    FScs->EnterScan(position, bkElsIf, commandText, true, false, false, nullptr);
    if (!m_compiler.elsIfChains.empty())
        ++m_compiler.elsIfChains.back();
    if (m_compiler.lastBoundaryPnt < 0)
        m_compiler.lastBoundaryPnt = commandPnt;
}

void TRpRTF::CompileElse(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    if (text.items.size() > 1)
        throw EIllegalIFUse(u"Illegal using of \"Else\" command: "_qs + commandText);
    TRpScanInfo *info = FScs->InnermostScanInfo();
    if (!info)
        throw EIllegalIFUse(u"Error: \"else\" must be after \"if\": "_qs + commandText);
    if (info->FrplngId != bkIf && info->FrplngId != bkElsIf)
        throw EIllegalIFUse(u"Error: \"else\" is not expected: "_qs + commandText);
    const QString absorbed = KillPar(commandPnt);
    const int pnt = m_template.Fpnt;
    FScs->ExitScan(FCm->WriteBlock(cmEndIf, pnt, codes, absorbed, info->FNumber));
    const int position = FCm->WriteBlock(cmIf, pnt, QString(), QString(), FScs->ScCount() + 1, 1);
    FScs->EnterScan(position, bkElse, commandText, true, false, false, nullptr);
}

void TRpRTF::CompileEndIf(const TRpFieldText &text, int commandPnt)
{
    const QString &commandText = text.split.command;
    const QString &codes = text.split.codes;
    if (text.items.size() > 1)
        throw EIllegalIFUse(u"Illegal using of \"endif\" command: "_qs + commandText);
    TRpScanInfo *info = FScs->InnermostScanInfo();
    if (!info)
        throw EIllegalIFUse(u"Error: \"endif\" must be after \"if\": "_qs + commandText);
    if (info->IsScan())
        throw EIllegalIFUse(u"Error: \"endif\" is not expected: "_qs + commandText);
    // Each chain closes the levels its own ELSIF commands opened.
    const int elsIfLevels = m_compiler.elsIfChains.empty() ? 0 : m_compiler.elsIfChains.back();
    if (!m_compiler.elsIfChains.empty())
        m_compiler.elsIfChains.pop_back();
    for (int i = 0; i < elsIfLevels && FScs->InnermostScanInfo(); ++i) {
        FScs->ExitScan(FCm->WriteBlock(cmEndIf, m_template.Fpnt, QString(), QString(), FScs->InnermostScanNum()));
    }
    const QString absorbed = KillPar(commandPnt);
    FScs->ExitScan(FCm->WriteBlock(cmEndIf, m_template.Fpnt, codes, absorbed, FScs->InnermostScanNum()));
}

// --- KillPar --------------------------------------------------------------------------

// Whether the text a command stands in can be seen, so that the command is
// not alone in its line. Each look covers text between two fields at most,
// so that the looks of all commands together read the template once.
bool TRpRTF::HasVisibleText(const QByteArray &text) const
{
    TRpUnicodeSkip scratch = m_compiler.unicodeSkip.Scratch();
    return !SplitFieldText(text, scratch).command.isEmpty();
}

// Visible text between the last line boundary and the command: an earlier
// field there is (its delimiters read as backslashes), and other text is
// looked at.
bool TRpRTF::TextBeforeCommand(int commandPnt) const
{
    const int from = m_compiler.lastBoundaryPnt;
    if (from < 1 || from >= commandPnt)
        return false;
    if (m_compiler.previousKwdPnt >= from)
        return true;
    return HasVisibleText(m_template.Bytes.mid(from - 1, commandPnt - from));
}

QString TRpRTF::KillPar(int commandPnt)
{
    TRpTemplateBuffer &t = m_template;
    if (TextBeforeCommand(commandPnt))
        return QString();

    // The text up to the paragraph mark, unless a line, a skipped group or a
    // field (visible text) ends first.
    QByteArray collected;
    int p = t.Fpnt;
    bool parMet = false;
    const auto anyWordAt = [&](int at, const auto &words) {
        return std::any_of(std::begin(words), std::end(words), [&](const char *word) { return t.WordAt(at, word); });
    };
    const auto parAt = [&](int at) { return t.WordAt(at, "\\par") && !IsAsciiDigit(t.At(at + 4)); };
    while (p <= t.Flent()) {
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
            if (RTInfo())
                PrintRTI(m_compiled->m_traceLines.constLast());
            break;
        }
        collected += c;
        ++p;
    }
    if (!parMet || HasVisibleText(collected))
        return QString();
    m_compiler.lastBoundaryPnt = p;
    p += 4;
    if (t.At(p) == ' ')
        ++p;
    t.Fpnt = p;
    return QString::fromLatin1(collected);
}

} // namespace rtfreport
