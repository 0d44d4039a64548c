// Fuzzes the picture readers with arbitrary stored bytes: a bitmap, a
// metafile or neither, written into a document in each form the options
// give. Nothing may crash, hang or read out of bounds. Compressed pictures
// (JPEG, PNG, ...) go through Qt's image readers as in mirelo-rtf and the
// program; with bit 3 of the choice the engine's own bitmap reader alone.

#include "rpdataset.h"
#include "rperrors.h"
#include "rprtf.h"
#include "qimagedecoder.h"

#include <QBuffer>
#include <QImageReader>

#include <cstddef>
#include <cstdint>

using namespace rtfreport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A few bytes may declare a picture of millions of pixels, which Qt decodes
    // up to its 256 MB limit and the engine then writes out: seconds per input
    // under the sanitizers, and nothing the small pictures do not reach.
    static const bool limited = (QImageReader::setAllocationLimit(2), true);
    (void)limited;
    if (size < 1)
        return 0;
    // The first byte chooses the options and the screen; the rest is the picture.
    const uint8_t choice = data[0];
    const QByteArray stored(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    TRpMemoryDataSet pictures("RYSUNKI", {{"RYSUNEK", TRpFieldType::Graphic}}, TRpFormatSettings::Polish());
    pictures.AppendRow({stored});
    const QByteArray bytes = "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\\\A:RYSUNEK\\\\}";
    TRpRTF report(TRpFormatSettings::Polish());
    TRpRTFOptions options = report.Options();
    options.setFlag(eoGraphicsWmfCompatible, choice & 1);
    options.setFlag(eoGraphicsBinary, choice & 2);
    report.SetOptions(options);
    if (!(choice & 8))
        report.PictureDecoder = DecodeWithQImage;
    report.SetScreenPixelsPerInch(choice & 4 ? 120 : 96);
    report.SetTemplateBuffer(bytes, int(bytes.size()));
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    try {
        report.ExecuteStream({&pictures}, &out);
    } catch (const ETextError &) {
    }
    return 0;
}
