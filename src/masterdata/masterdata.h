#pragma once
// Entry operations of the company and counterparty windows.

#include "context.h"

#include <QString>

class QWidget;

namespace masterdata {

// The company list, modal. In choosing mode "Wybierz" is offered; the
// result is the chosen IDFIRMA, or 0.
int ShowCompanyList(const ui::Context &context, bool choosing, QWidget *parent = nullptr);

// The counterparty list of the current company, modal. In choosing mode
// only active counterparties are listed and "Wybierz" is offered; the result
// is the chosen IDKONTRAHENT, or 0.
int ShowCounterpartyList(const ui::Context &context, bool choosing, QWidget *parent = nullptr);

// The texts a company and a counterparty both have, as the details dialogs
// show and return them.
struct PartyTexts {
    QString nazwa1, nazwa2, ulica, numerDomu, miejscowosc, kodPocztowy, nip, kraj, telefon;
};

struct CompanyFields {
    PartyTexts texts;
    QString systemNumeracji;    // the numbering pattern
    bool nrMiesieczna = false;  // monthly numbering
};

struct CounterpartyFields {
    PartyTexts texts;
    bool aktywny = true;
};

// The company details dialog, modal. True when closed with "OK": the fields
// then hold what the dialog shows. In show mode nothing can be changed.
bool EditCompany(CompanyFields &fields, bool showMode, ui::Prompts &prompts, QWidget *parent = nullptr);

// The counterparty details dialog, modal; `hideActive` hides "Aktywny".
bool EditCounterparty(CounterpartyFields &fields, bool showMode, bool hideActive, QWidget *parent = nullptr);

// What the counterparty list remembers while the program runs.
struct CounterpartyListMemory {
    int lastChosen = 0;        // IDKONTRAHENT chosen last
    QString lastSearchPhrase;  // offered by the next "Szukaj"
};
CounterpartyListMemory &counterpartyListMemory();

} // namespace masterdata
