#pragma once
// The pick list: the lines of a text file to choose one from, kept up to
// date as lines are added, corrected and deleted. The note dialog takes its
// stored texts ("Opisy.txt") from it.

#include "context.h"
#include "picklistfile.h"

#include <QAction>
#include <QDialog>

class QListWidget;
class QPushButton;

namespace masterdata {

// The pick list of the file at `path`, modal, with the window caption and
// size. The value of the chosen line when closed with "Wybierz", otherwise
// the empty text.
QString ShowPickList(const ui::Context &context, const QString &caption, const QString &path, int width, int height,
                     QWidget *parent = nullptr);

class TfrmListaWyboru : public QDialog {
    Q_OBJECT
public:
    // Reads the file; one that cannot be read is reported and left alone.
    TfrmListaWyboru(const ui::Context &context, const QString &caption, const QString &path,
                    QWidget *parent = nullptr);

    const QString SciezkaDoPliku;
    QString Wybrany;     // the value of the chosen line
    QString lokSzukane;  // the last search phrase

    QListWidget *const lbLista;
    QAction *const actNowy;
    QAction *const actPopraw;
    QAction *const actusun;
    QAction *const actPelnaEdycja;
    QAction *const actWybierz;
    QAction *const actZamknij;
    QPushButton *const bbtnSzukaj;

    QStringList lines() const;
    // The selected line, -1 for none (the current line need not be selected).
    int selectedRow() const;
    void selectRow(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void actNowyExecute();
    void actPoprawExecute();
    void actusunExecute();
    void bbtnSzukajClick();
    void actPelnaEdycjaExecute();
    void actWybierzExecute();
    // The selected line; with none, shows `complaint` and gives -1.
    int selectedRowOrSay(const QString &complaint);
    void save();

    const ui::Context m_context;
    app::PickListFile m_file;
};

} // namespace masterdata
