#pragma once
// Pictures as the RTF document carries them: the picture's pixels wrapped in
// an enhanced metafile (or a Windows metafile) that draws them as a device
// independent bitmap. Decoding compressed formats needs a graphics library,
// which the program supplies; Windows bitmaps are read here.

#include <QByteArray>

#include <functional>
#include <optional>

namespace rtfreport {

// 24-bit pixels, rows from the bottom up, each row padded to four bytes: the
// layout of a device independent bitmap.
struct TRpPixels {
    int width = 0;
    int height = 0;
    QByteArray bits;

    static int RowBytes(int width) { return (width * 3 + 3) & ~3; }
};

// Turns a picture's stored bytes into pixels; nothing when it cannot.
using TRpPictureDecoder = std::function<std::optional<TRpPixels>(const QByteArray &bytes)>;

// Uncompressed 24- and 32-bit Windows bitmaps, with or without the file header.
std::optional<TRpPixels> DecodeBitmap(const QByteArray &bytes);

// An enhanced metafile drawing the pixels at 0,0 in their own size; its frame
// is frameWidth by frameHeight hundredths of a millimetre.
QByteArray EnhancedMetafile(const TRpPixels &pixels, int frameWidth, int frameHeight);

// The same as a Windows metafile in the anisotropic mapping mode.
QByteArray WindowsMetafile(const TRpPixels &pixels);

} // namespace rtfreport
