#pragma once
// The filter dialog: recipient, dates, both amount ranges and a fragment of
// the text that narrow the notes list.

#include "context.h"
#include "environment.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace ui {
class AmountEdit;
class DateEdit;
class ListOnlyEdit;
} // namespace ui

namespace notes {

class TfrmFiltr : public QDialog {
    Q_OBJECT
public:
    // The dialog's results beside Accepted (1) and Rejected (0).
    static constexpr int kRemoveFilter = 3;
    static constexpr int kTextLength = 250;

    explicit TfrmFiltr(const ui::Context &context, QWidget *parent = nullptr);

    void setFilter(const app::FilterState &filter);
    app::FilterState filter() const;

    ui::ListOnlyEdit *edtKontrahent;
    QPushButton *bbtnListaKontrahent;
    ui::DateEdit *dedtDataOd;
    ui::DateEdit *dedtDataDo;
    ui::AmountEdit *rxceObciazylismyOD;
    ui::AmountEdit *rxceObciazylismyDO;
    ui::AmountEdit *rxceUznalismyOD;
    ui::AmountEdit *rxceUznalismyDO;
    QLineEdit *edtTresc;
    QPushButton *bbtnOK;
    QPushButton *bbtnAnuluj;
    QPushButton *bbtnUsunFiltr;

    int IDKontrahent = 0;

public slots:
    void accept() override;

private:
    void setCounterparty(int idKontrahent);

    const ui::Context m_context;
};

// Shows the dialog filled from `filter`. 1: OK, `filter` now holds the
// dialog's values; 2: "Usuń filtr"; 0: cancelled. Only 1 changes `filter`.
int ShowFilterDialog(const ui::Context &context, app::FilterState &filter, QWidget *parent = nullptr);

} // namespace notes
