#include "filtr.h"

#include "edits.h"
#include "lengthlimit.h"
#include "mainwindow.h"
#include "masterdata.h"
#include "notesquery.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace notes {

TfrmFiltr::TfrmFiltr(const ui::Context &context, QWidget *parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("frmFiltr"));
    setWindowTitle(QStringLiteral(" Filtrowanie not księgowych"));
    setModal(true);

    edtKontrahent = new ui::ListOnlyEdit(this);
    edtKontrahent->setMinimumWidth(380);
    bbtnListaKontrahent = new QPushButton(QStringLiteral("&Lista"), this);
    dedtDataOd = new ui::DateEdit(this);
    dedtDataDo = new ui::DateEdit(this);
    rxceObciazylismyOD = new ui::AmountEdit(this);
    rxceObciazylismyDO = new ui::AmountEdit(this);
    rxceUznalismyOD = new ui::AmountEdit(this);
    rxceUznalismyDO = new ui::AmountEdit(this);
    edtTresc = new QLineEdit(this);
    ui::limitLength(edtTresc, kTextLength, m_context.prompts);
    edtTresc->setValidator(new ui::UpperCaseValidator(edtTresc));

    auto *grid = new QGridLayout;
    grid->addWidget(ui::labelFor(QStringLiteral("&Odbiorca"), edtKontrahent), 0, 0);
    grid->addWidget(edtKontrahent, 0, 1, 1, 3);
    grid->addWidget(bbtnListaKontrahent, 0, 4);
    grid->addWidget(ui::labelFor(QStringLiteral("&Data OD"), dedtDataOd), 1, 0);
    grid->addWidget(dedtDataOd, 1, 1);
    grid->addWidget(ui::labelFor(QStringLiteral("Dat&a DO"), dedtDataDo), 1, 2);
    grid->addWidget(dedtDataDo, 1, 3);
    grid->addWidget(ui::labelFor(QStringLiteral("O&bciążyliśmy OD"), rxceObciazylismyOD), 2, 0);
    grid->addWidget(rxceObciazylismyOD, 2, 1);
    grid->addWidget(ui::labelFor(QStringLiteral("Obc&iążyliśmy DO"), rxceObciazylismyDO), 2, 2);
    grid->addWidget(rxceObciazylismyDO, 2, 3);
    grid->addWidget(ui::labelFor(QStringLiteral("&Uznaliśmy OD"), rxceUznalismyOD), 3, 0);
    grid->addWidget(rxceUznalismyOD, 3, 1);
    grid->addWidget(ui::labelFor(QStringLiteral("Uz&naliśmy DO"), rxceUznalismyDO), 3, 2);
    grid->addWidget(rxceUznalismyDO, 3, 3);
    grid->addWidget(ui::labelFor(QStringLiteral("&Treść (lub jej fragment)"), edtTresc), 4, 0);
    grid->addWidget(edtTresc, 4, 1, 1, 4);

    bbtnOK = new QPushButton(QStringLiteral("OK"), this);
    bbtnOK->setDefault(true);
    bbtnAnuluj = new QPushButton(QStringLiteral("Anuluj"), this);
    bbtnUsunFiltr = new QPushButton(QStringLiteral("Usuń &filtr"), this);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(bbtnOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(bbtnAnuluj, QDialogButtonBox::RejectRole);
    buttons->addButton(bbtnUsunFiltr, QDialogButtonBox::ResetRole);
    connect(bbtnOK, &QPushButton::clicked, this, &TfrmFiltr::accept);
    connect(bbtnAnuluj, &QPushButton::clicked, this, &QDialog::reject);
    connect(bbtnUsunFiltr, &QPushButton::clicked, this, [this] { done(kRemoveFilter); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The buttons as they stand: "Usuń filtr" at the left, OK and "Anuluj" at the right.
    ui::setTabOrder({edtKontrahent, bbtnListaKontrahent, dedtDataOd, dedtDataDo, rxceObciazylismyOD,
                     rxceObciazylismyDO, rxceUznalismyOD, rxceUznalismyDO, edtTresc, bbtnUsunFiltr, bbtnOK,
                     bbtnAnuluj});

    connect(edtKontrahent, &ui::ListOnlyEdit::typedInto, this,
            [this] { m_context.prompts.error(ui::listOnlyMessage()); });
    connect(bbtnListaKontrahent, &QPushButton::clicked, this,
            [this] {
                setCounterparty(masterdata::ShowCounterpartyList(m_context, true, this));
                if (IDKontrahent != 0)
                    dedtDataOd->setFocus();
            });
}

void TfrmFiltr::setFilter(const app::FilterState &filter)
{
    setCounterparty(filter.idKontrahent);
    dedtDataOd->setDayNumber(filter.dateFrom);
    dedtDataDo->setDayNumber(filter.dateTo);
    rxceObciazylismyOD->setValue(filter.debitFrom);
    rxceObciazylismyDO->setValue(filter.debitTo);
    rxceUznalismyOD->setValue(filter.creditFrom);
    rxceUznalismyDO->setValue(filter.creditTo);
    edtTresc->setText(filter.text);
}

app::FilterState TfrmFiltr::filter() const
{
    app::FilterState result;
    result.idKontrahent = IDKontrahent;
    result.dateFrom = dedtDataOd->dayNumber();
    result.dateTo = dedtDataDo->dayNumber();
    result.debitFrom = rxceObciazylismyOD->value().value_or(0);
    result.debitTo = rxceObciazylismyDO->value().value_or(0);
    result.creditFrom = rxceUznalismyOD->value().value_or(0);
    result.creditTo = rxceUznalismyDO->value().value_or(0);
    result.text = edtTresc->text();
    return result;
}

void TfrmFiltr::setCounterparty(int idKontrahent)
{
    IDKontrahent = idKontrahent;
    edtKontrahent->setText(idKontrahent == 0 ? QString() : m_context.data.CounterpartyName(idKontrahent));
    edtKontrahent->setCursorPosition(0);
}

void TfrmFiltr::accept()
{
    if (ui::datesAreValid(m_context.prompts, {dedtDataOd, dedtDataDo})
        && ui::amountsAreValid(m_context.prompts, {{rxceObciazylismyOD, QStringLiteral("Obciążyliśmy OD")},
                                                {rxceObciazylismyDO, QStringLiteral("Obciążyliśmy DO")},
                                                {rxceUznalismyOD, QStringLiteral("Uznaliśmy OD")},
                                                {rxceUznalismyDO, QStringLiteral("Uznaliśmy DO")}}))
        QDialog::accept();
}

int ShowFilterDialog(const ui::Context &context, app::FilterState &filter, QWidget *parent)
{
    TfrmFiltr dialog(context, parent ? parent : QApplication::activeWindow());
    dialog.setFilter(filter);
    switch (dialog.exec()) {
    case QDialog::Accepted:
        filter = dialog.filter();
        return 1;
    case TfrmFiltr::kRemoveFilter:
        return 2;
    default:
        return 0;
    }
}

void TfrmMain::actFiltrExecute()
{
    switch (ShowFilterDialog(m_context, m_env.filter, this)) {
    case 1:
        m_env.listQueryText = app::filteredNotesQuery(m_env.filter);
        OpenNotesList();
        statusPanel0->setText(QStringLiteral(" Filtrowane"));
        break;
    case 2:
        m_env.listQueryText = app::unfilteredNotesQuery();
        OpenNotesList();
        statusPanel0->setText(QStringLiteral(" "));
        break;
    default:
        return;
    }
    UpdateActions();
}

} // namespace notes
