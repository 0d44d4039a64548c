// Pictures in documents: the metafile around a bitmap's pixels, the picture
// group's header, border and data forms, and LibreOffice showing them
// (skipped where LibreOffice is not installed).

#include "rpdataset.h"
#include "rpformat.h"
#include "rpmetafile.h"
#include "rprtf.h"
#include "test_support.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace rtfreport;

namespace {

// A 4 x 3 red Windows bitmap file.
QByteArray RedBitmap()
{
    QByteArray row;
    for (int x = 0; x < 4; ++x)
        row += QByteArray("\x00\x00\xff", 3);
    const QByteArray bits = row + row + row;  // 12 bytes a row: no padding
    QByteArray bmp = "BM";
    const auto u32 = [&](quint32 v) { bmp.append(reinterpret_cast<const char *>(&v), 4); };
    const auto u16 = [&](quint16 v) { bmp.append(reinterpret_cast<const char *>(&v), 2); };
    u32(14 + 40 + quint32(bits.size()));
    u32(0);
    u32(54);
    u32(40);
    u32(4);
    u32(3);
    u16(1);
    u16(24);
    u32(0);
    u32(quint32(bits.size()));
    u32(3780);
    u32(3780);
    u32(0);
    u32(0);
    return bmp + bits;
}

class Pictures : public ::testing::Test {
protected:
    Pictures() : report(TRpFormatSettings::Polish()), images("OBRAZY", {{"LOGO", TRpFieldType::Graphic}})
    {
        images.AppendRow({RedBitmap()});
        images.AppendRow({QByteArray(20, 'x')});
        images.First();
    }

    QByteArray Run(const QByteArray &body)
    {
        return RunTemplate(report, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}" + body + "}", {&images});
    }

    TRpRTF report;
    TRpMemoryDataSet images;
};

TEST_F(Pictures, EnhancedMetafileInBinaryForm)
{
    const QByteArray document = Run("\\\\A:LOGO{\\b}\\\\");
    const QByteArray header = "{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0\\piccropt0\\piccropb0"
                              "\\picw60\\pich45\\emfblip\\bin";
    const qsizetype at = document.indexOf(header);
    ASSERT_GE(at, 0) << document.left(300).toStdString();
    const qsizetype dataStart = document.indexOf(' ', at + header.size()) + 1;
    const int size = document.mid(at + header.size(), dataStart - at - header.size() - 1).toInt();
    const QByteArray emf = document.mid(dataStart, size);
    EXPECT_EQ(qFromLittleEndian<quint32>(emf.constData()), 1u);
    EXPECT_EQ(emf.mid(40, 4), QByteArray(" EMF"));
    EXPECT_EQ(qFromLittleEndian<quint32>(emf.constData() + 48), quint32(size)) << "the header's byte count";
    EXPECT_EQ(document.mid(dataStart + size, 6), QByteArray("\r}{\\b}"));
    EXPECT_TRUE(document.contains("{\\colortbl;\\red0\\green0\\blue0;}")) << "the border colour is registered";
}

TEST_F(Pictures, WindowsMetafileHexadecimalAndBorder)
{
    report.SetOptions((report.Options() | eoGraphicsWmfCompatible) & ~TRpRTFOptions(eoGraphicsBinary));
    int formatIndex = -1;
    report.OnImageFormat = [&](TRpRTF *, int index, TRpImageFormat &format) {
        formatIndex = index;
        format.SetBorderType(1, 99, 1.0);  // a colour beyond the sixteen: black
    };
    const QByteArray document = Run("\\\\FIMG(A:LOGO,3)\\\\");
    EXPECT_EQ(formatIndex, 3);
    EXPECT_TRUE(document.contains("{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0\\piccropt0"
                                  "\\piccropb0\\picw106\\pich79\\wmetafile8\\brdrs\\brdrw20\\brdrcf1 0100090000"));
}

TEST_F(Pictures, NoPictureWritesOnlyTheFormatting)
{
    images.Next();  // twenty stored bytes
    EXPECT_TRUE(Run("<\\\\A:LOGO{\\b}\\\\>").endsWith("<{\\b}>}"));
    report.CreateVar("PLIK", QStringLiteral("/no/such/picture.bmp"));
    EXPECT_TRUE(Run("<\\\\FIMG(PLIK)\\\\>").endsWith("<#Can't load file /no/such/picture.bmp>}"));
}

TEST_F(Pictures, DecoderOfTheProgramComesFirst)
{
    int calls = 0;
    report.PictureDecoder = [&](const QByteArray &) -> std::optional<TRpPixels> {
        ++calls;
        return std::nullopt;  // falls back to the bitmap reader
    };
    EXPECT_TRUE(Run("\\\\A:LOGO\\\\").contains("\\emfblip"));
    EXPECT_EQ(calls, 1);
}

// The picture's data as written with eoGraphicsBinary.
QByteArray BinaryData(const QByteArray &document)
{
    const qsizetype bin = document.indexOf("\\bin");
    const qsizetype blank = document.indexOf(' ', bin);
    if (bin < 0 || blank < 0)
        return {};
    return document.mid(blank + 1, document.mid(bin + 4, blank - bin - 4).toInt());
}

