#pragma once
// What the company and counterparty lists share: the grid over the list
// query in the window's own transaction, the actions and their states,
// reopening the list after a change at the row that belongs there, the
// delete that the database may refuse, choosing a row and the incremental
// search by the first name line.

#include "database.h"
#include "datagrid.h"
#include "masterdata.h"

#include <QAction>
#include <QDialog>

class QKeyEvent;
class QToolButton;

namespace masterdata {

// A column of the list query that the grid keeps but does not show.
ui::GridColumn hiddenColumn(const char *field);

class MasterListWindow : public QDialog {
    Q_OBJECT
public:
    int Wynik = 0;       // the identifier chosen with "Wybierz"
    QString lokSzukana;  // prefix of the incremental search

    QAction *const actDodaj;
    QAction *const actPopraw;
    QAction *const actPokaz;
    QAction *const actKasuj;
    QAction *const actWybierz;
    QAction *const actWyjscie;

    int rowCount() const;
    // The identifier of the current row; 0 when there is none.
    int currentId() const;

protected:
    // `idField` is the key column; `caption` the window's own, which the
    // incremental search extends.
    MasterListWindow(const ui::Context &context, const QString &caption, const QString &idField, QWidget *parent);

    // Columns, and the config.ini section that keeps their layout.
    void setColumns(const QList<ui::GridColumn> &columns, const QString &layoutSection);
    // A button that shows and carries out `action`.
    QToolButton *buttonFor(QAction *action);

    // Opens the details dialog for `row`, or for a new row when `row` is -1;
    // on OK puts what the dialog holds into the parameters of `target`
    // (none in show mode). True when the dialog was closed with OK.
    virtual bool editDetails(int row, bool showMode, db::Statement *target) = 0;
    // Sets the list query's parameters before every opening.
    virtual void bindListParameters() {}
    // The actions that need a row; disabled while the list is empty.
    virtual QList<QAction *> rowActions() const;
    // Sets `Wynik` from the current row and closes with the OK result.
    virtual void choose();
    // What a double click on the list does.
    virtual void doubleClicked();

    // Opens the list query into the grid; the first row becomes current.
    void openList();
    // Opens the list again and makes the row with `id` current (the first
    // row stays current when it is not listed).
    void reopenAtId(int id);
    // Opens the list again at the same place: the row at `row`, or the last.
    void reopenAtRow(int row);
    bool locateId(int id);
    void updateActionStates();
    // Runs an insert, update or delete and commits it at once.
    void runChange(db::Statement &statement);
    // Asks `question`; deletes the current row; a refusal by the database
    // shows `refusal` and is rolled back. The list then opens at the same place.
    void deleteCurrent(const QString &question, const QString &refusal);

    const app::RecordSet &records() const { return listModel.records(); }
    int currentRow() const { return dbgList->currentRow(); }
    bool hasCurrentRow() const { return currentRow() >= 0; }

    void keyPressEvent(QKeyEvent *event) override;

    const ui::Context m_context;
    ui::DataGrid *const dbgList;
    ui::RecordModel listModel;
    db::Transaction ibtList;
    db::Statement ibqList;
    db::Statement ibqListInsert;  // returns the new row's identifier
    db::Statement ibqListUpdate;  // takes the key as :idfirma, :idkontrahent
    db::Statement ibqListDelete;

private:
    void addRow();
    void correctRow();
    void showRow();
    void keyTyped(QKeyEvent *event);
    void locateNamePrefix(const QString &prefix);
    void rollbackQuietly() noexcept;

    const QString m_caption;
    const QString m_idField;
};

} // namespace masterdata
