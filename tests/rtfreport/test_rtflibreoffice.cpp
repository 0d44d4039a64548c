// RTF written by LibreOffice, inserted into a document, must come out of
// LibreOffice whole and in order. The fixture rtf_inserted_by_libreoffice.rtf
// was written by
//   soffice --headless --infilter="HTML (StarWriter)" --convert-to rtf rtf_inserted_by_libreoffice.html
// Skipped where LibreOffice is not installed.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "rprtf_document.h"
#include "rprtf_templatescanner.h"

using namespace rtfreport;

namespace {

const QByteArray HostFonts = "\\fonttbl{\\f0\\froman\\fcharset238 Times New Roman;}}";
const QByteArray HostColors = "\\colortbl;\\red0\\green0\\blue0;}";
const QByteArray HostStyles = "\\stylesheet{\\s0 Normal;}{\\s1\\fs32\\b\\snext0 heading 1;}}";

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A document with the host's own header tables and a paragraph before and
// after the inserted RTF, assembled as the engine assembles its output.
QByteArray DocumentWithInsertion(QIODevice &inserted, bool processLists)
{
    TRpRtfDocument document;
    document.ProcessLists = processLists;
    TRpBufferScanner fonts(HostFonts), colors(HostColors), styles(HostStyles);
    document.LoadFontTable(fonts);
    document.LoadColorTable(colors);
    document.LoadStyleSheet(styles);

    QByteArray body;
    QBuffer bodyBuffer(&body);
    bodyBuffer.open(QIODevice::ReadWrite);
    document.SetOutput(&bodyBuffer);
    bodyBuffer.write("\\pard\\plain\\s1 Before\\par\r\n");
    document.InsertRtfStream(&inserted, false);
    bodyBuffer.write("\\pard\\plain After\\par\r\n");

    QByteArray output;
    QBuffer outputBuffer(&output);
    outputBuffer.open(QIODevice::WriteOnly);
    document.SetOutput(&outputBuffer);
    outputBuffer.write("{\\rtf1\\ansi\\ansicpg1250\\deff0");
    document.OutFontTable();
    document.OutColorTable();
    document.OutStyleSheet();
    document.OutListTable();
    document.OutListOverrideTable();
    outputBuffer.write("\r\n" + body + "}");
    return output;
}

// The document as LibreOffice reads it, converted to UTF-8 text.
QString TextByLibreOffice(const QString &soffice, const QByteArray &rtf)
{
    QTemporaryDir folder;
    const QString rtfPath = folder.filePath("document.rtf");
    QFile file(rtfPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
        return {};
    file.close();
    QProcess process;
    process.start(soffice, {"-env:UserInstallation=file://" + folder.filePath("profile"), "--headless",
                            "--convert-to", "txt:Text (encoded):UTF8", "--outdir", folder.path(), rtfPath});
    if (!process.waitForFinished(120000))
        return {};
    return QString::fromUtf8(ReadFile(folder.filePath("document.txt")));
}

class LibreOfficeInsertionTest : public testing::TestWithParam<bool> {};

TEST_P(LibreOfficeInsertionTest, InsertedTextComesOutWholeAndInOrder)
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";

    QFile inserted(MIRELO_TEST_DATA "/rtf_inserted_by_libreoffice.rtf");
    ASSERT_TRUE(inserted.open(QIODevice::ReadOnly));
    const QString text = TextByLibreOffice(soffice, DocumentWithInsertion(inserted, GetParam()));
    ASSERT_FALSE(text.isEmpty()) << "LibreOffice did not convert the document";

    const QStringList expectedInOrder = {
        "Before",
        QString::fromUtf8("Nota obciążeniowa"),
        "First paragraph with bold, italic and red text.",
        QString::fromUtf8("Second paragraph in Arial: zażółć gęślą jaźń."),
        "List item one",
        "List item two",
        "Cell A1",
        "Cell B1",
        "Cell A2",
        "Cell B2",
        "Last paragraph.",
        "After",
    };
    qsizetype from = 0;
    for (const QString &expected : expectedInOrder) {
        const qsizetype at = text.indexOf(expected, from);
        ASSERT_GE(at, 0) << "missing or out of order: " << expected.toStdString() << "\nin:\n"
                         << text.toStdString();
        from = at + expected.size();
    }
}

INSTANTIATE_TEST_SUITE_P(, LibreOfficeInsertionTest, testing::Bool(), [](const testing::TestParamInfo<bool> &info) {
    return std::string(info.param ? "WithLists" : "WithoutLists");
});

} // namespace
