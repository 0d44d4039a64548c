// A date typed into the date field key by key, as a Polish user types it:
// with dots or other separators, with digits only, from any month shown.
// The field after it must never receive what belongs to the date.
#include "dialogkeys.h"
#include "edits.h"
#include "qtprinters.h"
#include "scriptedprompts.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

struct TypedDate {
    const char *name;
    QDate shown;     // the date in the field before typing
    QString keys;    // typed one by one into whichever widget has the focus
    QDate expected;  // the field's date after Tab
};

void PrintTo(const TypedDate &c, std::ostream *os) { *os << c.name; }

}  // namespace

inline void PrintTo(const QDate &date, std::ostream *os) { *os << date.toString(Qt::ISODate).toStdString(); }

namespace {

// A date field between two others, in an active dialog.
struct Form {
    Form()
    {
        auto *layout = new QVBoxLayout(&dialog);
        layout->addWidget(before);
        layout->addWidget(date);
        layout->addWidget(after);
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    QDialog dialog;
    QLineEdit *before = new QLineEdit;
    ui::DateEdit *date = new ui::DateEdit;
    QLineEdit *after = new QLineEdit;
};

class DateTypedWithSeparators : public ::testing::TestWithParam<TypedDate> {};

} // namespace

TEST_P(DateTypedWithSeparators, StaysInTheFieldUntilTab)
{
    const TypedDate &c = GetParam();
    Form form;
    form.date->setDate(c.shown);
    form.before->setFocus();
    QTest::keyClick(form.before, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(form.date));

    testsupport::typeKeys(c.keys);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(form.date)) << "the date was left before Tab";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);

    EXPECT_EQ(form.date->date(), c.expected);
    EXPECT_EQ(form.date->text(), c.expected.toString("dd.MM.yyyy"));
    EXPECT_TRUE(form.date->isValid());
    EXPECT_EQ(form.after->text(), QString()) << "typing reached the next field";
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(form.after));
}

INSTANTIATE_TEST_SUITE_P(
    Dates, DateTypedWithSeparators,
    ::testing::Values(
        TypedDate{"dots", QDate(2026, 12, 11), "15.10.2026", QDate(2026, 10, 15)},
        TypedDate{"digits_only", QDate(2026, 12, 11), "15102026", QDate(2026, 10, 15)},
        TypedDate{"leading_zeros_and_dots", QDate(2026, 12, 11), "01.10.2026", QDate(2026, 10, 1)},
        TypedDate{"one_digit_day_and_month", QDate(2026, 12, 11), "5.3.2026", QDate(2026, 3, 5)},
        TypedDate{"dashes", QDate(2026, 12, 11), "5-3-2026", QDate(2026, 3, 5)},
        TypedDate{"slashes", QDate(2026, 12, 11), "31/12/2099", QDate(2099, 12, 31)},
        TypedDate{"commas", QDate(2026, 12, 11), "1,1,2000", QDate(2000, 1, 1)},
        TypedDate{"day_the_shown_month_lacks", QDate(2026, 2, 10), "31.03.2026", QDate(2026, 3, 31)},
        TypedDate{"thirtieth_from_february", QDate(2026, 2, 10), "30.04.2026", QDate(2026, 4, 30)},
        TypedDate{"leap_day_typed_before_its_year", QDate(2026, 12, 11), "29.2.2024", QDate(2024, 2, 29)},
        TypedDate{"two_digit_year", QDate(2026, 12, 11), "15.10.26", QDate(2026, 10, 15)},
        TypedDate{"the_shown_date_again_shorter", QDate(2026, 10, 5), "5.10.26", QDate(2026, 10, 5)},
        TypedDate{"day_and_month_only", QDate(2026, 12, 11), "1.1", QDate(2026, 1, 1)},
        TypedDate{"day_only", QDate(2026, 12, 11), "7", QDate(2026, 12, 7)},
        TypedDate{"a_dot_after_the_year", QDate(2026, 12, 11), "15.10.2026.", QDate(2026, 10, 15)},
        TypedDate{"digits_after_a_full_year_start_the_year_again", QDate(2026, 12, 11), "15.10.20262025",
                  QDate(2025, 10, 15)}));

TEST(DateEdit, TheKeypadsDecimalKeyMovesOnAsADotDoes)
{
    Form form;
    form.date->setDate(QDate(2026, 12, 11));
    form.date->setFocus();
    form.date->setSelectedSection(QDateTimeEdit::DaySection);
    for (const char key : {',', '.'}) {
        QTest::keyClicks(form.date, "1");
        QTest::keyClick(form.date, key, Qt::KeypadModifier);
    }
    QTest::keyClicks(form.date, "2027");
    EXPECT_EQ(form.date->date(), QDate(2027, 1, 1));
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(form.date));
}

TEST(DateEdit, BackspaceTakesBackTypedDigitsAcrossParts)
{
    Form form;
    form.date->setDate(QDate(2026, 12, 11));
    form.date->setFocus();
    form.date->setSelectedSection(QDateTimeEdit::DaySection);
    testsupport::typeKeys("15.1");
    QTest::keyClick(form.date, Qt::Key_Backspace);  // the month's "1"
    QTest::keyClick(form.date, Qt::Key_Backspace);  // back into the day: its "5"
    testsupport::typeKeys("4.09.2026");
    QTest::keyClick(form.date, Qt::Key_Tab);
    EXPECT_EQ(form.date->date(), QDate(2026, 9, 14));
}

TEST(DateEdit, ADateTheCalendarLacksStaysAsTypedAndOkSaysSo)
{
    testsupport::ScriptedPrompts prompts;
    Form form;
    form.date->setDate(QDate(2026, 2, 10));
    form.before->setFocus();
    QTest::keyClick(form.before, Qt::Key_Tab);
    testsupport::typeKeys("31.02.2026");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);

    EXPECT_FALSE(form.date->isValid());
    EXPECT_EQ(form.date->date(), QDate(2026, 2, 10)) << "no date but the one the field had";
    EXPECT_EQ(form.date->text(), "31.02.2026") << "what was typed stays to be mended";
    EXPECT_EQ(form.after->text(), QString());

    EXPECT_FALSE(ui::datesAreValid(prompts, {form.date}));
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith("Nie ma takiej daty: 31.02.2026.")) << prompts.shown[0].text.toStdString();
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(form.date));
    EXPECT_EQ(form.date->text(), "31.02.2026");

    // Mending the month alone keeps the day typed before.
    form.date->setSelectedSection(QDateTimeEdit::MonthSection);
    testsupport::typeKeys("03");
    QTest::keyClick(form.date, Qt::Key_Tab);
    EXPECT_TRUE(form.date->isValid());
    EXPECT_EQ(form.date->date(), QDate(2026, 3, 31));
}

TEST(DateEdit, ArrowsAndTheCalendarStillChangeTheDate)
{
    Form form;
    form.date->setDate(QDate(2026, 10, 11));
    form.date->setFocus();
    form.date->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClick(form.date, Qt::Key_Up);
    EXPECT_EQ(form.date->date(), QDate(2026, 10, 12));
    // An arrow after typing takes what was typed, then steps the part the
    // typing had reached (the day was full: the month).
    testsupport::typeKeys("20");
    QTest::keyClick(form.date, Qt::Key_Up);
    EXPECT_EQ(form.date->date(), QDate(2026, 11, 20));
}
