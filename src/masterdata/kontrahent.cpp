#include "kontrahent.h"

#include "formatting.h"
#include "partytexts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace masterdata {

namespace {

const QString kIdKontrahent = QStringLiteral("IDKONTRAHENT");

const QString kBrowsingQuery = QStringLiteral("select * from Kontrahent \n"
                                              "where idfirma=:idfirma\n"
                                              "order by nazwa1,nazwa2");
const QString kChoosingQuery = QStringLiteral("select * from Kontrahent \n"
                                              "where idfirma=:idfirma and aktywny='Y'\n"
                                              "order by nazwa1,nazwa2");
const QString kSearchQuery = QStringLiteral(
    "select * from Kontrahent \n"
    "where (Upper(NAZWA1) like :SzukanaFraza or Upper(NAZWA2) like :SzukanaFraza "
    "or Upper(MIEJSCOWOSC) like :SzukanaFraza or Upper(NIP) like :SzukanaFraza "
    "or Upper(ULICA) like :SzukanaFraza or Upper(INNE) like :SzukanaFraza)\n"
    "and idfirma=:idfirma\n"
    "order by nazwa1,nazwa2");

QList<ui::GridColumn> counterpartyColumns()
{
    ui::GridColumn active{QStringLiteral("sAktywny"), QStringLiteral("A"), Qt::AlignCenter, 24};
    active.checkBox = true;
    return {
        active,
        {QStringLiteral("NAZWA1"), QStringLiteral("Nazwa"), Qt::AlignLeft, 220},
        {QStringLiteral("NAZWA2"), QString(), Qt::AlignLeft, 160},
        {QStringLiteral("ULICA"), QStringLiteral("Ulica"), Qt::AlignLeft, 150},
        {QStringLiteral("NUMERDOMU"), QStringLiteral("Nr"), Qt::AlignLeft, 50},
        {QStringLiteral("MIEJSCOWOSC"), QStringLiteral("Miejscowość"), Qt::AlignLeft, 140},
        {QStringLiteral("TELEFON"), QStringLiteral("Telefon"), Qt::AlignLeft, 110},
        hiddenColumn("IDKONTRAHENT"),
        hiddenColumn("IDFIRMA"),
        hiddenColumn("KODPOCZTOWY"),
        hiddenColumn("NIP"),
        hiddenColumn("INNE"),
        hiddenColumn("KRAJ"),
        hiddenColumn("AKTYWNY"),
    };
}

// Only the exact "Y" counts as active in the list.
bool isActiveRow(const app::RecordSet &records, int row)
{
    return records.text(row, QStringLiteral("AKTYWNY")) == QLatin1String("Y");
}

} // namespace

CounterpartyListMemory &counterpartyListMemory()
{
    static CounterpartyListMemory memory;
    return memory;
}

