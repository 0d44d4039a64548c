#include "qimagedecoder.h"

#include <QImage>

#include <cstring>

namespace rtfreport {

std::optional<TRpPixels> DecodeWithQImage(const QByteArray &bytes)
{
    QImage image = QImage::fromData(bytes);
    if (image.isNull())
        return std::nullopt;
    // A device independent bitmap: blue, green, red; the bottom row first.
    image = image.convertToFormat(QImage::Format_BGR888);
    TRpPixels pixels;
    pixels.width = image.width();
    pixels.height = image.height();
    const int rowBytes = TRpPixels::RowBytes(pixels.width);
    pixels.bits = QByteArray(qsizetype(rowBytes) * pixels.height, '\0');
    for (int y = 0; y < pixels.height; ++y)
        std::memcpy(pixels.bits.data() + qsizetype(pixels.height - 1 - y) * rowBytes, image.constScanLine(y),
                    size_t(pixels.width) * 3);
    return pixels;
}

} // namespace rtfreport
