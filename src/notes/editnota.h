#pragma once
// The position dialog: one position of a note entered, corrected or shown.

#include "context.h"
#include "notepositions.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace ui {
class AmountEdit;
class DateEdit;
class ListOnlyEdit;
class NumberEdit;
class PlainTextLimit;
} // namespace ui

namespace notes {

class TfrmEditNota : public QDialog {
    Q_OBJECT
public:
    static constexpr qsizetype kTextLength = 200;

    explicit TfrmEditNota(const ui::Context &context, QWidget *parent = nullptr);

    // Fills the dialog: mode 1 a new note or an existing position, mode 2 a
    // further position of a note (number and date fixed); `preview` shows
    // the position without letting anything change. A number of 0 is
    // proposed from the date, and again whenever the date changes.
    void setPosition(int mode, const app::NotePosition &position, bool preview);
    app::NotePosition position() const;
    // True when the number is the one the date proposed.
    bool numberWasProposed() const;

    ui::NumberEdit *rxseNumer;
    ui::ListOnlyEdit *edtKontrahent;
    QPushButton *bbtnListaKontrahent;
    ui::DateEdit *dedtData;
    ui::AmountEdit *rxceObciazylismy;
    ui::AmountEdit *rxceUznalismy;
    QPushButton *bbtnListaOpisow;
    QPlainTextEdit *memTresc;
    QPushButton *bbtnOK;
    QPushButton *bbtnAnuluj;

    int IDKontrahent = 0;
    bool SzukajNumeru = false;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setCounterparty(int idKontrahent);
    void applyOkRule();
    void dateChanged();
    void chooseCounterparty();
    void chooseText();
    // False when the date lies more than a year from today and the user,
    // asked, did not want it saved.
    bool distantDateConfirmed();

    const ui::Context m_context;
    // The date is questioned only where the user gives it: not in preview
    // nor for a further position, whose date is its note's.
    bool m_dateIsEntered = true;
    int m_filledDate = 0;  // the date the dialog was filled with
    int m_proposedNumber = 0;  // the number the date proposed last; 0: none
    ui::PlainTextLimit *m_textLimit = nullptr;  // of memTresc, as stored
};

// Shows the dialog modally. True when closed with OK: `position` then holds
// the dialog's values, and `numberProposed` (when given) whether the number
// is the proposed one. Otherwise nothing changes.
bool EditNotePosition(const ui::Context &context, int mode, app::NotePosition &position, bool preview,
                      QWidget *parent = nullptr, bool *numberProposed = nullptr);

} // namespace notes
