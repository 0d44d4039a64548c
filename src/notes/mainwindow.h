#pragma once
// The main window: the register of note positions of the current company,
// its commands, and the refresh when another copy of the program changes
// the notes.

#include "context.h"
#include "datagrid.h"
#include "events.h"
#include "noteslist.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QMenu;

namespace notes {

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

    // The current row, or nullptr for an empty list.
    const NoteRow *currentNote() const;
    // On "OdswiezNota": commits the list's transaction and reopens the list
    // on the row it was on. Nothing happens without an open, non-empty list.
    void IBEvents1EventAlert();
    NotesListModel *notesModel() const { return m_model; }

    // Notes list commands.
    QAction *actDodaj, *actPopraw, *actPokaz, *actKasuj, *actDrukuj, *actFiltr, *actRejestrNot, *actUp, *actDown,
        *actZmianaFirmy;
    // Menu items.
    QAction *actOdbiorcy, *actWierszPodwojny, *actPodrecznik, *actStronaInternetowa, *actFolderWydrukow,
        *actArchiwizacja, *actDearchiwizacja, *actWyjscie;

    ui::DataGrid *XDBGrid1;
    QLabel *statusPanel0;  // filter state
    QLabel *statusPanel1;  // current company
    QLabel *pnlBanner;     // "Proszę wybrać firmę"

    db::Transaction ibtNota;
    db::Statement ibqNota;

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
    void actZmianaFirmyExecute();
    void actWierszPodwojnyExecute();
    void placeBanner();

    const ui::Context m_context;
    app::Environment &m_env;
    app::TDataModule1 &m_data;
    NotesListModel *m_model;
    std::function<void(db::Statement &)> m_listParameters;  // of the list as last opened
    std::unique_ptr<db::EventListener> IBEvents1;
    bool m_shown = false;
};

} // namespace notes
