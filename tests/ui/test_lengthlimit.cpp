// Text fields with a length limit: typing past it is refused without a
// word; a paste that does not fit, by the keys or the context menu, keeps
// what fits and tells the user how much. Real key events and a real paste
// through the clipboard.
#include "lengthlimit.h"
#include "scriptedprompts.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

enum class PasteWay { CtrlV, ShiftInsert, ContextMenu, KeyboardContextMenu };

const char *nameOf(PasteWay way)
{
    switch (way) {
    case PasteWay::CtrlV:
        return "Ctrl+V";
    case PasteWay::ShiftInsert:
        return "Shift+Insert";
    case PasteWay::ContextMenu:
        return "context menu";
    case PasteWay::KeyboardContextMenu:
        return "context menu from the keyboard";
    }
    return "";
}

const PasteWay kEveryWay[] = {PasteWay::CtrlV, PasteWay::ShiftInsert, PasteWay::ContextMenu,
                              PasteWay::KeyboardContextMenu};

// Chooses "Paste" in the menu that a context-menu event on `target` opens.
void pasteFromMenu(QWidget *target, QContextMenuEvent::Reason reason)
{
    QContextMenuEvent event(reason, QPoint(4, 4), target->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(target, &event);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "no menu";
    QAction *paste = nullptr;
    for (QAction *action : menu->actions())
        if (action->text().startsWith(QStringLiteral("&Paste")))
            paste = action;
    ASSERT_NE(paste, nullptr) << "no paste in the menu";
    ASSERT_TRUE(paste->isEnabled());
    paste->trigger();
    menu->close();
}

// Pastes `text` through the clipboard into `edit`, whose mouse events go to
// `mouseArea`.
void paste(PasteWay way, QWidget *edit, QWidget *mouseArea, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    switch (way) {
    case PasteWay::CtrlV:
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        break;
    case PasteWay::ShiftInsert:
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
        break;
    case PasteWay::ContextMenu:
        pasteFromMenu(mouseArea, QContextMenuEvent::Mouse);
        break;
    case PasteWay::KeyboardContextMenu:
        pasteFromMenu(edit, QContextMenuEvent::Keyboard);
        break;
    }
}

class LengthLimit : public ::testing::Test {
protected:
    // A shown line of at most `maxLength` characters holding `text`.
    std::unique_ptr<QLineEdit> line(const QString &text, int maxLength = 10)
    {
        auto edit = std::make_unique<QLineEdit>();
        ui::limitLength(edit.get(), maxLength, prompts);
        edit->show();
        edit->setText(text);
        return edit;
    }

    // The one message so far, an information.
    QString onlyMessage() const
    {
        if (prompts.shown.size() != 1) {
            ADD_FAILURE() << prompts.shown.size() << " messages";
            return {};
        }
        EXPECT_EQ(prompts.shown[0].caption, " INFORMACJA");
        EXPECT_EQ(prompts.shown[0].icon, app::MessageIcon::Information);
        return prompts.shown[0].text;
    }

    testsupport::ScriptedPrompts prompts;
};

} // namespace

TEST_F(LengthLimit, ALineKeepsWhatFitsOfAPasteAndSaysHowMuch)
{
    for (const PasteWay way : kEveryWay) {
        SCOPED_TRACE(nameOf(way));
        const auto edit = line(QStringLiteral("ab|cd"));
        edit->setCursorPosition(2);
        prompts.shown.clear();
        paste(way, edit.get(), edit.get(), QStringLiteral("0123456789"));
        EXPECT_EQ(edit->text(), QStringLiteral("ab01234|cd"));
        EXPECT_EQ(onlyMessage(), QStringLiteral("Wklejony tekst jest za długi: pole przyjmuje najwyżej 10 znaków.\r\n"
                                                "Wklejono tylko początek tekstu: 5 z 10 znaków."));
    }
}

