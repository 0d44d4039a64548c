// Pictures decoded through Qt's image readers come out as the engine's
// bitmap: blue, green, red, the bottom row first, rows padded to four bytes.
#include "qimagedecoder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray ReadFixture(const char *name)
{
    QFile file(QStringLiteral(MIRELO_TEST_DATA "/") + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(QImageDecoder, PngBecomesABottomUpBgrBitmap)
{
    // 6 x 4 red, with one blue pixel at the top left.
    const auto pixels = rtfreport::DecodeWithQImage(ReadFixture("picture_red.png"));
    ASSERT_TRUE(pixels.has_value());
    EXPECT_EQ(pixels->width, 6);
    EXPECT_EQ(pixels->height, 4);
    const int row = rtfreport::TRpPixels::RowBytes(6);
    EXPECT_EQ(row, 20);
    ASSERT_EQ(pixels->bits.size(), row * 4);
    const auto at = [&](int x, int yFromBottom) { return pixels->bits.mid(yFromBottom * row + x * 3, 3); };
    EXPECT_EQ(at(0, 3), QByteArray("\xFF\x00\x00", 3)) << "top-left blue pixel belongs in the last row";
    EXPECT_EQ(at(1, 3), QByteArray("\x00\x00\xFF", 3));
    EXPECT_EQ(at(0, 0), QByteArray("\x00\x00\xFF", 3));
}

TEST(QImageDecoder, JpegDecodesAndRubbishDoesNot)
{
    const auto jpeg = rtfreport::DecodeWithQImage(ReadFixture("picture_red.jpg"));
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_EQ(jpeg->width, 6);
    EXPECT_FALSE(rtfreport::DecodeWithQImage(QByteArray("not a picture")).has_value());
    EXPECT_FALSE(rtfreport::DecodeWithQImage(QByteArray()).has_value());
}
