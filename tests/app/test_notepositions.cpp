// Writing note positions: what each change stores, a proposed number taken
// meanwhile by another writer, rows gone under a change, and the exchange
// of two positions' contents as one change.
#include "daynumber.h"
#include "dberror.h"
#include "dbfixture.h"
#include "notepositions.h"
#include "notesquery.h"

#include <thread>

using app::NotePosition;
using app::NotePositions;

namespace {

class NotePositionsTest : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        company = addCompany("Biuro");
        alfa = addCounterparty(company, "Alfa");
        beta = addCounterparty(company, "Beta");
        transaction.commit();
    }

    NotePosition position(int number, const QDate &date, const QString &text = QStringLiteral("treść")) const
    {
        return {number, 12345600, 0, app::dayNumber(date), alfa, text};
    }

    // The stored content of a row, read in a fresh snapshot.
    NotePosition stored(qint32 idNota)
    {
        db::Transaction reader(connection);
        reader.start();
        db::Statement select(reader, QStringLiteral("select NUMER, OBCIAZYLISMY, UZNALISMY, DATA, IDKONTRAHENT, TRESC, "
                                                    "MIESIAC, ROK from NOTA where IDNOTA=:id"));
        select.setInt("id", idNota);
        select.open();
        if (!select.next())
            return {};
        NotePosition p{select.toInt(0), select.toAmount(1), select.toAmount(2), select.toInt(3), select.toInt(4),
                       select.toText(5)};
        EXPECT_EQ(select.toInt(6), app::monthOfDay(p.data));
        EXPECT_EQ(select.toInt(7), app::yearOfDay(p.data));
        return p;
    }

    int company = 0, alfa = 0, beta = 0;
    db::Transaction ibtNota{connection};
    NotePositions positions{ibtNota};
};

} // namespace

TEST_F(NotePositionsTest, InsertUpdateAndRemoveStoreWhatTheyAreGiven)
{
    const NotePosition first = position(7, QDate(2021, 12, 31), QStringLiteral("  Opłata za ścieki \r\nlinia 2 "));
    const app::InsertedPosition inserted = positions.insert(company, first, false, true);
    EXPECT_GT(inserted.idNota, 0);
    EXPECT_EQ(inserted.numer, 7);
    EXPECT_FALSE(inserted.renumbered);
    NotePosition expected = first;
    expected.tresc = QStringLiteral("Opłata za ścieki \r\nlinia 2");
    EXPECT_EQ(stored(inserted.idNota), expected);
    EXPECT_FALSE(ibtNota.isActive());  // committed at once

    const NotePosition changed{3, 0, -50, app::dayNumber(QDate(2022, 1, 2)), beta, QStringLiteral("inna")};
    EXPECT_TRUE(positions.update(inserted.idNota, changed));
    EXPECT_EQ(stored(inserted.idNota), changed);

    EXPECT_TRUE(positions.remove(inserted.idNota));
    EXPECT_EQ(stored(inserted.idNota), NotePosition{});
    // Gone: nothing to change, and the caller hears of it.
    EXPECT_FALSE(positions.update(inserted.idNota, changed));
    EXPECT_FALSE(positions.remove(inserted.idNota));
}

TEST_F(NotePositionsTest, ARefusedChangeSavesNothingAndEndsItsTransaction)
{
    const qint32 id = positions.insert(company, position(1, QDate(2022, 3, 1)), false, false).idNota;
    NotePosition broken = position(1, QDate(2022, 3, 1), QStringLiteral("zmienione"));
    broken.idKontrahent = 999999;  // no such counterparty
    EXPECT_THROW(positions.update(id, broken), db::DbError);
    EXPECT_FALSE(ibtNota.isActive());
    EXPECT_EQ(stored(id).tresc, "treść");
    EXPECT_THROW(positions.insert(company, broken, false, false), db::DbError);
    EXPECT_FALSE(ibtNota.isActive());
    EXPECT_THROW(positions.insert(company, broken, true, false), db::DbError);
    EXPECT_FALSE(ibtNota.isActive());
}

TEST_F(NotePositionsTest, AProposedNumberTakenMeanwhileMovesToTheNextFreeNumberOfItsPeriod)
{
    const QDate march(2022, 3, 15);
    // Another copy of the program proposed and stored 1 first.
    positions.insert(company, position(1, march), true, true);
    positions.insert(company, position(5, QDate(2022, 3, 2)), false, true);
    positions.insert(company, position(9, QDate(2022, 4, 1)), false, true);  // another month

    const app::InsertedPosition late = positions.insert(company, position(1, march), true, true);
    EXPECT_TRUE(late.renumbered);
    EXPECT_EQ(late.numer, 6);
    EXPECT_EQ(stored(late.idNota).numer, 6);

    // Yearly numbering counts the whole year.
    const app::InsertedPosition yearly = positions.insert(company, position(5, march), true, false);
    EXPECT_EQ(yearly.numer, 10);

    // A free proposed number stays; a number typed by hand stays even when taken.
    EXPECT_EQ(positions.insert(company, position(1, QDate(2022, 5, 1)), true, true).numer, 1);
    const app::InsertedPosition typed = positions.insert(company, position(1, march), false, true);
    EXPECT_FALSE(typed.renumbered);
    EXPECT_EQ(typed.numer, 1);
}

