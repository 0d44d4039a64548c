// Pictures in the body: the pixels wrapped in a metafile, with the picture
// group's size, scale and border from the image format.

#include "rptemplaterunner.h"

#include "rprtf.h"

#include "rpformat.h"
#include "rpmetafile.h"

#include <QFile>

#include <cmath>

namespace rtfreport {

namespace {

const char *const BorderWords[] = {"", "\\brdrs", "\\brdrdb", "\\brdrth", "\\brdrsh", "\\brdrdot", "\\brdrhair"};

QByteArray Rounded(double value)
{
    return QByteArray::number(qint64(std::llround(value)));
}

} // namespace

std::optional<TRpPixels> TRpTemplateRunner::DecodePicture(const QByteArray &bytes) const
{
    if (m_report.PictureDecoder)
        if (auto pixels = m_report.PictureDecoder(bytes))
            return pixels;
    return DecodeBitmap(bytes);
}

void TRpTemplateRunner::WritePicture(const QByteArray &bytes, const TRpRowContent &field)
{
    if (bytes.isEmpty() || !WriteReadablePicture(bytes, field))
        WriteText(field.sout);
}

// The picture group of a metafile or of pixels a decoder reads; false, with
// nothing written, for bytes that are neither.
bool TRpTemplateRunner::WriteReadablePicture(const QByteArray &bytes, const TRpRowContent &field)
{
    // A metafile keeps its own kind whatever the option asks: turning one kind
    // into the other would need a renderer of its drawing records.
    if (const auto metafile = ReadStoredMetafile(bytes)) {
        WritePictureGroup(metafile->enhanced, metafile->width, metafile->height,
                          [&](const TRpImageFormat &) { return metafile->records; }, field);
        return true;
    }
    const std::optional<TRpPixels> pixels = DecodePicture(bytes);
    if (!pixels)
        return false;
    if (pixels->width <= 0 || pixels->height <= 0) {
        WriteText(field.sout);  // decoded, but to no pixels: an empty picture
        return true;
    }
    // Drawn at the screen's size of the pixels.
    const int drawWidth = qMax(1, int(std::lround(pixels->width * double(m_report.ScreenPixelsPerInch()) / 96)));
    const int drawHeight = qMax(1, int(std::lround(pixels->height * double(m_report.ScreenPixelsPerInch()) / 96)));
    const bool enhanced = !m_report.Options().testFlag(eoGraphicsWmfCompatible);
    WritePictureGroup(enhanced, pixels->width, pixels->height, [&](const TRpImageFormat &format) {
        return enhanced ? EnhancedMetafile(*pixels, drawWidth, drawHeight, int(std::lround(format.SizeXmm * 100)),
                                           int(std::lround(format.SizeYmm * 100)))
                        : WindowsMetafile(*pixels, drawWidth, drawHeight);
    }, field);
    return true;
}

// The picture group of a metafile: its size, scale and border as the image
// format (which the program may change) gives them, then its records.
void TRpTemplateRunner::WritePictureGroup(bool enhanced, int width, int height,
                               const std::function<QByteArray(const TRpImageFormat &)> &records,
                               const TRpRowContent &field)
{
    TRpImageFormat format(width, height);
    if (m_report.OnImageFormat)
        m_report.OnImageFormat(&m_report, field.fmt.ImgFmt(), format);
    if (format.Border.ColorIndex >= TRpRTF::ColorTable().size())
        format.Border.ColorIndex = 0;

    QByteArray group = "{\\pict\\picscalex";
    if (!enhanced) {
        group += "100\\picscaley100\\piccropl0\\piccropr0\\piccropt0\\piccropb0\\picw"
                 + Rounded(format.SizeX * 26.4596930676) + "\\pich" + Rounded(format.SizeY * 26.4596930676)
                 + "\\wmetafile8";
    } else {
        group += QByteArray::number(format.ScaleX) + "\\picscaley" + QByteArray::number(format.ScaleY)
                 + "\\piccropl0\\piccropr0\\piccropt0\\piccropb0\\picw" + Rounded(format.SizeXmm * 5669 / 100)
                 + "\\pich" + Rounded(format.SizeYmm * 5669 / 100) + "\\emfblip";
    }
    // The border colour is registered whether or not a border is drawn.
    const TRpColor &color = TRpRTF::ColorTable()[format.Border.ColorIndex];
    const int colorIndex = m_document.UseColor("\\red" + QByteArray::number(color.r) + "\\green"
                                               + QByteArray::number(color.g) + "\\blue"
                                               + QByteArray::number(color.b) + ";");
    if (format.Border.BrType >= 1 && format.Border.BrType <= 6)
        group += QByteArray(BorderWords[format.Border.BrType]) + "\\brdrw"
                 + QByteArray::number(format.BorderWidthTwips) + "\\brdrcf" + QByteArray::number(colorIndex);

    const QByteArray data = records(format);
    if (m_report.Options().testFlag(eoGraphicsBinary))
        group += "\\bin" + QByteArray::number(data.size()) + ' ' + data;
    else
        group += ' ' + data.toHex().toUpper();
    group += "\r}";
    WriteBytes(group);
    WriteText(field.sout);
}

void TRpTemplateRunner::WritePictureFromFile(const QString &fileName, const TRpRowContent &field)
{
    QFile file(fileName);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!bytes.isEmpty() && WriteReadablePicture(bytes, field))
        return;
    WriteRtfText(u"#Can't load file "_qs + fileName);
    WriteText(field.sout);
}

void TRpTemplateRunner::WriteStoredPicture(const QByteArray &stored, const TRpRowContent &field)
{
    // Twenty bytes or fewer hold no picture.
    WritePicture(stored.size() <= 20 ? QByteArray() : stored, field);
}

} // namespace rtfreport
