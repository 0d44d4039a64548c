// The input box as the program shows it.
#include "modaldialog.h"
#include "prompts.h"

#include <QInputDialog>

#include <gtest/gtest.h>

// A window frame puts an icon and its buttons beside the title: the box
// leaves room for them beside the title in a bold face.
TEST(InputBox, ItsTitleFitsBesideTheFramesButtons)
{
    for (const QString &title : {QStringLiteral("Filtrowanie wg zadanej frazy"), QStringLiteral("Nowa pozycja")}) {
        SCOPED_TRACE(title.toStdString());
        bool shown = false;
        onNextDialog<QInputDialog>([&](QInputDialog &box) {
            shown = true;
            EXPECT_EQ(box.windowTitle(), title);
            QFont bold = box.font();
            bold.setBold(true);
            EXPECT_GE(box.width(), QFontMetrics(bold).horizontalAdvance(title) + 100);
        });
        EXPECT_EQ(ui::QtPrompts().inputText(title, QStringLiteral("Fraza"), {}), std::nullopt);
        EXPECT_TRUE(shown);
    }
}