TEST_F(NotePositionsTest, TwoWritersProposingOneNumberAtOnceStoreTwoNumbers)
{
    const QDate day(2022, 6, 1);
    // The first writer holds the company and has stored its position, not yet committed.
    db::Transaction first(connection);
    first.start();
    db::Statement lock(first, QStringLiteral("select IDFIRMA from FIRMA where IDFIRMA=:id with lock"));
    lock.setInt("id", company);
    lock.open();
    lock.next();
    lock.close();
    testsupport::insertNote(first, company, alfa, {app::dayNumber(day), 1, 100});

    // The second, on a connection of its own, waits for the first or comes after it.
    app::InsertedPosition second;
    std::thread writer([&] {
        db::Connection other;
        other.open(parameters());
        db::Transaction transaction(other);
        NotePositions otherPositions(transaction);
        second = otherPositions.insert(company, position(1, day), true, true);
    });
    first.commit();
    writer.join();
    EXPECT_EQ(second.numer, 2);
    EXPECT_TRUE(second.renumbered);
}

TEST_F(NotePositionsTest, ExchangeSwapsTheStoredContentsOfTwoRows)
{
    const NotePosition a{4, 100, 0, app::dayNumber(QDate(2022, 1, 3)), alfa, QStringLiteral("A")};
    const NotePosition b{4, 0, 200, app::dayNumber(QDate(2022, 2, 4)), beta, QStringLiteral("B")};
    const qint32 idA = positions.insert(company, a, false, false).idNota;
    const qint32 idB = positions.insert(company, b, false, false).idNota;

    // Another copy changed B after this one listed it: the exchange moves
    // what the database holds, not what a list showed.
    NotePosition bNow = b;
    bNow.tresc = QStringLiteral("B poprawione");
    NotePositions(transaction).update(idB, bNow);

    EXPECT_TRUE(positions.exchange(idB, idA));
    EXPECT_EQ(stored(idA), bNow);
    EXPECT_EQ(stored(idB), a);
    EXPECT_FALSE(ibtNota.isActive());

    // Either row gone: nothing changes.
    positions.remove(idB);
    EXPECT_FALSE(positions.exchange(idA, idB));
    EXPECT_EQ(stored(idA), bNow);
}

TEST_F(NotePositionsTest, ExchangeIsOneChangeBothRowsOrNeither)
{
    const NotePosition a{4, 100, 0, app::dayNumber(QDate(2022, 1, 3)), alfa, QStringLiteral("A")};
    const NotePosition b{4, 0, 200, app::dayNumber(QDate(2022, 1, 3)), beta, QStringLiteral("B")};
    const qint32 idA = positions.insert(company, a, false, false).idNota;
    const qint32 idB = positions.insert(company, b, false, false).idNota;
    // The second update is refused (a trigger standing in for any failure
    // between the two): the first must not stay.
    db::Transaction ddl(connection);
    ddl.start();
    db::Statement(ddl, QStringLiteral("create exception NIE_TERAZ 'nie teraz'")).execute();
    ddl.commit();
    ddl.start();
    db::Statement(ddl, QStringLiteral("create trigger NOTA_B for NOTA before update as begin "
                                      "if (new.IDNOTA = %1) then exception NIE_TERAZ; end")
                           .arg(std::max(idA, idB)))
        .execute();
    ddl.commit();

    EXPECT_THROW(positions.exchange(idA, idB), db::DbError);
    EXPECT_EQ(stored(idA), a);
    EXPECT_EQ(stored(idB), b);
    EXPECT_FALSE(ibtNota.isActive());
}

TEST_F(NotePositionsTest, FilterValuesAreMatchedAsTypedNeverAsStatementText)
{
    const QStringList texts = {"Za usługę O'Brien", "ścieżka C:\\dane\\x", "ŁÓDŹ żółć", "100% rabatu",
                               "x' or '1'='1"};
    for (const QString &text : texts)
        positions.insert(company, position(1, QDate(2022, 1, 1), text), false, false);

    app::FilterState filter;
    filter.dateFrom = app::dayNumber(QDate(2021, 1, 1));
    filter.dateTo = app::dayNumber(QDate(2023, 1, 1));
    const auto listed = [&](const QString &fragment) {
        filter.text = fragment;
        const QString sql = app::filteredNotesQuery(filter);
        EXPECT_TRUE(app::IsFilterActive(sql));
        EXPECT_FALSE(sql.contains(fragment)) << fragment.toStdString();
        transaction.start();
        db::Statement list(transaction, sql);
        list.setInt("idfirma", company);
        app::bindNotesFilter(list, filter);
        list.open();
        QStringList found;
        while (list.next())
            found << list.toText("TRESC");
        transaction.commit();
        return found;
    };
    EXPECT_EQ(listed("O'BRIEN"), QStringList{"Za usługę O'Brien"});
    EXPECT_EQ(listed("C:\\DANE\\"), QStringList{"ścieżka C:\\dane\\x"});
    EXPECT_EQ(listed("ŻÓŁĆ"), QStringList{"ŁÓDŹ żółć"});
    EXPECT_EQ(listed("ŁÓDŹ Ż"), QStringList{"ŁÓDŹ żółć"});
    EXPECT_EQ(listed("' OR '1'='1"), QStringList{"x' or '1'='1"});
    EXPECT_EQ(listed("0%"), QStringList{"100% rabatu"});     // "%" stays a wildcard
    EXPECT_EQ(listed("O_BR"), QStringList{"Za usługę O'Brien"});  // so does "_"
    EXPECT_EQ(listed(QString(250, QLatin1Char('Z'))), QStringList{});
    EXPECT_EQ(listed("   ").size(), texts.size());  // a blank fragment is no condition
}
