#pragma once
// TRpRtfDocument: the RTF document the engine writes, as far as RTF syntax
// goes: its header tables (fonts, colours, styles, document information,
// lists), the settings that govern them, and the body output that inserted
// RTF goes to.
//
// The report engine owns one for each run (or derives from it):
//   - at the start of a run: ResetTables(), then set the settings from the
//     engine's options (ProcessLists, UniqueLists, UnicodeByDefault, Charset,
//     RTFStyleMode);
//   - compile pass: when the template scanner meets a header group it calls
//     the matching reader (LoadFontTable, ...) with the scanner on the
//     backslash right after the group's "{";
//   - run pass: SetOutput(body), keep m_inTable current, InsertRtfText /
//     InsertRtfStream for RTF values, UseColor for picture borders;
//   - assembly: SetOutput(output) and the writers (OutFontTable, ...).

#include <QByteArray>
#include <QByteArrayList>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringView>

#include <string>

#include "rpheadertables.h"

namespace rtfreport {

class TRpTemplateScanner;

// The colour list of the document, with colour registration.
class TRpColorStringList : public QByteArrayList {
public:
    using QByteArrayList::QByteArrayList;

    // The index of `color` (letter case ignored), appending it when absent;
    // an empty list first gets the automatic colour ";".
    int UseColor(const QByteArray &color);
};

class TRpRtfDocument {
public:
    // Settings, taken from the engine's properties and options for each run.
    bool ProcessLists = false;     // eoProcessLists
    bool UniqueLists = false;      // eoUniqueLists
    bool UnicodeByDefault = false; // keep the template's font charsets, write Unicode escapes
    int Charset = 1;               // written into the template's fonts unless UnicodeByDefault
    int m_rtfStyleMode = 1;         // RTFStyleMode: 1 maps inserted styles by name

    // Header tables.
    QByteArrayList m_rtfFont;
    TRpColorStringList m_rtfColor;
    QByteArrayList m_rtfStyle;
    QByteArrayList m_rtfDocInfo;
    TRpRTFListTable m_rtfListTable;
    QList<TRpColor> m_docColorTable;
    bool m_isFontTable = false;
    bool m_isColorTable = false;
    bool m_isStyle = false;
    bool m_isDocInfo = false;
    bool m_isListTable = false;
    bool m_isListOverrideTable = false;
    bool m_inTable = false; // the body is being written inside a table

    // Empties every table and clears the flags: the start of a run.
    void ResetTables();

    // Where inserted RTF and the table writers write; not owned. Random
    // access: an inserted document's last paragraph mark is blanked in place.
    void SetOutput(QIODevice *output) { m_output = output; }
    QIODevice *Output() const { return m_output; }

    // Inserts an RTF document into the output, merging its header tables into
    // the document's. Unless keepLastPar, its last "\par" is blanked out in place.
    void InsertRtfText(const QString &rtf, bool keepLastPar);
    void InsertRtfStream(QIODevice *source, bool keepLastPar);

    // Template readers: the scanner stands on the backslash after the group's "{".
    void LoadFontTable(TRpTemplateScanner &scanner);
    void LoadColorTable(TRpTemplateScanner &scanner);
    void LoadStyleSheet(TRpTemplateScanner &scanner);
    void LoadDocInfo(TRpTemplateScanner &scanner);
    void ProcessListTable(TRpTemplateScanner &scanner);
    void ProcessListOverrideTable(TRpTemplateScanner &scanner);

    // Table writers, writing to Output().
    void OutFontTable();
    void OutColorTable();
    void OutStyleSheet();
    void OutListTable();
    void OutListOverrideTable();

    // Plain value text as RTF text in the code page's bytes: appended to out,
    // or returned.
    void AppendRtfText(QStringView text, std::string &out) const;
    QByteArray txt2rtf(const QString &text) const;
    int UseColor(const QByteArray &color) { return m_rtfColor.UseColor(color); }

private:
    void Write(const QByteArray &bytes);

    QIODevice *m_output = nullptr;
};

} // namespace rtfreport
