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
// The most pixels a picture may have on a side: the metafiles pictures are
// written in keep their sizes in 16 bits.
inline constexpr int MaxPictureSide = 32767;

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

// An enhanced metafile drawing the pixels at 0,0 stretched to drawWidth by
// drawHeight (their own size: unscaled); its frame is frameWidth by
// frameHeight hundredths of a millimetre.
QByteArray EnhancedMetafile(const TRpPixels &pixels, int drawWidth, int drawHeight, int frameWidth,
                            int frameHeight);

// The same as a Windows metafile in the anisotropic mapping mode.
QByteArray WindowsMetafile(const TRpPixels &pixels, int drawWidth, int drawHeight);

// A picture stored as a metafile: carried into the document as it is, since
// its drawing records cannot be turned into pixels here.
struct TRpStoredMetafile {
    bool enhanced = false;
    int width = 0;   // its size in pixels at 96 per inch
    int height = 0;
    QByteArray records;  // as a picture group holds them (a Windows metafile without its placeable header)
};

// An enhanced metafile, or a Windows metafile with its placeable header
// (which gives its size); nothing for anything else.
std::optional<TRpStoredMetafile> ReadStoredMetafile(const QByteArray &bytes);

} // namespace rtfreport