TfrmKontrahent::TfrmKontrahent(const ui::Context &context, bool choosing, QWidget *parent)
    : MasterListWindow(context, QStringLiteral("Odbiorcy"), kIdKontrahent, parent),
      Wybor(choosing),
      actSzukaj(new QAction(QStringLiteral("Szukaj"), this))
{
    resize(900, 450);
    ibqKontrahentInsert.setSql(QStringLiteral(
        "INSERT INTO KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, KRAJ, "
        "TELEFON, AKTYWNY) values (:idfirma, :nazwa1, :nazwa2, :ulica, :numerdomu, :miejscowosc, :kodpocztowy, "
        ":nip, :kraj, :telefon, :aktywny) returning IDKONTRAHENT"));
    ibqKontrahentUpdate.setSql(QStringLiteral(
        "UPDATE KONTRAHENT set NAZWA1=:nazwa1, NAZWA2=:nazwa2, ULICA=:ulica, NUMERDOMU=:numerdomu, "
        "MIEJSCOWOSC=:miejscowosc, KODPOCZTOWY=:kodpocztowy, NIP=:nip, KRAJ=:kraj, TELEFON=:telefon, "
        "AKTYWNY=:aktywny where IDKONTRAHENT=:idkontrahent"));
    ibqKontrahent.setSql(choosing ? kChoosingQuery : kBrowsingQuery);
    ibqKontrahentDelete.setSql(QStringLiteral("DELETE FROM KONTRAHENT WHERE IDKONTRAHENT=:ID"));
    listModel.setCalculation(QStringLiteral("sAktywny"), isActiveRow);
    setColumns(counterpartyColumns(), QStringLiteral("frmKontrahent.dbgKontrahent"));

    actWybierz->setVisible(choosing);
    addAction(actSzukaj);
    connect(actKasuj, &QAction::triggered, this, [this] {
        deleteCurrent(QStringLiteral("Czy usunąć zaznaczonego odbiorcę ?"),
                      QStringLiteral("Nie można usunąć tego odbiorcę !"));
    });
    connect(actSzukaj, &QAction::triggered, this, &TfrmKontrahent::actSzukajExecute);

    auto *buttons = new QHBoxLayout;
    for (QAction *action : {actDodaj, actPopraw, actPokaz, actKasuj, actSzukaj})
        buttons->addWidget(buttonFor(action));
    buttons->addStretch();
    buttons->addWidget(buttonFor(actWybierz));
    buttons->addWidget(buttonFor(actWyjscie));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(dbgKontrahent);
    layout->addLayout(buttons);

    openList();
    if (counterpartyListMemory().lastChosen != 0)
        locateId(counterpartyListMemory().lastChosen);
    updateActionStates();
    // A counterparty belongs to a company: none can be added without one.
    actDodaj->setEnabled(m_context.env.currentCompany > 0);
}

void TfrmKontrahent::bindListParameters()
{
    ibqKontrahent.setInt(QStringLiteral("idfirma"), m_context.env.currentCompany);
    if (!m_searchPattern.isNull())
        ibqKontrahent.setText(QStringLiteral("SzukanaFraza"), m_searchPattern);
}

QList<QAction *> TfrmKontrahent::rowActions() const { return MasterListWindow::rowActions() << actSzukaj; }

void TfrmKontrahent::choose()
{
    MasterListWindow::choose();
    counterpartyListMemory().lastChosen = Wynik;
}

CounterpartyFields TfrmKontrahent::fieldsOfRow(int row) const
{
    if (row < 0) {
        CounterpartyFields fresh;
        fresh.texts.kraj = QStringLiteral("Polska");
        return fresh;
    }
    return {partyTextsOfRow(records(), row), app::FlagFromText(records().text(row, QStringLiteral("AKTYWNY")))};
}

bool TfrmKontrahent::editDetails(int row, bool showMode, db::Statement *target)
{
    CounterpartyFields fields = fieldsOfRow(row);
    if (!EditCounterparty(fields, showMode, hideActive(), this))
        return false;
    if (target) {
        bindPartyTexts(*target, fields.texts);
        target->setText(QStringLiteral("aktywny"), app::FlagToText(fields.aktywny));
        // A new counterparty belongs to the current company.
        if (row < 0)
            target->setInt(QStringLiteral("idfirma"), m_context.env.currentCompany);
    }
    return true;
}

void TfrmKontrahent::actSzukajExecute()
{
    QString &lastPhrase = counterpartyListMemory().lastSearchPhrase;
    const std::optional<QString> phrase = m_context.prompts.inputText(
        QStringLiteral("Filtrowanie wg zadanej frazy"), QStringLiteral("Fraza z nazwy firmy, ulicy, miasta lub NIP"),
        lastPhrase);
    if (!phrase)
        return;
    lastPhrase = *phrase;
    ibqKontrahent.setSql(kSearchQuery);
    m_searchPattern = QLatin1Char('%') + app::polishUpper(*phrase) + QLatin1Char('%');
    ui::BusyCursor busy;
    openList();
    dbgKontrahent->setCurrentRow(rowCount() - 1);
}

int ShowCounterpartyList(const ui::Context &context, bool choosing, QWidget *parent)
{
    TfrmKontrahent window(context, choosing, parent ? parent : QApplication::activeWindow());
    return window.exec() == QDialog::Accepted ? window.Wynik : 0;
}

} // namespace masterdata
