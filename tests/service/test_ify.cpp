// The multi-choice question: its buttons from the option text, the answer
// of each button, Escape, and the size it takes.
#include "ify.h"
#include "modaldialog.h"
#include "qtprinters.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using service::AskChoice;
using service::TfrmIfy;

TEST(AskChoice, ButtonCaptionsComeFromTheOptionText)
{
    const QString number = QStringLiteral("5/03/2024");
    const struct {
        QString options;
        QStringList captions;
    } cases[] = {
        {"Nową notę#Kolejną pozycję noty nr " + number, {"Nową notę", "Kolejną pozycję noty nr " + number}},
        {"Jedna", {"Jedna"}},
        {"", {""}},
        {"A# B", {"A", "B"}},
        {"A#   B #C", {"A", "B ", "C"}},
        {"A##B", {"A", "", "B"}},
        {"1#2#3#4#5#6#7#8#9#10#11#12#13#14", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12#13#14"}},
        // The twelfth keeps its leading blanks: it is the rest, unchanged.
        {"1#2#3#4#5#6#7#8#9#10#11# 12", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", " 12"}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(service::choiceCaptions(c.options), c.captions) << c.options.toStdString();
        TfrmIfy dialog;
        dialog.setQuestion(QStringLiteral("Utworzyć:"), QStringLiteral("Dodawanie"), c.options, 14);
        dialog.show();
        QStringList shown;
        for (QPushButton *button : dialog.buttons)
            if (button->isVisible())
                shown << button->text();
        EXPECT_EQ(shown, c.captions) << c.options.toStdString();
    }
}

TEST(AskChoice, ReturnsThePressedButtonAndZeroForEscape)
{
    const QString options = QStringLiteral("Nową notę#Kolejną pozycję noty nr 5/03/2024");
    onNextDialog<TfrmIfy>([](TfrmIfy &dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Dodawanie nowej noty lub pozycji");
        EXPECT_EQ(dialog.lblPytanie->text(), "Utworzyć:");
        EXPECT_EQ(dialog.lblPytanie->font().pointSize(), 14);
        dialog.buttons[1]->click();
    });
    EXPECT_EQ(AskChoice("Utworzyć:", "Dodawanie nowej noty lub pozycji", options, 14), 2);

    onNextDialog<TfrmIfy>([](TfrmIfy &dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(AskChoice("Utworzyć:", "Dodawanie", options, 14), 0);

    // The keyboard alone: the first button has the focus, Down moves to the
    // second, Enter presses it.
    onNextDialog<TfrmIfy>([](TfrmIfy &dialog) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        ASSERT_EQ(dialog.focusWidget(), dialog.buttons[0]);
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Down);
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(AskChoice("Utworzyć:", "Dodawanie", options, 14), 2);
}

TEST(AskChoice, SizesItselfToItsButtons)
{
    TfrmIfy two, twelve;
    two.setQuestion("?", "", "A#B", 10);
    twelve.setQuestion("?", "", "1#2#3#4#5#6#7#8#9#10#11#12", 10);
    two.show();
    twelve.show();
    EXPECT_GT(twelve.height(), two.height() + 9 * two.buttons[0]->height());
    TfrmIfy wide;
    wide.setQuestion("?", "", "A#" + QString(120, QLatin1Char('x')), 10);
    wide.show();
    EXPECT_GE(wide.buttons[1]->width(), wide.buttons[1]->sizeHint().width());
}
