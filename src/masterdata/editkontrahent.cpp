#include "editkontrahent.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>

namespace masterdata {

TfrmEditKontrahent::TfrmEditKontrahent(QWidget *parent)
    : PartyDialog(50, parent), cbAktywny(new QCheckBox(QStringLiteral("Aktywny")))
{
    setWindowTitle(QStringLiteral(" Edycja odbiorcy"));
    cbAktywny->setToolTip(QStringLiteral("Kontrahenci nieaktywni są niewidoczni podczas wystawiania KP,KW.\r\n"
                                         "Widoczni są tylko przez menu górne - LISTY - Kontrahenci."));
    extraLayout->addWidget(cbAktywny, 0, 0);
    orderTabs({cbAktywny});
}

void TfrmEditKontrahent::setFields(const CounterpartyFields &fields, bool showMode, bool hideActive)
{
    setTexts(fields.texts);
    cbAktywny->setChecked(fields.aktywny);
    cbAktywny->setHidden(hideActive);
    if (showMode) {
        setWindowTitle(QStringLiteral(" Podgląd danych odbiorcy"));
        disableTexts();
        cbAktywny->setEnabled(false);
    }
}

CounterpartyFields TfrmEditKontrahent::fields() const { return {texts(), cbAktywny->isChecked()}; }

bool EditCounterparty(CounterpartyFields &fields, bool showMode, bool hideActive, QWidget *parent)
{
    TfrmEditKontrahent dialog(parent ? parent : QApplication::activeWindow());
    dialog.setFields(fields, showMode, hideActive);
    return acceptInto(dialog, fields);
}

} // namespace masterdata
