// Random bytes as inserted RTF: Process must end, without a crash or a
// memory error, whatever the input. The first byte picks the options, so that
// list merging and table mode are reached too, and with bit 5 the bytes are
// read as template header groups and as plain text instead.

#include <cstddef>
#include <cstdint>

#include <QBuffer>

#include "rperrors.h"
#include "rprtf_document.h"
#include "rprtf_templatescanner.h"

using namespace rtfreport;

namespace {

void ReadAsTemplateHeader(TRpRtfDocument &document, const QByteArray &input)
{
    using Reader = void (TRpRtfDocument::*)(TRpTemplateScanner &);
    const Reader readers[] = {&TRpRtfDocument::LoadFontTable, &TRpRtfDocument::LoadColorTable,
                              &TRpRtfDocument::LoadStyleSheet, &TRpRtfDocument::LoadDocInfo,
                              &TRpRtfDocument::ProcessListTable,
                              &TRpRtfDocument::ProcessListOverrideTable};
    for (Reader reader : readers) {
        TRpBufferScanner scanner(input);
        try {
            (document.*reader)(scanner);
        } catch (const ERpError &) {
            // a broken header group is refused with a message: fine
        }
    }
    document.txt2rtf(QString::fromUtf8(input));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t options = data[0];
    QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QBuffer source(&input);
    source.open(QIODevice::ReadOnly);

    TRpRtfDocument document;
    document.ProcessLists = options & 1;
    document.UniqueLists = options & 2;
    document.m_inTable = options & 4;
    document.m_rtfStyleMode = (options & 8) ? 1 : 0;
    document.m_rtfFont = {"{\\f0\\froman Times New Roman;}"};
    document.m_rtfColor = {";", "\\red0\\green0\\blue0;"};
    document.m_rtfStyle = {"{\\s0 Normal;}", "{\\s1\\snext0 heading 1;}"};
    document.m_rtfListTable.AddListString(false, "\\list\\listtemplateid1\\listid1", "\\list", "1", "1");
    document.m_rtfListTable.AddListOverrideString(false, "\\listoverride\\listid1\\ls1", "\\listoverride", "1", "1");

    QByteArray output;
    QBuffer out(&output);
    out.open(QIODevice::ReadWrite);
    document.SetOutput(&out);
    try {
        document.UnicodeByDefault = options & 64;
        if (options & 32)
            ReadAsTemplateHeader(document, input);
        else
            document.InsertRtfStream(&source, options & 16);
        document.OutFontTable();
        document.OutColorTable();
        document.OutStyleSheet();
        document.OutListTable();
        document.OutListOverrideTable();
    } catch (const ERpError &) {
        // A list number that is no number is refused with a message: fine.
    }
    return 0;
}
