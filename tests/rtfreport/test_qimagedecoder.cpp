// Pictures decoded through Qt's image readers come out as the engine's
// bitmap: blue, green, red, the bottom row first, rows padded to four bytes.
#include "qimagedecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

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

// The metafiles a picture goes into keep its size in 16 bits: a wider or
// taller picture is refused, not written with a size that wrapped around.
TEST(QImageDecoder, PictureLargerThanAMetafileHoldsIsRefused)
{
    const struct {
        int width, height;
        bool decodes;
    } cases[] = {{32767, 1, true}, {32768, 1, false}, {1, 32768, false}, {40000, 2, false}};
    for (const auto &c : cases) {
        QImage image(c.width, c.height, QImage::Format_RGB888);
        image.fill(Qt::white);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&png, "PNG"));
        const auto pixels = rtfreport::DecodeWithQImage(png.data());
        EXPECT_EQ(pixels.has_value(), c.decodes) << c.width << " x " << c.height;
        if (pixels) {
            EXPECT_EQ(pixels->width, c.width);
        }
    }
}
