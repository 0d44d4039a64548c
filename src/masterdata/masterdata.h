#pragma once
// Entry operations of the company and counterparty windows.

namespace masterdata {

// The company list, modal. In choosing mode "Wybierz" is offered; the
// result is the chosen IDFIRMA, or 0.
int ShowCompanyList(bool choosing);

// The counterparty list of the current company, modal. In choosing mode
// only active counterparties are listed and "Wybierz" is offered; the result
// is the chosen IDKONTRAHENT, or 0.
int ShowCounterpartyList(bool choosing);

} // namespace masterdata