TEST_F(LengthLimit, ALineSaysNothingWhenThePasteFitsOrIsTyped)
{
    const auto edit = line(QStringLiteral("abcdefghij"));
    // Over a selection that leaves room enough.
    edit->setSelection(2, 5);
    paste(PasteWay::CtrlV, edit.get(), edit.get(), QStringLiteral("ŁÓDŹ"));
    EXPECT_EQ(edit->text(), QStringLiteral("abŁÓDŹhij"));
    // Typing at the limit is refused without a word.
    QTest::keyClicks(edit.get(), QStringLiteral("xyz"));
    EXPECT_EQ(edit->text(), QStringLiteral("abŁÓDŹxhij"));
    EXPECT_TRUE(prompts.shown.isEmpty());

    // A full field takes nothing, and says so.
    paste(PasteWay::CtrlV, edit.get(), edit.get(), QStringLiteral("q"));
    EXPECT_EQ(edit->text(), QStringLiteral("abŁÓDŹxhij"));
    EXPECT_EQ(onlyMessage(), QStringLiteral("Wklejony tekst jest za długi: pole przyjmuje najwyżej 10 znaków.\r\n"
                                            "Pole jest już pełne, więc nic nie wklejono."));
}

// A limit raised for a longer stored text holds for pastes too.
TEST_F(LengthLimit, ALineRaisedForAStoredTextPastesToTheRaisedLimit)
{
    const auto edit = line(QStringLiteral("0123456789"));
    edit->setMaxLength(12);
    edit->end(false);
    paste(PasteWay::CtrlV, edit.get(), edit.get(), QStringLiteral("abc"));
    EXPECT_EQ(edit->text(), QStringLiteral("0123456789ab"));
    EXPECT_TRUE(onlyMessage().startsWith(QStringLiteral("Wklejony tekst jest za długi: pole przyjmuje najwyżej 12 znaków.")));
}

// A multi-line text counts its line breaks as stored, two characters each;
// what lies around the paste stays whole, and one undo takes the paste back.
TEST_F(LengthLimit, ATextKeepsWhatFitsOfAPasteAndTheTextAroundIt)
{
    for (const PasteWay way : kEveryWay) {
        SCOPED_TRACE(nameOf(way));
        QPlainTextEdit edit;
        ui::PlainTextLimit limit(&edit, 12, prompts);
        edit.show();
        edit.setPlainText(QStringLiteral("ab\ncd"));  // 6 stored
        QTextCursor at = edit.textCursor();
        at.setPosition(2);
        edit.setTextCursor(at);
        prompts.shown.clear();
        paste(way, &edit, edit.viewport(), QStringLiteral("xy\nz12345"));
        EXPECT_EQ(edit.toPlainText(), QStringLiteral("abxy\nz1\ncd"));
        EXPECT_EQ(onlyMessage(), QStringLiteral("Wklejony tekst jest za długi: pole przyjmuje najwyżej 12 znaków.\r\n"
                                                "Wklejono tylko początek tekstu: 6 z 10 znaków."));
        edit.undo();
        EXPECT_EQ(edit.toPlainText(), QStringLiteral("ab\ncd"));
    }
}

// A key pressed in a full text is refused where it was pressed: the end of
// the text stays.
TEST_F(LengthLimit, ATextRefusesTypingAtItsLimitWithoutAWord)
{
    QPlainTextEdit edit;
    ui::PlainTextLimit limit(&edit, 7, prompts);
    edit.show();
    edit.setPlainText(QStringLiteral("ab\ncd"));  // 6 stored
    QTest::keyClicks(&edit, QStringLiteral("X"));  // the cursor stands at the start
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("Xab\ncd"));
    QTest::keyClicks(&edit, QStringLiteral("Y"));
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("Xab\ncd"));
    EXPECT_TRUE(prompts.shown.isEmpty());

    limit.allowAtLeast(9);
    QTest::keyClicks(&edit, QStringLiteral("YZ"));
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("XYZab\ncd"));
    EXPECT_EQ(limit.maxLength(), 9);
}

TEST(PasteCutMessage, NamesTheLimitInPolishNumberForms)
{
    const struct {
        qsizetype limit;
        const char *words;
    } cases[] = {{1, "1 znak"}, {2, "2 znaki"}, {4, "4 znaki"}, {5, "5 znaków"}, {12, "12 znaków"},
                 {22, "22 znaki"}, {40, "40 znaków"}, {114, "114 znaków"}, {200, "200 znaków"}};
    for (const auto &c : cases)
        EXPECT_TRUE(ui::pasteCutMessage(c.limit, 0, 3).contains(
            QStringLiteral("najwyżej ") + QString::fromUtf8(c.words) + QStringLiteral(".\r\n")))
            << c.words;
}
