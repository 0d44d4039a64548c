#include "rpmetafile.h"

#include <QtEndian>

#include <cmath>

namespace rtfreport {

namespace {

constexpr quint32 SrcCopy = 0x00CC0020;
constexpr int BitmapInfoSize = 40;
constexpr int PixelsPerMetre = 3780;  // 96 pixels per inch

// Little-endian record writer.
class Bytes {
public:
    void U16(quint16 v) { Append(qToLittleEndian(v)); }
    void U32(quint32 v) { Append(qToLittleEndian(v)); }
    void I16(qint16 v) { Append(qToLittleEndian(v)); }
    void I32(qint32 v) { Append(qToLittleEndian(v)); }
    void Raw(const QByteArray &bytes) { m_bytes += bytes; }
    void PatchU32(qsizetype at, quint32 v) { qToLittleEndian(v, m_bytes.data() + at); }
    qsizetype Size() const { return m_bytes.size(); }
    const QByteArray &Data() const { return m_bytes; }

private:
    template <typename T>
    void Append(T v) { m_bytes.append(reinterpret_cast<const char *>(&v), sizeof v); }
    QByteArray m_bytes;
};

void BitmapInfoHeader(Bytes &out, const TRpPixels &pixels)
{
    out.U32(BitmapInfoSize);
    out.I32(pixels.width);
    out.I32(pixels.height);  // positive: rows from the bottom up
    out.U16(1);
    out.U16(24);
    out.U32(0);  // BI_RGB
    out.U32(quint32(pixels.bits.size()));
    out.I32(PixelsPerMetre);
    out.I32(PixelsPerMetre);
    out.U32(0);
    out.U32(0);
}

template <typename T>
T Read(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<T>(bytes.constData() + at);
}

} // namespace

std::optional<TRpPixels> DecodeBitmap(const QByteArray &bytes)
{
    qsizetype header = 0;
    if (bytes.startsWith("BM"))
        header = 14;
    if (bytes.size() < header + BitmapInfoSize || Read<quint32>(bytes, header) < quint32(BitmapInfoSize))
        return std::nullopt;
    const qint32 width = Read<qint32>(bytes, header + 4);
    const qint32 rawHeight = Read<qint32>(bytes, header + 8);
    const quint16 bitCount = Read<quint16>(bytes, header + 14);
    const quint32 compression = Read<quint32>(bytes, header + 16);
    const qint64 height = rawHeight < 0 ? -qint64(rawHeight) : rawHeight;
    if (width <= 0 || height <= 0 || width > MaxPictureSide || height > MaxPictureSide || compression != 0
        || (bitCount != 24 && bitCount != 32))
        return std::nullopt;
    const qint64 sourceRow = ((qint64(width) * bitCount + 31) / 32) * 4;
    qint64 offset = header == 14 ? Read<quint32>(bytes, 10) : header + Read<quint32>(bytes, header);
    if (offset < 0 || offset + sourceRow * height > bytes.size())
        return std::nullopt;
    TRpPixels pixels;
    pixels.width = width;
    pixels.height = int(height);
    const int rowBytes = TRpPixels::RowBytes(width);
    pixels.bits = QByteArray(qsizetype(rowBytes) * height, '\0');
    for (qint64 row = 0; row < height; ++row) {
        // Rows are kept bottom-up; a top-down source is turned over.
        const qint64 sourceRowIndex = rawHeight < 0 ? height - 1 - row : row;
        const char *source = bytes.constData() + offset + sourceRowIndex * sourceRow;
        char *target = pixels.bits.data() + row * rowBytes;
        for (qint32 x = 0; x < width; ++x) {
            const char *pixel = source + qint64(x) * (bitCount / 8);
            target[x * 3] = pixel[0];
            target[x * 3 + 1] = pixel[1];
            target[x * 3 + 2] = pixel[2];
        }
    }
    return pixels;
}

QByteArray EnhancedMetafile(const TRpPixels &pixels, int drawWidth, int drawHeight, int frameWidth,
                            int frameHeight)
{
    constexpr int HeaderSize = 108;
    constexpr int StretchFixed = 80;
    constexpr int EofSize = 20;
    const quint32 stretchSize = StretchFixed + BitmapInfoSize + quint32(pixels.bits.size());
    const quint32 total = HeaderSize + stretchSize + EofSize;
    const qint32 right = drawWidth - 1, bottom = drawHeight - 1;
    Bytes out;
    // EMR_HEADER, with both extensions (pixel format and micrometres)
    out.U32(1);
    out.U32(HeaderSize);
    for (qint32 v : {0, 0, right, bottom})
        out.I32(v);
    for (qint32 v : {0, 0, frameWidth, frameHeight})
        out.I32(v);
    out.U32(0x464D4520);  // " EMF"
    out.U32(0x10000);
    out.U32(total);
    out.U32(3);  // records
    out.U16(1);  // handles: the table's own entry
    out.U16(0);
    out.U32(0);  // description
    out.U32(0);
    out.U32(0);  // palette entries
    out.I32(1920);  // reference device: 1920 x 1080 pixels at 96 pixels per inch
    out.I32(1080);
    out.I32(508);
    out.I32(286);
    out.U32(0);  // pixel format
    out.U32(0);
    out.U32(0);  // OpenGL
    out.I32(508000);
    out.I32(285750);
    // EMR_STRETCHDIBITS
    out.U32(81);
    out.U32(stretchSize);
    for (qint32 v : {0, 0, right, bottom})
        out.I32(v);
    for (qint32 v : {0, 0, 0, 0, pixels.width, pixels.height})  // destination origin, source rectangle
        out.I32(v);
    out.U32(StretchFixed);
    out.U32(BitmapInfoSize);
    out.U32(StretchFixed + BitmapInfoSize);
    out.U32(quint32(pixels.bits.size()));
    out.U32(0);  // DIB_RGB_COLORS
    out.U32(SrcCopy);
    out.I32(drawWidth);  // destination size
    out.I32(drawHeight);
    BitmapInfoHeader(out, pixels);
    out.Raw(pixels.bits);
    // EMR_EOF
    out.U32(14);
    out.U32(EofSize);
    out.U32(0);
    out.U32(16);
    out.U32(EofSize);
    return out.Data();
}

QByteArray WindowsMetafile(const TRpPixels &pixels, int drawWidth, int drawHeight)
{
    // Sizes in 16-bit words.
    const quint32 dibWords = quint32(BitmapInfoSize + pixels.bits.size()) / 2;
    const quint32 stretchWords = 14 + dibWords;
    const quint32 totalWords = 9 + 4 + 5 + 5 + stretchWords + 3;
    const auto width = qint16(drawWidth), height = qint16(drawHeight);
    const auto sourceWidth = qint16(pixels.width), sourceHeight = qint16(pixels.height);
    Bytes out;
    out.U16(1);  // in memory
    out.U16(9);
    out.U16(0x0300);
    out.U32(totalWords);
    out.U16(0);
    out.U32(stretchWords);
    out.U16(0);
    // SETMAPMODE anisotropic, window origin and extent
    out.U32(4);
    out.U16(0x0103);
    out.U16(8);
    out.U32(5);
    out.U16(0x020B);
    out.I16(0);
    out.I16(0);
    out.U32(5);
    out.U16(0x020C);
    out.I16(height);
    out.I16(width);
    // STRETCHDIB
    out.U32(stretchWords);
    out.U16(0x0F43);
    out.U32(SrcCopy);
    out.U16(0);  // DIB_RGB_COLORS
    // source height, width, y, x; destination height, width, y, x
    for (qint16 v : {sourceHeight, sourceWidth, qint16(0), qint16(0), height, width, qint16(0), qint16(0)})
        out.I16(v);
    BitmapInfoHeader(out, pixels);
    out.Raw(pixels.bits);
    // EOF
    out.U32(3);
    out.U16(0);
    return out.Data();
}

std::optional<TRpStoredMetafile> ReadStoredMetafile(const QByteArray &bytes)
{
    constexpr quint32 EnhancedSignature = 0x464D4520;  // " EMF"
    constexpr quint32 PlaceableKey = 0x9AC6CDD7;
    constexpr int PlaceableSize = 22;
    const auto pixels = [](qint64 length, double unitsPerInch) { return int(std::lround(length * 96.0 / unitsPerInch)); };
    TRpStoredMetafile metafile;
    if (bytes.size() >= 88 && Read<quint32>(bytes, 0) == 1 && Read<quint32>(bytes, 40) == EnhancedSignature) {
        // The frame, in hundredths of a millimetre, is the picture's size.
        metafile.enhanced = true;
        metafile.width = pixels(qint64(Read<qint32>(bytes, 32)) - Read<qint32>(bytes, 24), 2540);
        metafile.height = pixels(qint64(Read<qint32>(bytes, 36)) - Read<qint32>(bytes, 28), 2540);
        const quint32 length = Read<quint32>(bytes, 48);
        metafile.records = length >= 88 && length < quint32(bytes.size()) ? bytes.left(length) : bytes;
    } else if (bytes.size() >= PlaceableSize + 18 && Read<quint32>(bytes, 0) == PlaceableKey
               && Read<quint16>(bytes, PlaceableSize + 2) == 9) {
        const quint16 unitsPerInch = Read<quint16>(bytes, 14);
        if (unitsPerInch == 0)
            return std::nullopt;
        metafile.width = pixels(qint64(Read<qint16>(bytes, 10)) - Read<qint16>(bytes, 6), unitsPerInch);
        metafile.height = pixels(qint64(Read<qint16>(bytes, 12)) - Read<qint16>(bytes, 8), unitsPerInch);
        metafile.records = bytes.mid(PlaceableSize);
    } else {
        return std::nullopt;
    }
    if (metafile.width <= 0 || metafile.height <= 0 || metafile.width > MaxPictureSide || metafile.height > MaxPictureSide)
        return std::nullopt;
    return metafile;
}

} // namespace rtfreport
