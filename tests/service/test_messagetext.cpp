// The vendor's message read into paragraphs: RTF's text with bold, italic
// and web links, every other construct dropped; plain text as it stands.
#include "messagetext.h"
#include "qtprinters.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using service::MessageText;

namespace {

// The paragraphs' text, one a line.
QString plain(const MessageText &text)
{
    QStringList lines;
    for (const service::Paragraph &paragraph : text)
        lines << paragraph.text();
    return lines.join(QLatin1Char('\n'));
}

// "text -> address" for every run with a link.
QStringList links(const MessageText &text)
{
    QStringList found;
    for (const service::Paragraph &paragraph : text)
        for (const service::TextRun &run : paragraph.runs)
            if (!run.link.isEmpty())
                found << run.text + " -> " + run.link;
    return found;
}

// "text" with "*" around bold runs and "_" around italic ones.
QString marked(const MessageText &text)
{
    QStringList lines;
    for (const service::Paragraph &paragraph : text) {
        QString line;
        for (const service::TextRun &run : paragraph.runs) {
            const QString bold = run.bold ? "*" : "", italic = run.italic ? "_" : "";
            line += bold + italic + run.text + italic + bold;
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

TEST(MessageText, RtfParagraphsWithBoldAndItalic)
{
    const MessageText text = service::readMessage(
        "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator Riched20 10.0;}{\\info{\\author Vorlane}}"
        "\\viewkind4\\uc1\\pard\\f0\\fs20 Zwyk\\'b3y {\\b pogrubiony} i {\\i kursywa}, \\b oba \\i razem\\b0\\i0\\par\r\n"
        "Druga\\line linia\\tab x\\par\r\n"
        "\\plain\\b Trzecia\\plain  zwyk\\'b3a\\par\r\n}");
    EXPECT_EQ(marked(text), "Zwykły *pogrubiony* i _kursywa_, *oba **_razem_*\n"
                            "Druga\u2028linia\tx\n"
                            "*Trzecia* zwykła");
}

TEST(MessageText, RtfCharacters)
{
    const MessageText text = service::readMessage(
        "{\\rtf1\\ansi\\ansicpg1250\\uc1 \\u380?\\u243\\'f3\\u322?\\u263? \\'9c\\'e6 \\emdash\\~\\{\\}\\\\ "
        "{\\uc2\\u8364\\'80\\'80}x\\u-3913?\\bullet\\ldblquote a\\rdblquote}");
    EXPECT_EQ(plain(text), QString::fromUtf8("żółć ść —\u00A0{}\\ €x\uF0B7•“a”"));
}

TEST(MessageText, HyperlinkFieldsBecomeLinks)
{
    const MessageText text = service::readMessage(
        "{\\rtf1 Zobacz {\\field{\\*\\fldinst{HYPERLINK \"https://www.vorlane.example/nowosci?a=1\" \\\\o "
        "\"podpowiedź\"}}{\\fldrslt{\\ul\\cf1 nowo\\'9cci}}} i {\\field{\\fldinst HYPERLINK http://127.0.0.1:8080/b }"
        "{\\fldrslt {\\b drug\\'b9}}}.\\par}");
    EXPECT_EQ(plain(text), "Zobacz nowości i drugą.");
    EXPECT_EQ(links(text), QStringList({"nowości -> https://www.vorlane.example/nowosci?a=1",
                                        "drugą -> http://127.0.0.1:8080/b"}));
}

TEST(MessageText, WebAddressesInTheTextBecomeLinks)
{
    const MessageText text =
        service::readMessage("{\\rtf1 Strona: http://127.0.0.1/a_b?c=d. Plik file:///etc/passwd, "
                             "{\\b HTTPS://127.0.0.1/x}; javascript:alert(1)}");
    EXPECT_EQ(plain(text), "Strona: http://127.0.0.1/a_b?c=d. Plik file:///etc/passwd, HTTPS://127.0.0.1/x; "
                           "javascript:alert(1)");
    EXPECT_EQ(links(text), QStringList({"http://127.0.0.1/a_b?c=d -> http://127.0.0.1/a_b?c=d",
                                        "HTTPS://127.0.0.1/x -> https://127.0.0.1/x"}));
    EXPECT_EQ(marked(text).count('*'), 2);  // the bold address stays bold
}

// An RTF document and the text read from it.
struct RtfCase {
    const char *name;
    QByteArray rtf;
    QString expected;
};

std::string caseName(const ::testing::TestParamInfo<RtfCase> &info) { return info.param.name; }
void PrintTo(const RtfCase &c, std::ostream *out) { *out << c.name; }

// Constructs that would make a word processor load a file, run something or
// fetch something come out as their text at most, never as a link.
class HostileRtf : public ::testing::TestWithParam<RtfCase> {};

TEST_P(HostileRtf, ComesOutAsInertText)
{
    const MessageText text = service::readMessage(GetParam().rtf);
    EXPECT_EQ(plain(text), GetParam().expected);
    EXPECT_EQ(links(text), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, HostileRtf,
    ::testing::Values(
        RtfCase{"IncludePicture",
                    "{\\rtf1 A{\\field{\\*\\fldinst INCLUDEPICTURE \"file:///etc/passwd\" \\\\* MERGEFORMAT \\\\d}"
                    "{\\fldrslt obraz}}B}",
                    "AobrazB"},
        RtfCase{"IncludePictureFromTheWeb",
                    "{\\rtf1 A{\\field{\\*\\fldinst INCLUDEPICTURE \"http://127.0.0.1:1/x.png\"}{\\fldrslt }}B}", "AB"},
        RtfCase{"IncludeText", "{\\rtf1 A{\\field{\\*\\fldinst INCLUDETEXT \"/etc/passwd\"}{\\fldrslt tekst}}B}",
                    "AtekstB"},
        RtfCase{"DdeAuto", "{\\rtf1 A{\\field{\\*\\fldinst DDEAUTO c:\\\\windows\\\\cmd.exe \"/c calc\"}"
                               "{\\fldrslt }}B}",
                    "AB"},
        RtfCase{"EmbeddedObject",
                    "{\\rtf1 A{\\object\\objemb{\\*\\objclass Package}\\objw10\\objh10"
                    "{\\*\\objdata 01050000020000000800000050616b6167650000}{\\result{\\pict\\wmetafile8 0100}}}B}",
                    "AB"},
        RtfCase{"LinkedObject",
                    "{\\rtf1 A{\\object\\objautlink{\\*\\objclass Word.Document.8}{\\*\\linkfile /etc/passwd}"
                    "{\\result ukryty}}B}",
                    "AB"},
        RtfCase{"Picture", "{\\rtf1 A{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a}B}", "AB"},
        RtfCase{"ShapeWithPicture",
                    "{\\rtf1 A{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\jpegblip ffd8}}}}}"
                    "{\\shppict{\\pict\\jpegblip ffd8}}{\\nonshppict{\\pict\\wmetafile8 01}}B}",
                    "AB"},
        RtfCase{"BinaryDataWithBraces", "{\\rtf1 A{\\pict\\bin5 }}}{{}B}", "AB"},
        RtfCase{"FileLink", "{\\rtf1 A{\\field{\\*\\fldinst HYPERLINK \"file:///etc/passwd\"}{\\fldrslt haslo}}}",
                    "Ahaslo"},
        RtfCase{"UncPathLink",
                    "{\\rtf1 A{\\field{\\*\\fldinst HYPERLINK \"\\\\\\\\serwer\\\\udzial\"}{\\fldrslt udzial}}}",
                    "Audzial"},
        RtfCase{"JavascriptLink",
                    "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"javascript:alert(1)\"}{\\fldrslt kliknij}}}", "kliknij"},
        RtfCase{"LinkWithinTheDocument",
                    "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \\\\l \"http://127.0.0.1/\"}{\\fldrslt do gory}}}",
                    "do gory"},
        RtfCase{"Template", "{\\rtf1{\\*\\template file:///x.dot}{\\stylesheet{\\s1 Heading;}}A}", "A"},
        RtfCase{"UnknownDestination", "{\\rtf1 A{\\*\\nieznane tajne {\\b x}}B}", "AB"},
        RtfCase{"HtmlInside", "{\\rtf1 <img src=\"file:///etc/passwd\"><script>x</script>}",
                    "<img src=\"file:///etc/passwd\"><script>x</script>"}),
    caseName);

// Malformed RTF is read as far as it makes sense, and no shape of it stops
// the reader or makes it take memory out of proportion.
class MalformedRtf : public ::testing::TestWithParam<RtfCase> {};

TEST_P(MalformedRtf, IsReadAsFarAsItMakesSense)
{
    EXPECT_EQ(plain(service::readMessage(GetParam().rtf)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, MalformedRtf,
    ::testing::Values(RtfCase{"Unclosed", "{\\rtf1 {\\b A", "A"},
                      RtfCase{"TextAfterTheDocument", "{\\rtf1 A}B", "A"},
                      RtfCase{"ZeroBytes", QByteArray("{\\rtf1 A\0B}", 11), "A B"},
                      RtfCase{"CutHexEscape", "{\\rtf1 A\\'", "A"},
                      RtfCase{"BadHexEscape", "{\\rtf1 A\\'zzB}", "AB"},
                      RtfCase{"UnknownSymbols", "{\\rtf1 A\\|B\\:C\\0D}", "ABCD"},
                      RtfCase{"HugeNumbers", "{\\rtf1 \\u99999999999 A\\uc99999999999 B\\u65 ?C}", "ABAC"},
                      RtfCase{"NegativeBinary", "{\\rtf1 A\\bin-5 B}", "AB"},
                      RtfCase{"BinaryPastTheEnd", "{\\rtf1 A\\bin999999 B}", "A"},
                      RtfCase{"DeepNesting",
                                    "{\\rtf1 " + QByteArray(100000, '{') + "A" + QByteArray(100000, '}') + "B}",
                                    "B"},
                      RtfCase{"UnknownCodePage", "{\\rtf1\\ansicpg99999 \\'b3}", "ł"}),
    caseName);

TEST(MessageText, PlainTextInTheSystemCodePage)
{
    QStringEncoder windows1250("windows-1250");
    const MessageText text =
        service::readMessage(windows1250.encode(QStringLiteral("Zażółć <b>gęślą</b> {\\b x}\r\n\r\ndrugi: http://127.0.0.1/x.\r\n")));
    EXPECT_EQ(marked(text), "Zażółć <b>gęślą</b> {\\b x}\n\ndrugi: http://127.0.0.1/x.");
    EXPECT_EQ(links(text), QStringList{"http://127.0.0.1/x -> http://127.0.0.1/x"});
}

TEST(MessageText, PlainTextWithAByteOrderMark)
{
    EXPECT_EQ(plain(service::readMessage("\xEF\xBB\xBFZa\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\nb\rc")),
              QString::fromUtf8("Zażółć\nb\nc"));
}

} // namespace

namespace {

// Plain text without a byte-order mark: UTF-8 when the bytes are valid
// UTF-8, as today's editors save it, the office's code page otherwise.
struct PlainCase {
    const char *name;
    QByteArray bytes;
    QString expected;
};

void PrintTo(const PlainCase &c, std::ostream *out) { *out << c.name; }

class PlainTextEncoding : public ::testing::TestWithParam<PlainCase> {};

TEST_P(PlainTextEncoding, IsReadAsTheBytesShow)
{
    EXPECT_EQ(plain(service::readMessage(GetParam().bytes)), GetParam().expected);
}

QByteArray inWindows1250(const QString &text) { return QStringEncoder("windows-1250").encode(text); }

INSTANTIATE_TEST_SUITE_P(
    WithoutAMark, PlainTextEncoding,
    ::testing::Values(
        PlainCase{"Utf8", QStringLiteral("Zażółć gęślą jaźń\r\nŹdźbło").toUtf8(), "Zażółć gęślą jaźń\nŹdźbło"},
        PlainCase{"Utf8WithAddress", QStringLiteral("Więcej: https://127.0.0.1/ż").toUtf8(), "Więcej: https://127.0.0.1/ż"},
        PlainCase{"Windows1250", inWindows1250(QStringLiteral("Zażółć gęślą jaźń")), "Zażółć gęślą jaźń"},
        // One byte that UTF-8 cannot hold is enough to read the whole text in the code page.
        PlainCase{"Utf8ButForOneByte", QStringLiteral("Zażółć").toUtf8() + "\xB9", QString::fromUtf8("ZaĹĽĂłĹ‚Ä‡ą")},
        PlainCase{"Ascii", "Nowa wersja", "Nowa wersja"}),
    [](const ::testing::TestParamInfo<PlainCase> &info) { return info.param.name; });

} // namespace
