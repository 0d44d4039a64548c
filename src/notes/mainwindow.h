#pragma once
// The main window: the register of note positions of the current company,
// its commands, and the refresh when another copy of the program changes
// the notes.

#include "context.h"
#include "datagrid.h"
#include "events.h"
#include "notepositions.h"
#include "printouts.h"
#include "notesdataset.h"
#include "noteslist.h"
#include "rprtf.h"

#include <QMainWindow>

#include <memory>

namespace db {
class DbError;
}
namespace service {
struct ArchiveWindow;
}

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;

namespace notes {

// The engine's shell requests, handed to `shell`.
rtfreport::TRpShellOpen engineShellOpen(app::Shell &shell);

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(const ui::Context &context, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // Shows the current company and (re)opens the list on its last row.
    void OpenNotesList();
    // Enables the commands for the list's state; applies the double-row setting.
    void UpdateActions();
    // Narrows the list to the positions of the current row's note, on its last row.
    void OpenCurrentNote();
    // Days between the first and the last row's dates; the current row stays.
    int ListDateSpan();

    // The commands on note positions.
    void actDodajExecute();
    void actPoprawExecute();
    void actPokazExecute();
    void actKasujExecute();
    void actFiltrExecute();
    void actUpExecute();
    void actDownExecute();
    // Stores a new position of the current company (the second half of
    // "Dodaj") and shows the list again on it.
    void storeNewPosition(const app::NotePosition &position, bool numberWasProposed);
    // "Drukuj" and "Zestawienie not": the print question, then the printout.
    void actDrukujExecute();
    void actRejestrNotExecute();
    // Makes the printout of `kind` and hands it to the shell to print or
    // open (by the last answer to the print question). The full list comes
    // back on the same row whatever happens.
    void RunPrintout(print::PrintoutKind kind);
    // "Zapisz notę jako PDF…": the note's printout turned into a PDF the
    // user names.
    void actZapiszPdfExecute();
    // Writes the printout of `kind` into its output file; false (the user
    // has been told) when it could not. The list is left as the run needs
    // it: the caller brings the full list back.
    bool producePrintout(print::PrintoutKind kind);
    // "Archiwizacja" and "Dearchiwizacja" (menu "Pomoc").
    void Archiwizacja1Click();
    void Dearchiwizacja1Click();

    // Writes a position's values over row `idNota` and reopens the list on
    // its last row. False when the database refused it or the row is gone
    // (the user has been told).
    bool UpdatePosition(qint32 idNota, const app::NotePosition &position);

    // The current row, or nullptr for an empty list.
    const NoteRow *currentNote() const;
    // On "OdswiezNota": commits the list's transaction and reopens the list
    // on the row it was on. Nothing happens without an open, non-empty list.
    void IBEvents1EventAlert(int count = 1);
    NotesListModel *notesModel() const { return m_model; }
    // Hears the commits of other copies; null before the database is open.
    const db::EventListener *refreshListener() const { return IBEvents1.get(); }
    // The list as the printouts' data set, starting on the grid's row; the
    // grid follows its moves.
    NotesDataSet listDataSet();

    // Notes list commands.
    QAction *actDodaj, *actPopraw, *actPokaz, *actKasuj, *actDrukuj, *actFiltr, *actRejestrNot, *actUp, *actDown,
        *actZmianaFirmy;
    // Menu items.
    QAction *actOdbiorcy, *actWierszPodwojny, *actPodrecznik, *actStronaInternetowa, *actFolderWydrukow,
        *actArchiwizacja, *actDearchiwizacja, *actWyjscie, *actZapiszPdf;

    ui::DataGrid *XDBGrid1;
    QLabel *statusPanel0;  // filter state
    QLabel *statusPanel1;  // current company
    QLabel *pnlBanner;     // "Proszę wybrać firmę"
    QPlainTextEdit *Memo1; // the archive's and restore's log, over the list while they run

    db::Transaction ibtNota;
    db::Statement ibqNota;
    app::NotePositions positions{ibtNota};  // ibqNotaInsert, ibqNotaUpdate, ibqNotaDelete
    rtfreport::TRpRTF RpRTF1;               // the printouts' report engine

signals:
    // The list was (re)opened or refreshed.
    void listOpened();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void createActions();
    void createMenus();
    void createCentralArea();
    void validateCurrentCompany();
    // Runs the list query with the given text and selects `row` (-1: the last).
    void loadList(const QString &sql, const std::function<void(db::Statement &)> &bind, int row = -1);
    void selectRowOf(qint32 idNota, int fallbackRow);
    // The list opened again as it stands, on the row of `idNota` when it is
    // still listed, else on `fallbackRow` (kept within the list).
    void reopenAt(qint32 idNota, int fallbackRow);
    // The values of a listed row as the position dialog takes them.
    app::NotePosition positionOfRow(const NoteRow &row) const;
    // Moves the current position one place within its note: -1 up, +1 down.
    void movePosition(int step);
    // Shows a failure of the database; a lost connection is offered to be
    // made again. True when the list can be read again.
    bool showDatabaseError(const db::DbError &error);
    // After a new attachment: events are asked for on it.
    void listenAgain();
    // Sets the engine up once: code page, language, options, pictures, the shell.
    void configureEngine();
    void actZmianaFirmyExecute();
    void actWierszPodwojnyExecute();
    void placeBanner();
    // What the archive commands use of this window.
    service::ArchiveWindow archiveWindow();

    const ui::Context m_context;
    app::Environment &m_env;
    app::TDataModule1 &m_data;
    NotesListModel *m_model;
    std::function<void(db::Statement &)> m_listParameters;  // of the list as last opened
    std::unique_ptr<db::EventListener> IBEvents1;
    bool m_shown = false;
    // The events of this window's own changes that have arrived so far.
    qint64 m_ownChangesHeard = 0;
};

} // namespace notes
