// Qt's own buttons speak Polish once the program loads Qt's translations.
#include "application.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(PolishTexts, QtStandardButtonsSpeakPolish)
{
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_pl.qm")))
        GTEST_SKIP() << "qt6-translations-l10n is not installed";
    ASSERT_TRUE(ui::installPolishTranslations(*QCoreApplication::instance()));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes
                         | QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), "Anuluj");
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text().remove(QLatin1Char('&')), "Tak");
    EXPECT_EQ(box.button(QDialogButtonBox::No)->text().remove(QLatin1Char('&')), "Nie");
}
