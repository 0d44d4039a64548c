// "Drukuj", "Zestawienie not" and "Zapisz notę jako PDF…": the notes list
// handed to the report engine with the printout's variables, the result
// printed, opened or kept as PDF, and the full list brought back.
#include "mainwindow.h"

#include "notesdataset.h"
#include "notesquery.h"
#include "pdfexport.h"
#include "printfunctions.h"
#include "prompts.h"
#include "pytaniewydruk.h"
#include "qimagedecoder.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

namespace notes {

namespace {

constexpr int kEastEuropeCharset = 238;
constexpr int kPolishLanguage = 1045;
constexpr int kLongRegisterDays = 70;

const QString kPreviousStillOpen =
    QStringLiteral("Poprzedni wydruk nie został jeszcze zamknięty. Proszę zamknąć poprzedni wydruk.");

// The engine formats as the rest of the program: the system's conventions
// (Polish ones when the system has chosen none) with the program's fixed
// date format, thousands separator and decimal separator.
rtfreport::TRpFormatSettings engineFormatSettings()
{
    rtfreport::TRpFormatSettings settings = QLocale::system().language() == QLocale::C
                                                ? rtfreport::TRpFormatSettings::Polish()
                                                : rtfreport::TRpFormatSettings::SystemDefault();
    const app::FormatSettings &program = app::formatSettings();
    settings.ShortDateFormat = program.shortDateFormat;
    settings.ThousandSeparator = program.thousandSeparator;
    settings.DecimalSeparator = program.decimalSeparator;
    return settings;
}

// The engine's failure with, on a line of its own, where its field stands
// in the template: what the author looks for in the word processor.
QString engineFailure(const rtfreport::TRpRTF &report, const std::exception &error)
{
    const QString message = QString::fromUtf8(error.what());
    const rtfreport::TRpErrorPlace &place = report.LastErrPlace();
    if (!place.IsKnown() || message != report.LastErrMsg())
        return message;
    return message + QStringLiteral("\r\nMiejsce w szablonie: pole nr ") + QString::number(place.ordinal)
           + QStringLiteral(" „") + place.fieldText + QStringLiteral("” (bajt ")
           + QString::number(place.byteOffset) + QStringLiteral("), ")
           + (place.textBefore.isEmpty() ? QStringLiteral("na początku dokumentu")
                                         : QStringLiteral("po tekście „") + place.textBefore + QStringLiteral("”"));
}

} // namespace

void TfrmMain::configureEngine()
{
    RpRTF1.SetCharset(kEastEuropeCharset);
    RpRTF1.SetLang(kPolishLanguage);
    RpRTF1.SetOptions(rtfreport::TRpRTFOptions(rtfreport::eoGraphicsBinary | rtfreport::eoDotAsColon));
    RpRTF1.SetTrueValue(QStringLiteral("True"));
    RpRTF1.SetFalseValue(QStringLiteral("False"));
    RpRTF1.SetUnicodeByDefault(false);
    RpRTF1.SetDisableControls(true);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        RpRTF1.SetScreenPixelsPerInch(qRound(screen->logicalDotsPerInch()));
    RpRTF1.PictureDecoder = rtfreport::DecodeWithQImage;
    // SLOWNIE and the rest, as mirelo-rtf has them.
    RpRTF1.SetUDFList(&print::printoutFunctions());
    RpRTF1.ShellOpen = engineShellOpen(m_context.shell);
}

void TfrmMain::actDrukujExecute()
{
    const int row = XDBGrid1->currentRow();
    if (row < 0)
        return;
    const QString question = QStringLiteral("Czy drukować notę księgową\r\nnr ")
                             + m_model->numberText(row).trimmed() + QStringLiteral(" ?");
    if (print::AskPrintMode(question, m_env.directPrint, this))
        RunPrintout(print::PrintoutKind::Note);
}

void TfrmMain::actRejestrNotExecute()
{
    QString question = QStringLiteral("Czy na pewno wydrukować zestawienie ?");
    if (!app::IsFilterActive(m_env.listQueryText)) {
        const int span = ListDateSpan();
        if (span > kLongRegisterDays)
            question = QStringLiteral("Wydruk tego zestawienia będzie zawierał\r\nnoty z przedziału czasu aż ")
                       + QString::number(span) + QStringLiteral(" dni !\r\nMożna ograniczyć - przycisk dolny FILTRUJ.");
    }
    if (print::AskPrintMode(question, m_env.directPrint, this))
        RunPrintout(print::PrintoutKind::Register);
}

bool TfrmMain::producePrintout(print::PrintoutKind kind)
{
    // Archiving may have changed the formats for a moment.
    app::ApplyFormatSettings();
    RpRTF1.SetFormatSettings(engineFormatSettings());
    const print::PrintoutFiles files = print::printoutFiles(kind, m_env);
    RpRTF1.SetInFile(files.templatePath);
    RpRTF1.SetOutFile(files.outputPath);
    if (kind == print::PrintoutKind::Note)
        OpenCurrentNote();

    const int row = XDBGrid1->currentRow();
    const NoteRow *current = currentNote();
    RpRTF1.ClearVars();
    RpRTF1.CreateVar(QStringLiteral("WYSTAWIAJACY"), print::issuerBlock(m_env.company));
    RpRTF1.CreateVar(QStringLiteral("BIEZDATA"),
                     QDate::currentDate().toString(app::formatSettings().shortDateFormat));
    RpRTF1.CreateVar(QStringLiteral("MIEJSCE"), m_env.company.miejscowosc.trimmed());
    RpRTF1.CreateVar(QStringLiteral("ODBIORCA"), current ? m_data.CounterpartyAddress(current->idKontrahent) : QString());
    RpRTF1.CreateVar(QStringLiteral("NUMER"), current ? m_model->numberText(row).trimmed()
                                                      : QString());
    RpRTF1.CreateVar(QStringLiteral("DATADOKUM"),
                     current ? m_model->dateText(row).trimmed() : QString());
    RpRTF1.CreateVar(QStringLiteral("FILTR"),
                     app::IsFilterActive(m_env.listQueryText)
                         ? print::filterDescription(m_env.filter, m_data.CounterpartyName(m_env.filter.idKontrahent))
                         : QString());

    // On Linux nothing stops a file from being replaced while a word
    // processor shows it: its lock file tells.
    if (print::isOpenInWordProcessor(files.outputPath)) {
        m_context.prompts.error(kPreviousStillOpen);
        return false;
    }
    if (const QString refusal = print::linkRefusal(files.outputPath); !refusal.isEmpty()) {
        m_context.prompts.error(refusal);
        return false;
    }
    NotesDataSet ibqNotaData = listDataSet();
    ui::BusyCursor busy;
    RpRTF1.Execute({&ibqNotaData});
    return true;
}

NotesDataSet TfrmMain::listDataSet()
{
    return NotesDataSet(*m_model, XDBGrid1->currentRow(), [grid = XDBGrid1](int row) { grid->setCurrentRow(row); });
}

void TfrmMain::RunPrintout(print::PrintoutKind kind)
{
    const int row = XDBGrid1->currentRow();
    QString failure;
    try {
        if (producePrintout(kind)) {
            const QString output = QLatin1Char('"') + RpRTF1.OutFile() + QLatin1Char('"');
            const app::ShellVerb verb = m_env.directPrint ? app::ShellVerb::Print : app::ShellVerb::Open;
            const int result = m_context.shell.request(output, verb, app::WindowState::Maximized);
            // Nothing would happen on the screen: say where the document is.
            if (result < app::kShellSucceeded)
                failure = QStringLiteral("Wydruk zapisano w pliku ") + RpRTF1.OutFile() + QStringLiteral(",\r\nale ")
                          + app::shellFailureReason(output, verb, result);
        }
    } catch (const std::exception &error) {
        failure = QStringLiteral("Nie udało się przygotować wydruku.\r\n") + engineFailure(RpRTF1, error);
    }
    // In every case the full list again, on the same row.
    OpenNotesList();
    XDBGrid1->setCurrentRow(std::min(row, m_model->rowCount() - 1));
    if (!failure.isEmpty())
        m_context.prompts.error(failure);
}

void TfrmMain::actZapiszPdfExecute()
{
    const int row = XDBGrid1->currentRow();
    if (row < 0)
        return;
    const QString number = m_model->numberText(row).trimmed();
    const std::optional<QString> target = m_context.prompts.saveFileName(
        QStringLiteral("Zapisz notę jako PDF"),
        m_env.printFolder + QStringLiteral("/Nota ") + print::fileNameOf(number) + QStringLiteral(".pdf"),
        QStringLiteral("Dokumenty PDF (*.pdf)"));
    if (!target)
        return;
    if (const QString refusal = print::linkRefusal(*target); !refusal.isEmpty()) {
        m_context.prompts.error(refusal);
        return;
    }
    QString failure;
    try {
        if (producePrintout(print::PrintoutKind::Note)) {
            ui::BusyCursor busy;
            failure = print::convertToPdf(RpRTF1.OutFile(), *target);
        }
    } catch (const std::exception &error) {
        failure = engineFailure(RpRTF1, error);
    }
    OpenNotesList();
    XDBGrid1->setCurrentRow(std::min(row, m_model->rowCount() - 1));
    if (!failure.isEmpty())
        m_context.prompts.error(failure);
    else if (QFileInfo::exists(*target))
        m_context.prompts.information(QStringLiteral("Nota nr ") + number + QStringLiteral(" została zapisana w pliku\r\n")
                                      + *target);
}

} // namespace notes
