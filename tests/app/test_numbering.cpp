// Display numbers from a company's pattern, and the next number of a period.
#include "datamodule.h"
#include "daynumber.h"
#include "dbfixture.h"
#include "numbering.h"
#include "scriptedmessenger.h"

using namespace app;

TEST(FormatNoteNumber, AppliesEachTokenOnceInOrder)
{
    const int nov30 = dayNumber(QDate(2021, 11, 30));
    const int mar2 = dayNumber(QDate(2022, 3, 2));
    const struct {
        const char *pattern;
        int number;
        int day;
        const char *display;
    } cases[] = {
        {"NN/MM/RRRR", 5, nov30, "5/11/2021"},
        {"NNN/RR", 5, nov30, "005/21"},
        {"NNNN-MM", 12, mar2, "0012-03"},
        {"NNN", 1234, nov30, "1234"},
        {"RRRR/NN/RRRR", 7, nov30, "2021/7/21RR"},
        {"NNNNN", 5, nov30, "0005N"},
        {"nn", 5, nov30, "nn"},
        {"", 5, nov30, ""},
        {"FV NN/MM", 12345, mar2, "FV 12345/03"},
        {"MM MM", 1, mar2, "03 MM"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatNoteNumber(QString::fromUtf8(c.pattern), c.number, c.day), QString::fromUtf8(c.display))
            << c.pattern;
}

class NextNumber : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        company = addCompany("A");
        other = addCompany("B");
        counterparty = addCounterparty(company, "K");
        transaction.commit();
        env.databaseFolder = database.folder();
        testsupport::ScriptedMessenger messenger;
        ASSERT_TRUE(module.DataModuleCreate(messenger));
        env.currentCompany = company;
    }
    void note(const QDate &date, int number, int owner = 0)
    {
        transaction.startIfInactive();
        addNote(owner ? owner : company, counterparty, dayNumber(date), number);
        transaction.commit();
    }
    int next(const QDate &date, bool monthly)
    {
        env.company.nrMiesieczna = monthly;
        return module.NextNoteNumber(dayNumber(date));
    }

    int company = 0, other = 0, counterparty = 0;
    Environment env;
    TDataModule1 module{env};
};

TEST_F(NextNumber, MonthlyRestartsEveryMonth)
{
    EXPECT_EQ(next(QDate(2021, 11, 30), true), 1);
    for (int n = 1; n <= 3; ++n)
        note(QDate(2021, 11, n * 5), n);
    note(QDate(2021, 11, 30), 50, other);  // another company's numbers do not count
    EXPECT_EQ(next(QDate(2021, 12, 1), true), 1);
    EXPECT_EQ(next(QDate(2021, 11, 30), true), 4);
    EXPECT_EQ(next(QDate(2021, 11, 1), true), 4);
    EXPECT_EQ(next(QDate(2021, 10, 31), true), 1);
}

TEST_F(NextNumber, YearlyRestartsEveryYearAndIgnoresGaps)
{
    note(QDate(2021, 1, 1), 1);
    note(QDate(2021, 6, 1), 2);
    note(QDate(2021, 12, 31), 17);
    note(QDate(2021, 12, 31), 17);  // a second position of note 17
    EXPECT_EQ(next(QDate(2022, 1, 2), false), 1);
    EXPECT_EQ(next(QDate(2021, 12, 31), false), 18);
    EXPECT_EQ(module.MaxNumberInYear(company, dayNumber(QDate(2021, 3, 3))), 17);
    EXPECT_EQ(module.MaxNumberInMonth(company, dayNumber(QDate(2021, 6, 30))), 2);
}

TEST_F(NextNumber, SeesWhatOthersCommittedSince)
{
    EXPECT_EQ(next(QDate(2022, 5, 5), false), 1);
    note(QDate(2022, 5, 5), 8);
    EXPECT_EQ(next(QDate(2022, 5, 5), false), 9);
}
