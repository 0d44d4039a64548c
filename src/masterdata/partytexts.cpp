#include "partytexts.h"

namespace masterdata {

PartyTexts partyTextsOfRow(const app::RecordSet &records, int row)
{
    const auto text = [&](const char *field) { return records.text(row, QLatin1String(field)); };
    return {text("NAZWA1"),      text("NAZWA2"), text("ULICA"), text("NUMERDOMU"), text("MIEJSCOWOSC"),
            text("KODPOCZTOWY"), text("NIP"),    text("KRAJ"),  text("TELEFON")};
}

void bindPartyTexts(db::Statement &statement, const PartyTexts &texts)
{
    statement.setText(QStringLiteral("nazwa1"), texts.nazwa1);
    statement.setText(QStringLiteral("nazwa2"), texts.nazwa2);
    statement.setText(QStringLiteral("ulica"), texts.ulica);
    statement.setText(QStringLiteral("numerdomu"), texts.numerDomu);
    statement.setText(QStringLiteral("miejscowosc"), texts.miejscowosc);
    statement.setText(QStringLiteral("kodpocztowy"), texts.kodPocztowy);
    statement.setText(QStringLiteral("nip"), texts.nip);
    statement.setText(QStringLiteral("kraj"), texts.kraj);
    statement.setText(QStringLiteral("telefon"), texts.telefon);
}

} // namespace masterdata
