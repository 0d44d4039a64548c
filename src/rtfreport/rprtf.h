#pragma once
// TRpRTF: the report engine a program creates to turn an RTF template, the
// report variables and its data sets into an RTF document.
//
// A facade over the two halves of the engine: a TRpTemplateCompiler turns
// the template into a TRpCompiledTemplate, kept for the later runs while
// the file (or buffer) and the settings the compile reads stay the same;
// a TRpTemplateRunner replays it over the variables and data sets into a
// body, and assembles the output with header tables regenerated from the
// engine's own lists. Here: the properties, the template source, the data
// sets of a run, the output file and what a failure leaves to report.

#include "rpbasereport.h"
#include "rpcompiledtemplate.h"
#include "rpmetafile.h"
#include "rprtf_document.h"
#include "rprtf_io.h"
#include "rpscans.h"
#include "rptemplatecompiler.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QString>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace rtfreport {

class TRpDataSet;
class TRpImageFormat;
class TRpRTF;
class TRpTemplateRunner;

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
    bool InTable() const { return m_document.m_inTable; }
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

    // The data sets of the run, as the Execute family was given them.
    const std::vector<TRpDataSet *> &DataSets() const { return m_runDataSets; }
    // Fails when a document of that many bytes is over MaxOutputSize.
    void CheckOutputSize(qint64 size) const;

private:
    void RunReport(const std::vector<TRpDataSet *> &dataSets, QIODevice *outStream, bool open, int showCmd);
    void RecordFailure(std::exception_ptr failure, const std::function<void()> &restoreControls);
    void LocateFailure(int pnt);
    void ProcessTemplate(QIODevice *outStream);
    void PrepareDocument(TRpRtfDocument &document) const;
    void WriteOutputFile(TRpTemplateRunner &runner);
    TRpCompileSettings CompileSettings() const;
    // The compiled template of InFile or of the buffer: the one kept when
    // neither it nor the settings changed, else compiled now.
    void ObtainCompiled(QIODevice *outStream, const TRpCompileSettings &settings);
    void Compile(const TRpCompileSettings &settings);
    void LoadTemplate(QFile *file);
    void ReleaseRun();
    void RegisterDataSets(const std::vector<TRpDataSet *> &dataSets);

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
    QByteArray m_templateBytes;
    bool m_templateLoaded = false;  // from SetTemplateBuffer; else read from InFile at each run
    // The compiled template of this run; the one of the buffer; those of
    // the files run before, by name, with the state of the file then.
    std::shared_ptr<const TRpCompiledTemplate> m_compiled;
    std::shared_ptr<const TRpCompiledTemplate> m_bufferCompiled;
    struct TRpCachedTemplate {
        TRpFileStamp stamp;
        std::shared_ptr<const TRpCompiledTemplate> compiled;
    };
    static constexpr qsizetype MaxCachedTemplates = 8;
    QHash<QString, TRpCachedTemplate> m_fileCache;

    // run state
    TRpRtfDocument m_document;
    std::vector<TRpDataSet *> m_runDataSets;
    std::vector<std::pair<QString, int>> m_runDataSetNames;
    TRpTemplateRunner *m_runner = nullptr;  // while a run pass goes on
    std::unique_ptr<QIODevice> m_bodyStream;
    QString m_bodyFileName;
};

} // namespace rtfreport
