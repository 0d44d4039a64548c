#include "notesgenerator.h"

#include "daynumber.h"
#include "formatting.h"

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

QString postcode(QRandomGenerator &random)
{
    const int region = random.bounded(10, 99);
    return QStringLiteral("%1-%2").arg(region).arg(random.bounded(100, 999));
}

// Writes note positions the way the program does: MIESIAC and ROK follow the date.
class NoteWriter {
public:
    explicit NoteWriter(db::Transaction &transaction)
        : m_insert(transaction, QStringLiteral(
              "INSERT INTO NOTA (IDFIRMA, DATA, NUMER, IDKONTRAHENT, OBCIAZYLISMY, UZNALISMY, TRESC, MIESIAC, ROK) "
              "values (:idfirma, :data, :numer, :idkontrahent, :obciazylismy, :uznalismy, :tresc, :miesiac, :rok)"))
    {
    }

    // A debit when `debit`, else a credit, of `amount` ten-thousandths.
    void write(int company, int day, int number, int recipient, bool debit, qint64 amount, const QString &text)
    {
        m_insert.setInt(QStringLiteral("idfirma"), company);
        m_insert.setInt(QStringLiteral("data"), day);
        m_insert.setInt(QStringLiteral("numer"), number);
        m_insert.setInt(QStringLiteral("idkontrahent"), recipient);
        m_insert.setAmount(QStringLiteral("obciazylismy"), debit ? amount : 0);
        m_insert.setAmount(QStringLiteral("uznalismy"), debit ? 0 : amount);
        m_insert.setText(QStringLiteral("tresc"), text);
        m_insert.setInt(QStringLiteral("miesiac"), app::monthOfDay(day));
        m_insert.setInt(QStringLiteral("rok"), app::yearOfDay(day));
        m_insert.execute();
    }

private:
    db::Statement m_insert;
};

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
        counterparty.setText(QStringLiteral("kodpocztowy"), postcode(random));
        counterparty.setText(QStringLiteral("nip"), QString::number(1000000000LL + random.bounded(899999999)));
        counterparty.execute();
        counterpartyIds << counterparty.toInt(0);
    }

    NoteWriter note(transaction);
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
        note.write(data.company, day, number, recipient, debit, amount, sentence(random, random.bounded(2, 12)));
    }
    transaction.commit();
    return data;
}

namespace {

struct DemoCompany {
    const char *name1, *name2, *street, *house, *town, *postcode, *nip, *pattern;
    bool monthly;
};

const DemoCompany kDemoCompanies[] = {
    {"Biuro Rachunkowe Żuraw", "Sp. z o.o.", "Piękna", "12", "Warszawa", "00-549", "525-100-20-30", "NN/MM/RRRR", true},
    {"Przedsiębiorstwo Handlowe Łoś", "Anna Łoś", "Długa", "5a", "Gdańsk", "80-827", "583-200-10-11", "NNN/RRRR", false},
    {"Usługi Transportowe Ćwik", "", "Krakowska", "101", "Kraków", "31-062", "676-300-40-50", "NT/NNNN/RR", false},
};

const char *const kDemoCounterparties[] = {
    "Hurtownia Świt", "Zakład Energetyczny Północ", "Jan Kowalski", "Maria Wiśniewska", "Spółdzielnia Mleczarska",
    "Ośrodek Szkoleniowy Żagiel", "Piekarnia Złoty Kłos", "Auto-Serwis Śruba", "Kancelaria Nowak i Wspólnicy",
    "Drukarnia Ślęża", "Apteka Pod Orłem", "Gospodarstwo Rolne Łąka",
};

} // namespace

