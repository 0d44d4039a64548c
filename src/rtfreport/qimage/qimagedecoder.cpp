#include "qimagedecoder.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstring>

namespace rtfreport {

std::optional<TRpPixels> DecodeWithQImage(const QByteArray &bytes)
{
    // A picture larger than the metafiles can hold is refused as the
    // engine's own bitmap reader refuses it: by its declared size where the
    // format tells one, so that a few bytes declaring a huge picture are not
    // decoded first.
    const auto fits = [](QSize size) { return size.width() <= MaxPictureSide && size.height() <= MaxPictureSide; };
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (const QSize declared = reader.size(); declared.isValid() && !fits(declared))
        return std::nullopt;
    QImage image = reader.read();
    if (image.isNull() || !fits(image.size()))
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
