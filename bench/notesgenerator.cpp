#include "notesgenerator.h"

#include "daynumber.h"

#include <QRandomGenerator>

namespace bench {

namespace {

const char *const kTowns[] = {"Warszawa", "Kraków", "Łódź", "Wrocław", "Poznań", "Gdańsk", "Szczecin", "Lublin"};
const char *const kWords[] = {"Obciążenie", "kosztami", "transportu", "Zwrot", "kaucji", "Korekta", "rozliczenia",
                              "usług", "księgowych", "za", "miesiąc", "Refaktura", "energii", "najmu", "lokalu"};

QString sentence(QRandomGenerator &random, int words)
{
    QStringList parts;
    for (int i = 0; i < words; ++i)
        parts << QString::fromUtf8(kWords[random.bounded(int(std::size(kWords)))]);
    return parts.join(QLatin1Char(' '));
}

} // namespace

GeneratedData generateNotes(db::Connection &connection, int counterparties, int positions)
{
    QRandomGenerator random(20221130);
    db::Transaction transaction(connection);
    transaction.start();

    db::Statement company(transaction, QStringLiteral(
        "insert into FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, KRAJ, "
        "SYSTEMNUMERACJI, NRMIESIECZNA) values ('Biuro Rachunkowe Żuraw', 'Sp. z o.o.', 'Piękna', '12', "
        "'Warszawa', '00-001', '525-000-00-00', '22 600 00 00', 'Polska', 'NN/RRRR', 'N') returning IDFIRMA"));
    company.execute();
    GeneratedData data;
    data.company = company.toInt(0);

    db::Statement counterparty(transaction, QStringLiteral(
        "insert into KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, "
        "TELEFON, KRAJ, AKTYWNY) values (:idfirma, :nazwa1, :nazwa2, :ulica, :numerdomu, :miejscowosc, "
        ":kodpocztowy, :nip, '', 'Polska', 'Y') returning IDKONTRAHENT"));
    QList<int> counterpartyIds;
    for (int i = 0; i < counterparties; ++i) {
        counterparty.setInt(QStringLiteral("idfirma"), data.company);
        counterparty.setText(QStringLiteral("nazwa1"), QStringLiteral("Kontrahent %1").arg(i + 1, 4, 10, QLatin1Char('0')));
        counterparty.setText(QStringLiteral("nazwa2"), sentence(random, 2));
        counterparty.setText(QStringLiteral("ulica"), QStringLiteral("ul. Ogrodowa"));
        counterparty.setText(QStringLiteral("numerdomu"), QString::number(random.bounded(1, 200)));
        counterparty.setText(QStringLiteral("miejscowosc"), QString::fromUtf8(kTowns[i % int(std::size(kTowns))]));
        counterparty.setText(QStringLiteral("kodpocztowy"), QStringLiteral("%1-%2").arg(random.bounded(10, 99)).arg(random.bounded(100, 999)));
        counterparty.setText(QStringLiteral("nip"), QString::number(1000000000LL + random.bounded(899999999)));
        counterparty.execute();
        counterpartyIds << counterparty.toInt(0);
    }

    db::Statement note(transaction, QStringLiteral(
        "INSERT INTO NOTA (IDFIRMA, DATA, NUMER, IDKONTRAHENT, OBCIAZYLISMY, UZNALISMY, TRESC, MIESIAC, ROK) "
        "values (:idfirma, :data, :numer, :idkontrahent, :obciazylismy, :uznalismy, :tresc, :miesiac, :rok)"));
    // Positions run forward in time from 2015, a few to a note.
    int day = app::dayNumber(QDate(2015, 1, 2));
    int number = 0;
    int year = app::yearOfDay(day);
    int recipient = 0;
    int left = 0;  // positions left in the current note
    for (int i = 0; i < positions; ++i) {
        if (left == 0) {
            day += random.bounded(2) ? 1 : 0;
            if (app::yearOfDay(day) != year) {
                year = app::yearOfDay(day);
                number = 0;
            }
            ++number;
            recipient = counterpartyIds.isEmpty() ? 0 : counterpartyIds[random.bounded(int(counterpartyIds.size()))];
            left = random.bounded(1, 5);
        }
        --left;
        const bool debit = random.bounded(3) != 0;
        const qint64 amount = qint64(random.bounded(1, 5000000)) * 100;
        note.setInt(QStringLiteral("idfirma"), data.company);
        note.setInt(QStringLiteral("data"), day);
        note.setInt(QStringLiteral("numer"), number);
        note.setInt(QStringLiteral("idkontrahent"), recipient);
        note.setAmount(QStringLiteral("obciazylismy"), debit ? amount : 0);
        note.setAmount(QStringLiteral("uznalismy"), debit ? 0 : amount);
        note.setText(QStringLiteral("tresc"), sentence(random, random.bounded(2, 12)));
        note.setInt(QStringLiteral("miesiac"), app::monthOfDay(day));
        note.setInt(QStringLiteral("rok"), year);
        note.execute();
    }
    transaction.commit();
    return data;
}

} // namespace bench
