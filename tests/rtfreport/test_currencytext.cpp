// Currency display texts made in integers agree with the float formatter
// wherever it has the digits, for every currency form and decimal count.
#include "rpformatsettings.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace rtfreport;

namespace {

QString ViaFloat(qint64 tenThousandths, const TRpFormatSettings &settings)
{
    return FloatToTextF(tenThousandths / TRpFloat(10000), TRpFloatFormat::Currency, 18, settings.CurrencyDecimals,
                        settings);
}

} // namespace

TEST(CurrencyToText, AgreesWithTheFloatFormatter)
{
    std::vector<qint64> values = {0, 1, -1, 49, 50, -50, 51, 4999, 5000, -5000, 9999, 10000, 12345675000,
                                  -12345675000, 994999, 995000, 999999950, -999999950, 123456789012345};
    QRandomGenerator random(42);
    for (int i = 0; i < 20000; ++i) {
        const qint64 magnitude = random.bounded(qint64(1), qint64(1) << (1 + i % 43));
        values.push_back(i % 2 ? magnitude : -magnitude);
    }
    for (TRpFormatSettings settings : {TRpFormatSettings::Polish(), TRpFormatSettings::English()}) {
        for (int decimals : {0, 1, 2, 3, 4, 6}) {
            for (int form : {0, 3}) {
                settings.CurrencyDecimals = decimals;
                settings.CurrencyFormat = form;
                settings.NegCurrFormat = form * 5;
                for (qint64 value : values)
                    ASSERT_EQ(CurrencyToText(value, settings).toStdString(), ViaFloat(value, settings).toStdString())
                        << value << " with " << decimals << " decimals";
            }
        }
    }
}

TEST(CurrencyToText, PolishAmounts)
{
    const TRpFormatSettings polish = TRpFormatSettings::Polish();
    const QString nb(QChar(0x00A0));
    EXPECT_EQ(CurrencyToText(12345675000, polish), "1" + nb + "234" + nb + "567,50 zł");
    EXPECT_EQ(CurrencyToText(-49, polish), CurrencyToText(0, polish)) << "no minus on a sum that rounds to zero";
}
