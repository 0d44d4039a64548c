#include "firma.h"

#include "formatting.h"
#include "partytexts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace masterdata {

namespace {

const QString kIdFirma = QStringLiteral("IDFIRMA");

QList<ui::GridColumn> companyColumns()
{
    return {
        {QStringLiteral("NAZWA1"), QStringLiteral("Nazwa"), Qt::AlignLeft, 220},
        {QStringLiteral("NAZWA2"), QString(), Qt::AlignLeft, 160},
        {QStringLiteral("ULICA"), QStringLiteral("Ulica"), Qt::AlignLeft, 150},
        {QStringLiteral("NUMERDOMU"), QStringLiteral("Nr"), Qt::AlignLeft, 50},
        {QStringLiteral("MIEJSCOWOSC"), QStringLiteral("Miejscowość"), Qt::AlignLeft, 140},
        hiddenColumn("IDFIRMA"),
        hiddenColumn("KODPOCZTOWY"),
        hiddenColumn("NIP"),
        hiddenColumn("TELEFON"),
        hiddenColumn("INNE"),
        hiddenColumn("KRAJ"),
        hiddenColumn("SYSTEMNUMERACJI"),
        hiddenColumn("NRMIESIECZNA"),
    };
}

} // namespace

TfrmFirma::TfrmFirma(const ui::Context &context, bool choosing, QWidget *parent)
    : MasterListWindow(context, QStringLiteral("Firmy"), kIdFirma, parent)
{
    resize(760, 420);
    ibqFirmaInsert.setSql(QStringLiteral(
        "INSERT INTO FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, KRAJ, TELEFON, "
        "SYSTEMNUMERACJI, NRMIESIECZNA) values (:nazwa1, :nazwa2, :ulica, :numerdomu, :miejscowosc, "
        ":kodpocztowy, :nip, :kraj, :telefon, :systemnumeracji, :nrmiesieczna) returning IDFIRMA"));
    ibqFirmaUpdate.setSql(QStringLiteral(
        "UPDATE FIRMA set NAZWA1=:nazwa1, NAZWA2=:nazwa2, ULICA=:ulica, NUMERDOMU=:numerdomu, "
        "MIEJSCOWOSC=:miejscowosc, KODPOCZTOWY=:kodpocztowy, NIP=:nip, KRAJ=:kraj, TELEFON=:telefon, "
        "SYSTEMNUMERACJI=:systemnumeracji, NRMIESIECZNA=:nrmiesieczna where IDFIRMA=:idfirma"));
    ibqFirma.setSql(QStringLiteral("select * from FIRMA order by nazwa1,nazwa2"));
    ibqFirmaDelete.setSql(QStringLiteral("DELETE FROM FIRMA WHERE IDFIRMA=:ID"));
    setColumns(companyColumns(), QStringLiteral("frmFirma.dbgFirma"));

    actWyjscie->setShortcut(Qt::Key_Escape);
    actWybierz->setVisible(choosing);
    connect(actKasuj, &QAction::triggered, this, &TfrmFirma::actKasujExecute);

    QToolButton *wybierz = buttonFor(actWybierz);
    QFont bold = wybierz->font();
    bold.setBold(true);
    wybierz->setFont(bold);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(buttonFor(actDodaj));
    buttons->addWidget(buttonFor(actPopraw));
    buttons->addWidget(wybierz);
    buttons->addWidget(buttonFor(actWyjscie));
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(dbgFirma);
    layout->addLayout(buttons);

    openList();
    updateActionStates();
}

void TfrmFirma::doubleClicked()
{
    // A double click chooses even on an empty list; the result 0 then
    // means nothing was chosen.
    if (actWybierz->isVisible())
        choose();
}

CompanyFields TfrmFirma::fieldsOfRow(int row) const
{
    if (row < 0)
        return {{}, QStringLiteral("NN"), false};
    return {partyTextsOfRow(records(), row), records().text(row, QStringLiteral("SYSTEMNUMERACJI")),
            app::FlagFromText(records().text(row, QStringLiteral("NRMIESIECZNA")))};
}

bool TfrmFirma::editDetails(int row, bool showMode, db::Statement *target)
{
    CompanyFields fields = fieldsOfRow(row);
    if (!EditCompany(fields, showMode, m_context.prompts, this))
        return false;
    if (target) {
        bindPartyTexts(*target, fields.texts);
        target->setText(QStringLiteral("systemnumeracji"), fields.systemNumeracji);
        target->setText(QStringLiteral("nrmiesieczna"), app::FlagToText(fields.nrMiesieczna));
    }
    return true;
}

void TfrmFirma::actKasujExecute()
{
    if (rowCount() < 2) {
        m_context.prompts.error(QStringLiteral("Nie można usunąć jedynej (ostatniej) firmy !"));
        return;
    }
    deleteCurrent(QStringLiteral("Czy usunąć zaznaczoną firmę ?"), QStringLiteral("Nie można usunąć tej firmy !"));
}

int ShowCompanyList(const ui::Context &context, bool choosing, QWidget *parent)
{
    TfrmFirma window(context, choosing, parent ? parent : QApplication::activeWindow());
    return window.exec() == QDialog::Accepted ? window.Wynik : 0;
}

} // namespace masterdata
