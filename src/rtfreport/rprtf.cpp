// TRpRTF: properties, the Execute family, the template source, data-set
// registration and the run's bookkeeping.

#include "rprtf.h"

#include "rpoutputfile.h"
#include "rptemplaterunner.h"

#include "rpdataset.h"
#include "rperrors.h"
#include "rpfunc.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <sys/stat.h>

namespace rtfreport {

TRpRTF::TRpRTF(const TRpFormatSettings &settings) : TRpBaseReport(settings) {}

TRpRTF::~TRpRTF() = default;

const std::array<TRpColor, 16> &TRpRTF::ColorTable()
{
    static const std::array<TRpColor, 16> colors{{
        {0, 0, 0}, {255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {255, 0, 255}, {0, 0, 255}, {0, 255, 255},
        {255, 255, 255}, {128, 0, 0}, {128, 128, 0}, {0, 128, 0}, {128, 0, 128}, {0, 0, 128}, {0, 128, 128},
        {128, 128, 128}, {192, 192, 192},
    }};
    return colors;
}

// --- template source -----------------------------------------------------------------

void TRpRTF::SetInFile(const QString &fileName)
{
    if (fileName != m_inFile && m_templateLoaded)
        FreeTemplate();
    m_inFile = fileName;
}

void TRpRTF::SetTemplateBuffer(const QByteArray &buffer, int size)
{
    if (Executing())
        throw EIOError(QStringLiteral("Can't set template while executing report"));
    const QByteArray bytes = buffer.left(qMax(0, size));
    if (!m_templateLoaded || bytes != m_templateBytes)
        m_bufferCompiled.reset();
    m_templateBytes = bytes;
    m_inFile.clear();
    m_templateLoaded = true;
}

void TRpRTF::FreeTemplate()
{
    if (Executing())
        throw EIOError(QStringLiteral("Can't set template while executing report"));
    m_templateBytes.clear();
    m_templateLoaded = false;
    m_bufferCompiled.reset();
}

namespace {

TRpFileStamp StampOf(const QFile &file)
{
    struct stat status {};
    if (::fstat(file.handle(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};  // a pipe or a device is read every time
    return {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
            qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec};
}

} // namespace

// Reads the template from file, or takes the buffer SetTemplateBuffer gave.
void TRpRTF::LoadTemplate(QFile *file)
{
    if (!m_templateLoaded) {
        if (!ReadAtMost(*file, MaxInputFileSize, m_templateBytes)) {
            m_templateBytes.clear();
            if (file->error() != QFileDevice::NoError)
                throw EIOError(u"Can't read report template from file: "_qs + m_inFile);
            throw EIOError(u"Template file "_qs + m_inFile + u" is larger than 1 GiB"_qs);
        }
    }
    if (!m_templateBytes.startsWith("{\\rtf")) {
        if (!m_templateLoaded)
            m_templateBytes.clear();
        throw EBadRtfFormat(QStringLiteral("Template is not RTF file."));
    }
}

TRpCompileSettings TRpRTF::CompileSettings() const
{
    TRpCompileSettings settings;
    settings.options = int(Options());
    settings.unicodeByDefault = m_unicodeByDefault;
    settings.charset = m_charset;
    settings.currencyDecimals = FormatSettings().CurrencyDecimals;
    if (const TRpUDFList *functions = UDFList()) {
        for (int i = 0; i < functions->Functions().Count(); ++i) {
            const TRpUDF &function = functions->Functions().Item(i);
            settings.functions += function.Name() + u'/' + QString::number(function.ArgMinCount()) + u'/'
                                  + QString::number(function.ArgMaxCount()) + u'/'
                                  + QString::number(function.ResultType()) + u';';
        }
    }
    return settings;
}

void TRpRTF::ObtainCompiled(QIODevice *outStream, const TRpCompileSettings &settings)
{
    // The file is opened every time, so that one removed or made unreadable
    // fails as it would have the first time.
    std::optional<QFile> file;
    TRpFileStamp stamp;
    std::shared_ptr<const TRpCompiledTemplate> kept = m_bufferCompiled;
    if (!m_templateLoaded) {
        file.emplace(m_inFile);
        if (m_inFile.isEmpty() || !file->open(QIODevice::ReadOnly))
            throw EIOError(u"Can't read file "_qs + m_inFile);
        stamp = StampOf(*file);
        const auto found = m_fileCache.constFind(m_inFile);
        kept = found != m_fileCache.constEnd() && stamp.size >= 0 && found->stamp == stamp ? found->compiled : nullptr;
    }
    if (kept && kept->Settings() != settings)
        kept.reset();
    if (kept)
        m_templateBytes = kept->Bytes();
    else
        LoadTemplate(file ? &*file : nullptr);
    if (!outStream && IsSameFile(m_outFile, m_inFile))
        throw EIOError(u"Output file \""_qs + m_outFile + u"\" is the template itself"_qs);
    if (!kept) {
        Compile(settings);
        if (m_templateLoaded) {
            m_bufferCompiled = m_compiled;
        } else if (stamp.size >= 0) {
            if (m_fileCache.size() >= MaxCachedTemplates)
                m_fileCache.clear();
            m_fileCache.insert(m_inFile, {stamp, m_compiled});
        }
        return;
    }
    m_compiled = kept;
    if (RTInfo())
        for (const QString &line : kept->TraceLines())
            PrintRTI(line);
}

void TRpRTF::Compile(const TRpCompileSettings &settings)
{
    TRpTemplateCompiler compiler(*this, m_document, [this](const QString &alias) {
        const int index = AliasIndex(alias);
        return index >= 0 && index < int(m_runDataSets.size());
    });
    try {
        m_compiled = compiler.Compile(m_templateBytes, settings);
    } catch (...) {
        m_compiled.reset();
        if (compiler.FailurePnt() > 0)
            LocateFailure(compiler.FailurePnt());
        throw;
    }
}

// Finds the field that stands at pnt by reading the template again, with a
// compiler of its own, so that the failed run's state is left as it is.
// Called while the failure is handled: a failure of its own is dropped,
// never reported instead of the run's.
void TRpRTF::LocateFailure(int pnt)
{
    if (m_lastErrPlace.IsKnown() || m_templateBytes.isEmpty())
        return;
    try {
        TRpRtfDocument document;
        PrepareDocument(document);
        TRpTemplateCompiler reader(*this, document, [](const QString &) { return true; });
        m_lastErrPlace = reader.PlaceOfField(m_templateBytes, pnt);
    } catch (...) {
        m_lastErrPlace = {};
    }
}

// --- data sets ---------------------------------------------------------------------

void TRpRTF::RegisterDataSets(const std::vector<TRpDataSet *> &dataSets)
{
    m_runDataSets = dataSets;
    m_runDataSetNames.clear();
    for (int i = 0; i < int(dataSets.size()); ++i)
        m_runDataSetNames.emplace_back(dataSets[i] ? dataSets[i]->Name().trimmed().toUpper() : QString(), i);
}

int TRpRTF::AliasIndex(const QString &alias) const
{
    const QString text = alias.trimmed().toUpper();
    if (text.isEmpty())
        return -1;
    // A data set's own name comes first; a letter no data set is named
    // stands for the data set at its place in the alphabet.
    for (const auto &[name, index] : m_runDataSetNames)
        if (name == text)
            return index;
    if (text.size() == 1 && text.at(0) >= u'A' && text.at(0) <= u'Z')
        return text.at(0).unicode() - 'A';
    return -1;
}

TRpDataSet *TRpRTF::DataSetByAlias(const QString &alias) const
{
    const int index = AliasIndex(alias);
    return index >= 0 && index < int(m_runDataSets.size()) ? m_runDataSets[index] : nullptr;
}

int TRpRTF::LookupField(const TRpDataSet &dataSet, const QString &fieldText)
{
    const QString text = fieldText.trimmed();
    if (text.startsWith(u'(') && text.endsWith(u')')) {
        const QString digits = text.mid(1, text.size() - 2);
        bool ok = !digits.isEmpty();
        for (const QChar c : digits)
            ok = ok && c >= u'0' && c <= u'9';
        const int index = ok ? digits.toInt(&ok) : -1;
        return ok && index < dataSet.FieldCount() ? index : -1;
    }
    return dataSet.FindField(text);
}

bool TRpRTF::AggregateResetDue() const
{
    return !m_runner || m_runner->AggregateResetDue();
}

// --- a run ---------------------------------------------------------------------------

// The engine's settings for a document, over the header tables it holds.
void TRpRTF::PrepareDocument(TRpRtfDocument &document) const
{
    document.ProcessLists = Options().testFlag(eoProcessLists);
    document.UniqueLists = Options().testFlag(eoUniqueLists);
    document.UnicodeByDefault = m_unicodeByDefault;
    document.Charset = m_charset;
    document.m_rtfStyleMode = m_rtfStyleMode;
    document.m_inTable = false;
}

void TRpRTF::ProcessTemplate(QIODevice *outStream)
{
    const auto release = qScopeGuard([this] { ReleaseRun(); });
    m_document.ResetTables();
    PrepareDocument(m_document);
    ObtainCompiled(outStream, CompileSettings());
    m_document = m_compiled->Header();
    PrepareDocument(m_document);

    TRpTemplateRunner runner(*this, *m_compiled, m_document);
    m_runner = &runner;
    try {
        runner.BindDataSets();
        if (qobject_cast<QBuffer *>(outStream)) {
            m_bodyStream = std::make_unique<QBuffer>();
            m_bodyStream->open(QIODevice::ReadWrite);
        } else {
            m_bodyFileName = CreateTmpFileName(QStringLiteral("rpr"));
            auto file = std::make_unique<QFile>(m_bodyFileName);
            // The file is new and empty. Truncating it anyway would make the
            // file system write the whole body out to disk when it is closed.
            if (!file->open(QIODevice::ReadWrite))
                throw EIOError(u"Can't create file "_qs + m_bodyFileName + u": "_qs + file->errorString());
            m_bodyStream = std::move(file);
        }
        m_document.SetOutput(m_bodyStream.get());
        runner.Run(m_bodyStream.get());
    } catch (...) {
        if (runner.FailurePnt() > 0)
            LocateFailure(runner.FailurePnt());
        throw;
    }

    if (outStream) {
        outStream->seek(0);
        runner.Assemble(outStream);
        CheckOutputSize(outStream->size());
        outStream->seek(0);
        return;
    }
    WriteOutputFile(runner);
}

void TRpRTF::CheckOutputSize(qint64 size) const
{
    if (m_maxOutputSize > 0 && size > m_maxOutputSize)
        throw EIOError(u"The report is larger than the output limit of "_qs + QString::number(m_maxOutputSize)
                       + u" bytes"_qs);
}

// The document goes to a scratch file beside OutFile, which replaces it only
// once complete: a failed run leaves the previous document as it was. A
// symbolic link at OutFile is refused; a device or a pipe named as the
// output is written directly (TRpOutputFile).
void TRpRTF::WriteOutputFile(TRpTemplateRunner &runner)
{
    TRpOutputFile output(m_outFile);
    if (!output.Open())
        throw EIOError(u"Cannot create file \""_qs + m_outFile + u"\". "_qs + output.ErrorString());
    runner.Assemble(&output.Device());
    CheckOutputSize(output.Device().size());
    FlushDevice(&output.Device(), "Can't write report results: ");
    if (!output.Commit())
        throw EIOError(u"Can't write report results: "_qs + output.ErrorString());
}

bool TRpRTF::IsSameFile(const QString &first, const QString &second)
{
    struct stat a {}, b {};
    return !first.isEmpty() && !second.isEmpty() && ::stat(QFile::encodeName(first).constData(), &a) == 0
           && ::stat(QFile::encodeName(second).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void TRpRTF::ReleaseRun()
{
    m_runner = nullptr;
    m_document.SetOutput(nullptr);
    if (m_bodyStream)
        m_bodyStream->close();
    m_bodyStream.reset();
    if (!m_bodyFileName.isEmpty())
        QFile::remove(m_bodyFileName);
    m_bodyFileName.clear();
    if (!m_templateLoaded)
        m_templateBytes.clear();
}

void TRpRTF::RecordFailure(std::exception_ptr failure, const std::function<void()> &restoreControls)
{
    m_executeSuccessful = false;
    try {
        std::rethrow_exception(failure);
    } catch (const ETextError &error) {
        m_lastErrMsg = error.message();
    } catch (const std::bad_alloc &) {
        m_lastErrMsg = QStringLiteral("Not enough memory for the report");
    } catch (const std::exception &error) {
        m_lastErrMsg = QString::fromUtf8(error.what());
    } catch (...) {
        m_lastErrMsg = QStringLiteral("Unknown error.");
    }
    try {
        restoreControls();
    } catch (...) {
        // the failure of the run is the one to report
    }
}

void TRpRTF::RunReport(const std::vector<TRpDataSet *> &dataSets, QIODevice *outStream, bool open, int showCmd)
{
    m_executeSuccessful = true;
    m_lastErrMsg = QStringLiteral("No errors.");
    m_lastErrPlace = {};
    std::vector<bool> controlStatus;
    const auto restoreControls = [&] {
        for (size_t i = 0; i < controlStatus.size(); ++i)
            if (dataSets[i] && !controlStatus[i])
                dataSets[i]->EnableControls();
        controlStatus.clear();
    };
    try {
        if (m_disableControls) {
            for (TRpDataSet *dataSet : dataSets) {
                controlStatus.push_back(dataSet ? dataSet->ControlsDisabled() : true);
                // Held once more only when not held already, so none is left behind.
                if (dataSet && !dataSet->ControlsDisabled())
                    dataSet->DisableControls();
            }
        }
        SetExecuting(true);
        const auto idle = qScopeGuard([this] { SetExecuting(false); });
        RegisterDataSets(dataSets);
        ProcessTemplate(outStream);
    } catch (...) {
        RecordFailure(std::current_exception(), restoreControls);
        throw;
    }
    try {
        if (open) {
            const int result = ShellOpenFile(m_outFile, showCmd);
            if (result <= 32)
                throw EIOError(u"Failed to open report results. Error message: "_qs + ShellResultText(result));
        }
        if (OnFinished)
            OnFinished(this);
        restoreControls();
    } catch (...) {
        RecordFailure(std::current_exception(), restoreControls);
        throw;
    }
}

void TRpRTF::Execute(const std::vector<TRpDataSet *> &dataSets)
{
    RunReport(dataSets, nullptr, false, 0);
}

void TRpRTF::ExecuteOpen(const std::vector<TRpDataSet *> &dataSets, int showCmd)
{
    RunReport(dataSets, nullptr, true, showCmd);
}

void TRpRTF::ExecuteStream(const std::vector<TRpDataSet *> &dataSets, QIODevice *outStream)
{
    if (!outStream)
        throw EIOError(QStringLiteral("No output stream given"));
    RunReport(dataSets, outStream, false, 0);
}

// --- files and the shell ---------------------------------------------------------------

int TRpRTF::ShellOpenFile(const QString &fileName, int showCmd)
{
    return ShellOpen ? ShellOpen(fileName, showCmd) : 31;
}

QString TRpRTF::ShellResultText(int result)
{
    switch (result) {
    case 0: return QStringLiteral("The operating system is out of memory or resources.");
    case 2: return QStringLiteral("The specified file was not found.");
    case 3: return QStringLiteral("The specified path was not found.");
    case 5: return QStringLiteral("The operating system denied access to the specified file.");
    case 8: return QStringLiteral("There was not enough memory to complete the operation.");
    case 11: return QStringLiteral("The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).");
    case 26: return QStringLiteral("A sharing violation occurred.");
    case 27: return QStringLiteral("The filename association is incomplete or invalid.");
    case 28: return QStringLiteral("The DDE transaction could not be completed because the request timed out.");
    case 29: return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral(
            "The DDE transaction could not be completed because other DDE transactions were being processed.");
    case 31: return QStringLiteral("There is no application associated with the given filename extension.");
    case 32: return QStringLiteral("The specified dynamic-link library was not found.");
    default: return QStringLiteral("Reason unknown.");
    }
}

QString TRpRTF::CreateFileName(const QString &directory, const QString &prefix)
{
    return CreateFileName(directory, prefix, QStringLiteral(".doc"));
}

QString TRpRTF::CreateFileName(const QString &directory, const QString &prefix, const QString &extension)
{
    QString folder = directory;
    if (!folder.isEmpty()) {
        if (!QFileInfo(folder).isDir())
            throw EIOError(u"CreateFileName: directory "_qs + directory + u" does not exist"_qs);
        if (!folder.endsWith(u'/'))
            folder += u'/';
    }
    static QElapsedTimer ticks = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    const quint64 tickCount = quint64(QDateTime::currentMSecsSinceEpoch()) + quint64(ticks.elapsed());
    // Not seeded from the clock: two names asked for within one millisecond
    // would otherwise be the same name.
    const quint32 number = QRandomGenerator::global()->bounded(65535u);
    QString suffix = extension;
    if (!suffix.isEmpty() && !suffix.startsWith(u'.'))
        suffix.prepend(u'.');
    return folder + prefix + QString::number(tickCount, 16).toUpper()
           + QStringLiteral("%1").arg(number, 4, 16, QLatin1Char('0')).toUpper() + suffix;
}

} // namespace rtfreport