int generateDemo(db::Connection &connection, const QDate &today)
{
    QRandomGenerator random(2022);
    db::Transaction transaction(connection);
    transaction.start();
    db::Statement company(transaction, QStringLiteral(
        "INSERT INTO FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, KRAJ, TELEFON, "
        "SYSTEMNUMERACJI, NRMIESIECZNA) values (:nazwa1, :nazwa2, :ulica, :numerdomu, :miejscowosc, :kodpocztowy, "
        ":nip, 'Polska', '', :systemnumeracji, :nrmiesieczna) returning IDFIRMA"));
    db::Statement counterparty(transaction, QStringLiteral(
        "INSERT INTO KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, KRAJ, "
        "TELEFON, AKTYWNY) values (:idfirma, :nazwa1, '', :ulica, :numerdomu, :miejscowosc, :kodpocztowy, :nip, "
        "'Polska', '', :aktywny) returning IDKONTRAHENT"));
    NoteWriter note(transaction);
    db::Statement existing(transaction, QStringLiteral("select count(*) from FIRMA where NAZWA1 = :nazwa1"));

    int added = 0;
    for (const DemoCompany &c : kDemoCompanies) {
        // Run twice, the demo adds nothing the second time.
        existing.setText(QStringLiteral("nazwa1"), QString::fromUtf8(c.name1));
        existing.open();
        const bool there = existing.next() && existing.toInt(0) > 0;
        existing.close();
        if (there)
            continue;
        ++added;
        company.setText(QStringLiteral("nazwa1"), QString::fromUtf8(c.name1));
        company.setText(QStringLiteral("nazwa2"), QString::fromUtf8(c.name2));
        company.setText(QStringLiteral("ulica"), QString::fromUtf8(c.street));
        company.setText(QStringLiteral("numerdomu"), QString::fromUtf8(c.house));
        company.setText(QStringLiteral("miejscowosc"), QString::fromUtf8(c.town));
        company.setText(QStringLiteral("kodpocztowy"), QString::fromUtf8(c.postcode));
        company.setText(QStringLiteral("nip"), QString::fromUtf8(c.nip));
        company.setText(QStringLiteral("systemnumeracji"), QString::fromUtf8(c.pattern));
        company.setText(QStringLiteral("nrmiesieczna"), app::FlagToText(c.monthly));
        company.execute();
        const int companyId = company.toInt(0);

        QList<int> recipients;
        for (int i = 0; i < int(std::size(kDemoCounterparties)); ++i) {
            counterparty.setInt(QStringLiteral("idfirma"), companyId);
            counterparty.setText(QStringLiteral("nazwa1"), QString::fromUtf8(kDemoCounterparties[i]));
            counterparty.setText(QStringLiteral("ulica"), QStringLiteral("Ogrodowa"));
            counterparty.setText(QStringLiteral("numerdomu"), QString::number(random.bounded(1, 120)));
            counterparty.setText(QStringLiteral("miejscowosc"), QString::fromUtf8(kTowns[i % int(std::size(kTowns))]));
            counterparty.setText(QStringLiteral("kodpocztowy"), postcode(random));
            counterparty.setText(QStringLiteral("nip"), i % 3 == 2 ? QString() : QString::number(5200000000LL + random.bounded(99999999)));
            const bool active = i % 5 != 4;
            counterparty.setText(QStringLiteral("aktywny"), app::FlagToText(active));
            counterparty.execute();
            if (active)
                recipients << counterparty.toInt(0);
        }

        // About a hundred positions over the last six months, a note every few days.
        QDate date = today.addMonths(-6);
        int number = 0;
        int period = c.monthly ? date.month() : date.year();
        while (date <= today) {
            const int current = c.monthly ? date.month() : date.year();
            if (current != period) {
                period = current;
                number = 0;
            }
            ++number;
            const int recipient = recipients[random.bounded(int(recipients.size()))];
            for (int position = random.bounded(1, 4); position > 0; --position) {
                const bool debit = random.bounded(4) != 0;
                const qint64 amount = qint64(random.bounded(100, 2500000)) * 100;
                note.write(companyId, app::dayNumber(date), number, recipient, debit, amount,
                           sentence(random, random.bounded(3, 10)));
            }
            date = date.addDays(random.bounded(1, 4));
        }
    }
    transaction.commit();
    return added;
}

} // namespace bench
