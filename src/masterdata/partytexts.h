#pragma once
// The name and address texts as the list rows hold them and as the insert
// and update statements take them.

#include "database.h"
#include "masterdata.h"
#include "recordset.h"

namespace masterdata {

// The texts of `row` (the record set holds them trimmed).
PartyTexts partyTextsOfRow(const app::RecordSet &records, int row);

// Sets :nazwa1, :nazwa2, :ulica, :numerdomu, :miejscowosc, :kodpocztowy,
// :nip, :kraj and :telefon as the texts stand.
void bindPartyTexts(db::Statement &statement, const PartyTexts &texts);

} // namespace masterdata