TEST_F(Pictures, DrawnAtTheScreensPixelsPerInch)
{
    report.SetScreenPixelsPerInch(120);
    const QByteArray emf = BinaryData(Run("\\\\A:LOGO\\\\"));
    ASSERT_FALSE(emf.isEmpty());
    const auto i32 = [&](int at) { return qFromLittleEndian<qint32>(emf.constData() + at); };
    EXPECT_EQ(i32(16), 4) << "bounds right: 4 pixels * 120 / 96 = 5 wide";
    EXPECT_EQ(i32(20), 3) << "bounds bottom: 3 * 1.25 = 3.75, 4 high";
    const int stretch = 108;  // the record after the header
    EXPECT_EQ(i32(stretch), 81);
    EXPECT_EQ(i32(stretch + 40), 4) << "source width";
    EXPECT_EQ(i32(stretch + 44), 3) << "source height";
    EXPECT_EQ(i32(stretch + 72), 5) << "destination width";
    EXPECT_EQ(i32(stretch + 76), 4) << "destination height";

    report.SetOptions(report.Options() | eoGraphicsWmfCompatible);
    const QByteArray wmf = BinaryData(Run("\\\\A:LOGO\\\\"));
    const auto i16 = [&](int at) { return qFromLittleEndian<qint16>(wmf.constData() + at); };
    EXPECT_EQ(i16(18 + 8 + 10 + 6), 4) << "window extent height";
    EXPECT_EQ(i16(18 + 8 + 10 + 8), 5) << "window extent width";
}

TEST_F(Pictures, StoredMetafilesAreCarriedAsTheyAre)
{
    const TRpPixels pixels = *DecodeBitmap(RedBitmap());
    const QByteArray enhanced = EnhancedMetafile(pixels, 4, 3, 2540, 1270);  // 1 inch by half an inch
    const QByteArray windows = WindowsMetafile(pixels, 4, 3);
    QByteArray placeable;
    const auto u16 = [&](quint16 v) { placeable.append(reinterpret_cast<const char *>(&v), 2); };
    u16(0xCDD7);
    u16(0x9AC6);
    for (quint16 v : {0, 0, 0, 1440, 720, 1440, 0, 0, 0})  // 1 by 0.5 inch at 1440 units per inch
        u16(v);
    placeable += windows;
    TRpMemoryDataSet stored("RYSUNKI", {{"RYSUNEK", TRpFieldType::Graphic}});
    stored.AppendRow({enhanced});
    stored.AppendRow({placeable});
    const auto run = [&]() {
        return RunTemplate(report, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\\\A:RYSUNEK\\\\}", {&stored});
    };
    for (const bool wmfOption : {false, true}) {
        report.SetOptions(wmfOption ? report.Options() | eoGraphicsWmfCompatible
                                    : report.Options() & ~TRpRTFOptions(eoGraphicsWmfCompatible));
        stored.First();
        QByteArray document = run();
        EXPECT_EQ(BinaryData(document), enhanced);
        // 96 x 48 pixels: 25.4 x 12.7 millimetres
        EXPECT_TRUE(document.contains("\\picw1440\\pich720\\emfblip")) << document.left(200).toStdString();
        stored.Next();
        document = run();
        EXPECT_EQ(BinaryData(document), windows) << "without the placeable header";
        EXPECT_TRUE(document.contains("\\picw2540\\pich1270\\wmetafile8")) << document.left(200).toStdString();
    }
}

TEST(Bitmaps, RefusesWhatItCannotRead)
{
    EXPECT_FALSE(DecodeBitmap(QByteArray()).has_value());
    EXPECT_FALSE(DecodeBitmap(RedBitmap().left(60)).has_value()) << "pixels cut off";
    QByteArray compressed = RedBitmap();
    compressed[14 + 16] = 1;  // BI_RLE8
    EXPECT_FALSE(DecodeBitmap(compressed).has_value());
    const auto pixels = DecodeBitmap(RedBitmap());
    ASSERT_TRUE(pixels.has_value());
    EXPECT_EQ(pixels->width, 4);
    EXPECT_EQ(pixels->height, 3);
    EXPECT_EQ(pixels->bits.left(3), QByteArray("\x00\x00\xff", 3));
}

TEST_F(Pictures, LibreOfficeShowsBothMetafiles)
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    QTemporaryDir folder;
    for (const bool wmf : {false, true}) {
        report.SetOptions(wmf ? report.Options() | eoGraphicsWmfCompatible
                              : report.Options() & ~TRpRTFOptions(eoGraphicsWmfCompatible));
        const QString name = wmf ? "wmf" : "emf";
        QFile file(folder.filePath(name + ".rtf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Run("\\pard before \\\\A:LOGO\\\\ after\\par"));
        file.close();
        QProcess process;
        process.start(soffice, {"-env:UserInstallation=file://" + folder.filePath("profile"), "--headless",
                                "--convert-to", "html", "--outdir", folder.path(), file.fileName()});
        ASSERT_TRUE(process.waitForFinished(120000));
        QFile html(folder.filePath(name + ".html"));
        ASSERT_TRUE(html.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray text = html.readAll();
        EXPECT_TRUE(text.contains("<img")) << name.toStdString();
        EXPECT_TRUE(text.contains("before")) << name.toStdString();
        EXPECT_TRUE(text.contains("after")) << name.toStdString();
    }
}

} // namespace
