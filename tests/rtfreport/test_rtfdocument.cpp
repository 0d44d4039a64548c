// The document's header tables: inserting RTF with its fonts, colours, styles
// and lists merged, the template header readers and writers, txt2rtf and UseColor.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QStringEncoder>

#include "rperrors.h"
#include "rprtf_codepage.h"
#include "rprtf_document.h"
#include "rprtf_templatescanner.h"

using namespace rtfreport;

namespace {

// A document writing its body into memory.
class DocumentTest : public testing::Test {
protected:
    TRpRtfDocument document;
    QByteArray body;
    QBuffer out{&body};

    void SetUp() override
    {
        out.open(QIODevice::ReadWrite);
        document.SetOutput(&out);
    }

    QByteArray Insert(const QByteArray &rtf, bool keepLastPar = true)
    {
        const qint64 start = out.pos();
        document.InsertRtfText(QString::fromLatin1(rtf), keepLastPar);
        return body.mid(start);
    }

    // Reads a template header group with a reader; `group` starts after its "{".
    template <typename Reader>
    void Read(Reader reader, const QByteArray &group)
    {
        TRpBufferScanner scanner(group);
        (document.*reader)(scanner);
    }

    template <typename Writer>
    QByteArray Written(Writer writer)
    {
        const qint64 start = out.pos();
        (document.*writer)();
        return body.mid(start);
    }
};

const QByteArray ArialDocument = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\pard\\plain Hello\\par}";

TEST_F(DocumentTest, InsertedFontGetsTheNextNumber)
{
    document.m_rtfFont = {"{\\f0\\froman Times New Roman;}"};
    EXPECT_EQ(Insert(ArialDocument), "{\\pard\\plain\\f1 Hello\\par}");
    EXPECT_EQ(document.m_rtfFont,
              (QByteArrayList{"{\\f0\\froman Times New Roman;}", "{\\f1\\fswiss Arial;}"}));
}

TEST_F(DocumentTest, LastParagraphMarkIsBlankedInPlace)
{
    document.m_rtfFont = {"{\\f0\\froman Times New Roman;}"};
    EXPECT_EQ(Insert(ArialDocument, false), "{\\pard\\plain\\f1 Hello\r\r\r\r}");
    EXPECT_EQ(Insert("{a\\par b\\par }", false), "{a\\par b\r\r\r\r\r}");
    EXPECT_EQ(Insert("{no mark}", false), "{no mark}");
}

TEST_F(DocumentTest, AnEqualFontIsReused)
{
    document.m_rtfFont = {"{\\f0\\fswiss Arial;}"};
    EXPECT_EQ(Insert(ArialDocument), "{\\pard\\plain\\f0 Hello\\par}");
    EXPECT_EQ(document.m_rtfFont, (QByteArrayList{"{\\f0\\fswiss Arial;}"}));
}

TEST_F(DocumentTest, FontsOfTheBodyAndTheDefaultFontAreRenumbered)
{
    document.m_rtfFont = {"{\\f0\\froman Times New Roman;}", "{\\f1\\fswiss Arial;}"};
    const QByteArray inserted = "{\\rtf1\\deff1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier;}}"
                                "\\plain\\f0 a\\f1 b{\\pnf0 c}}";
    EXPECT_EQ(Insert(inserted), "{\\plain\\f2\\f1 a\\f2 b{\\pnf1 c}}");
}

TEST_F(DocumentTest, ColourTablesAreMerged)
{
    document.m_rtfColor = {";", "\\red0\\green0\\blue0;"};
    EXPECT_EQ(Insert("{{\\colortbl;\\red255\\green0\\blue0;}\\cf1 x\\cf0 y\\highlight1\\cb0 z}"),
              "{\\cf2 x\\cf0 y\\highlight2\\cb0 z}");
    EXPECT_EQ(document.m_rtfColor,
              (QByteArrayList{";", "\\red0\\green0\\blue0;", "\\red255\\green0\\blue0;"}));
}

TEST_F(DocumentTest, StylesMapByNameInModeOne)
{
    document.m_rtfStyle = {"{\\s0 Normal;}", "{\\s2\\ql\\snext0 heading 1;}"};
    EXPECT_EQ(Insert("{{\\stylesheet{\\s1\\ql\\snext0 heading 1;}}\\s1 T}"), "{\\s2 T}");
    EXPECT_EQ(document.m_rtfStyle.size(), 2);
}

TEST_F(DocumentTest, StylesAreAddedWithoutNameInOtherModes)
{
    document.m_rtfStyleMode = 0;
    document.m_rtfStyle = {"{\\s0 Normal;}", "{\\s2\\ql\\snext0 heading 1;}"};
    EXPECT_EQ(Insert("{{\\stylesheet{\\s1\\ql\\snext0 heading 1;}}\\s1 T}"), "{\\s3 T}");
    EXPECT_EQ(document.m_rtfStyle,
              (QByteArrayList{"{\\s0 Normal;}", "{\\s2\\ql\\snext0 heading 1;}", "{\\s3\\ql\\snext0 ;}"}));
}

TEST_F(DocumentTest, ShortHeaderGroupsAreConsumedAndIgnored)
{
    EXPECT_EQ(Insert("{{\\fonttbl{\\f0A}}{\\colortbl}{\\stylesheet{\\s;}}x}"), "{x}");
    EXPECT_TRUE(document.m_rtfFont.isEmpty());
    EXPECT_TRUE(document.m_rtfColor.isEmpty());
    EXPECT_TRUE(document.m_rtfStyle.isEmpty());
}

TEST_F(DocumentTest, TablesLongerThanACountingChunkAreMerged)
{
    QByteArray fonts = "{\\fonttbl";
    for (int font = 0; font < 60; ++font)
        fonts += "{\\f" + QByteArray::number(font) + "\\fswiss Font " + QByteArray::number(font) + ";}";
    EXPECT_EQ(Insert("{" + fonts + "}\\f59 x}"), "{\\f60 x}");
    ASSERT_EQ(document.m_rtfFont.size(), 60);
    EXPECT_EQ(document.m_rtfFont.last(), "{\\f60\\fswiss Font 59;}");
}

TEST_F(DocumentTest, InsertionNeedsAnOutput)
{
    document.SetOutput(nullptr);
    EXPECT_THROW(document.InsertRtfText("{x}", true), EIOError);
}

TEST_F(DocumentTest, InsertRtfStreamReadsTheWholeStream)
{
    QByteArray rtf = "{\\b bold\\par}";
    QBuffer source(&rtf);
    source.open(QIODevice::ReadOnly);
    source.seek(5);
    document.InsertRtfStream(&source, false);
    EXPECT_EQ(body, "{\\b bold\r\r\r\r}");
}

// ---- lists ----------------------------------------------------------------

const QByteArray TemplateListTable =
    "\\*\\listtable\r\n{\\*\\listpicture{\\*\\shppict{\\pict A}}{\\*\\shppict{\\pict B}}}\r\n"
    "{\\list\\listtemplateid100{\\listlevel\\levelnfc0\\f0 ;}\\listid7}}";
const QByteArray TemplateOverrideTable =
    "\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}}";

class ListDocumentTest : public DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        document.ProcessLists = true;
        Read(&TRpRtfDocument::ProcessListTable, TemplateListTable);
        Read(&TRpRtfDocument::ProcessListOverrideTable, TemplateOverrideTable);
    }
};

TEST_F(ListDocumentTest, TemplateListTablesAreRead)
{
    const TRpRTFListTable &table = document.m_rtfListTable;
    EXPECT_TRUE(document.m_isListTable);
    EXPECT_TRUE(document.m_isListOverrideTable);
    EXPECT_EQ(table.m_listPicture, "{\\*\\listpicture{\\*\\shppict{\\pict A}}{\\*\\shppict{\\pict B}}}");
    // Every picture is counted, the last one too.
    EXPECT_EQ(table.m_pictList, (QByteArrayList{"\\*\\shppict{\\pict A}", "\\*\\shppict{\\pict B}"}));
    EXPECT_EQ(table.m_listString, "\n{\\list\\listtemplateid100{\\listlevel\\levelnfc0\\f0 ;}\\listid7}}");
    ASSERT_EQ(table.m_list.Count(), 1);
    EXPECT_EQ(table.m_list.Strings[0], "\\list\\listtemplateid100{\\listlevel\\levelnfc0\\f0 ;}\\listid7");
    EXPECT_EQ(table.m_list.Objects[0]->ListID, "7");
    EXPECT_EQ(table.m_list.Objects[0]->ListTemplateID, "100");
    ASSERT_EQ(table.m_listOverride.Count(), 1);
    EXPECT_EQ(table.m_listOverride.Objects[0]->LsID, "1");
}

TEST_F(ListDocumentTest, AnEqualListAndOverrideAreReused)
{
    const QByteArray inserted =
        "{{\\*\\listtable{\\list\\listtemplateid55{\\listlevel\\levelnfc0\\f0 ;}\\listid3}}"
        "{\\*\\listoverridetable{\\listoverride\\listid3\\listoverridecount0\\ls9}}\\ls9 x}";
    EXPECT_EQ(Insert(inserted), "{\\ls1 x}");
    EXPECT_EQ(document.m_rtfListTable.m_listNew.Count(), 0);
    EXPECT_EQ(document.m_rtfListTable.m_listOverrideNew.Count(), 0);
    EXPECT_EQ(Written(&TRpRtfDocument::OutListOverrideTable), "{\\*\\listoverridetable" + TemplateOverrideTable.mid(20));
}

TEST_F(ListDocumentTest, ANewListGetsFreeNumbersAndItsOwnOverride)
{
    document.m_rtfFont = {"{\\f0\\froman Times;}"};
    const QByteArray inserted =
        "{{\\fonttbl{\\f0\\fswiss Arial;}}"
        "{\\*\\listtable{\\*\\listpicture{\\*\\shppict{\\pict C}}}"
        "{\\list\\listtemplateid100{\\listlevel\\levelnfc23\\levelpicture0\\f0 ;}\\listid7}}"
        "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}}\\ls1 x}";
    EXPECT_EQ(Insert(inserted), "{\\ls2 x}");
    const TRpRTFListTable &table = document.m_rtfListTable;
    ASSERT_EQ(table.m_listNew.Count(), 1);
    EXPECT_EQ(table.m_listNew.Strings[0],
              "\\list\\listtemplateid101{\\listlevel\\levelnfc23\\levelpicture2\\f1 ;}\\listid8");
    ASSERT_EQ(table.m_listOverrideNew.Count(), 1);
    EXPECT_EQ(table.m_listOverrideNew.Strings[0], "\\listoverride\\listid8\\listoverridecount0\\ls2");

    EXPECT_EQ(Written(&TRpRtfDocument::OutListTable),
              "{\\*\\listtable{\\*\\listpicture{\\*\\shppict{\\pict A}}{\\*\\shppict{\\pict B}}"
              "{\\*\\shppict{\\pict C}}}\n"
              "{\\list\\listtemplateid100{\\listlevel\\levelnfc0\\f0 ;}\\listid7}"
              "{\\list\\listtemplateid101{\\listlevel\\levelnfc23\\levelpicture2\\f1 ;}\\listid8}}");
    EXPECT_EQ(Written(&TRpRtfDocument::OutListOverrideTable),
              "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}"
              "{\\listoverride\\listid8\\listoverridecount0\\ls2}}");
}

TEST_F(ListDocumentTest, UniqueListsNeverReuseAList)
{
    document.UniqueLists = true;
    Insert("{{\\*\\listtable{\\list\\listtemplateid55{\\listlevel\\levelnfc0\\f0 ;}\\listid3}}x}");
    ASSERT_EQ(document.m_rtfListTable.m_listNew.Count(), 1);
    EXPECT_EQ(document.m_rtfListTable.m_listNew.Objects[0]->ListID, "3"); // free: kept
}

TEST_F(DocumentTest, ListsAreWrittenOnlyWhenTheTemplateHadThemOrSomeWereAdded)
{
    EXPECT_EQ(Written(&TRpRtfDocument::OutListTable), "");
    EXPECT_EQ(Written(&TRpRtfDocument::OutListOverrideTable), "");
    document.ProcessLists = true;
    Insert("{{\\*\\listtable{\\list\\listtemplateid5\\listid3}}"
           "{\\*\\listoverridetable{\\listoverride\\listid3\\ls4}}x}");
    EXPECT_EQ(Written(&TRpRtfDocument::OutListTable), "{\\*\\listtable{\\list\\listtemplateid5\\listid3}}");
    EXPECT_EQ(Written(&TRpRtfDocument::OutListOverrideTable),
              "{\\*\\listoverridetable{\\listoverride\\listid3\\ls1}}");
}

// ---- template readers and writers -------------------------------------------

TEST(BufferScanner, PassesOverControlCharactersAndReportsTheEnd)
{
    TRpBufferScanner scanner(QByteArray("a\r\n\tb\x01", 6));
    EXPECT_EQ(scanner.LookAhead(5), QByteArray("a\tb") + char(26) + char(26));
    QByteArray read;
    for (int i = 0; i < 6; ++i)
        read += scanner.ReadChar();
    EXPECT_EQ(read, QByteArray("a\n\tb") + char(26) + char(26));
    EXPECT_EQ(scanner.Pos(), 6);
}

TEST_F(DocumentTest, FontTableCharsetsAreRewrittenUnlessUnicode)
{
    document.Charset = 238;
    Read(&TRpRtfDocument::LoadFontTable,
         "\\fonttbl\r\n{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman{\\*\\panose 0}Times;}}rest");
    EXPECT_EQ(document.m_rtfFont,
              (QByteArrayList{"{\\f0\\fswiss\\fcharset238 Arial;}", "{\\f1\\froman{\\*\\panose 0}Times;}"}));
    EXPECT_TRUE(document.m_isFontTable);
    EXPECT_EQ(Written(&TRpRtfDocument::OutFontTable),
              "{\\fonttbl{\\f0\\fswiss\\fcharset238 Arial;}{\\f1\\froman{\\*\\panose 0}Times;}}");

    TRpRtfDocument unicode;
    unicode.UnicodeByDefault = true;
    TRpBufferScanner scanner("\\fonttbl{\\f0\\fcharset0 Arial;}}");
    unicode.LoadFontTable(scanner);
    EXPECT_EQ(unicode.m_rtfFont, (QByteArrayList{"{\\f0\\fcharset0 Arial;}"}));
}

TEST_F(DocumentTest, ColourTableIsReadEntryByEntry)
{
    Read(&TRpRtfDocument::LoadColorTable, "\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}");
    EXPECT_EQ(document.m_rtfColor,
              (QByteArrayList{";", "\\red255\\green0\\blue0;", "\\red0\\green0\\blue255;"}));
    ASSERT_EQ(document.m_docColorTable.size(), 2);
    EXPECT_EQ(document.m_docColorTable[1].color(), 255u * 65536u);
    EXPECT_EQ(Written(&TRpRtfDocument::OutColorTable),
              "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}");

    TRpRtfDocument other;
    TRpBufferScanner scanner("\\colortbl\\red300\\blue2;;\\green7;}");
    other.LoadColorTable(scanner);
    EXPECT_EQ(other.m_rtfColor,
              (QByteArrayList{"\\red44\\green0\\blue2;", ";", "\\red0\\green7\\blue0;"}));
}

TEST_F(DocumentTest, StyleSheetAndDocumentInformationAreReadAsGroups)
{
    Read(&TRpRtfDocument::LoadStyleSheet, "\\stylesheet{\\s0 Normal;}\r\n{\\*\\cs10 \\additive F;}}");
    EXPECT_EQ(document.m_rtfStyle, (QByteArrayList{"{\\s0 Normal;}", "{\\*\\cs10 \\additive F;}"}));
    EXPECT_EQ(Written(&TRpRtfDocument::OutStyleSheet), "{\\stylesheet{\\s0 Normal;}{\\*\\cs10 \\additive F;}}");
    Read(&TRpRtfDocument::LoadDocInfo, "\\info{\\title A \\{x}{\\author B}}");
    EXPECT_EQ(document.m_rtfDocInfo, (QByteArrayList{"{\\title A \\{x}", "{\\author B}"}));
    EXPECT_TRUE(document.m_isStyle);
    EXPECT_TRUE(document.m_isDocInfo);
}

TEST_F(DocumentTest, BrokenHeaderGroupsAreRefusedWithTheirMessages)
{
    struct Case {
        void (TRpRtfDocument::*reader)(TRpTemplateScanner &);
        const char *group;
        const char *message;
    };
    const Case cases[] = {
        {&TRpRtfDocument::LoadFontTable, "\\fonttbl{\\f0 Arial;}", "Can't read font table from input file"},
        {&TRpRtfDocument::LoadFontTable, "\\fonttbl{\\f0\\fcharset Arial;}}",
         "Can't read font table from input file"},
        {&TRpRtfDocument::LoadColorTable, "\\colortbl;\\red1", "Can't read color table from input file"},
        {&TRpRtfDocument::ProcessListTable, "\\*\\listtable{\\*\\listpicture{x}",
         "Can't read list table (listpicture) from input file"},
        {&TRpRtfDocument::ProcessListTable, "\\*\\listtable{\\list\\listid1}",
         "Can't read list table (\\list) from input file"},
        {&TRpRtfDocument::ProcessListOverrideTable, "\\*\\listoverridetable{\\listoverride}",
         "Can't read list override table (\\listoverride) from input file"},
    };
    for (const Case &c : cases) {
        TRpRtfDocument fresh;
        TRpBufferScanner scanner(c.group);
        try {
            (fresh.*c.reader)(scanner);
            ADD_FAILURE() << c.group;
        } catch (const EBadRtfFormat &error) {
            EXPECT_EQ(error.message(), QString::fromLatin1(c.message)) << c.group;
        }
    }
}

TEST_F(DocumentTest, ResetTablesStartsARunAfresh)
{
    document.m_rtfFont = {"{\\f0 A;}"};
    document.m_rtfListTable.m_pictList = {"p"};
    document.m_isFontTable = document.m_inTable = true;
    document.ResetTables();
    EXPECT_TRUE(document.m_rtfFont.isEmpty());
    EXPECT_TRUE(document.m_rtfListTable.m_pictList.isEmpty());
    EXPECT_FALSE(document.m_isFontTable);
    EXPECT_FALSE(document.m_inTable);
}

// ---- plain text and colours ---------------------------------------------------

TEST(Txt2Rtf, EscapesRtfAndTurnsControlCharactersIntoWords)
{
    TRpRtfDocument document;
    EXPECT_EQ(document.txt2rtf("a\\b{c}"), "a\\\\b\\{c\\}");
    EXPECT_EQ(document.txt2rtf("\t\v\f"), "\\tab \\line \\page ");
    EXPECT_EQ(document.txt2rtf("x\r\ny"), "x\\par \ny");
    // Other characters in the code page; one "?" for a character beyond it.
    EXPECT_EQ(document.txt2rtf(QString::fromUtf8("żółć €")), "\xbf\xf3\xb3\xe6 \x80");
    EXPECT_EQ(document.txt2rtf(QString::fromUtf8("ж😀x")), "??x");
}

TEST(AnsiCodePage, ConvertsByTheWindows1250Table)
{
    const struct {
        const char *utf8;
        QByteArray bytes;
    } cases[] = {
        {"ąćęłńóśźż", "\xb9\xe6\xea\xb3\xf1\xf3\x9c\x9f\xbf"},
        {"ĄĆĘŁŃÓŚŹŻ", "\xa5\xc6\xca\xa3\xd1\xd3\x8c\x8f\xaf"},
        {"„cytat” – §1 ©", "\x84" "cytat\x94 \x96 \xa7" "1 \xa9"},
        {"\xc2\xa0", "\xa0"},              // no-break space
        {"\x1a\x7f", QByteArray("\x1a\x7f")}, // control characters as they are
        {"ñ字😀", "???"},                     // beyond the code page; a pair is one character
        {"a\u200bb\ufe0f", "ab"},            // ignorable by default: nothing
    };
    for (const auto &c : cases) {
        const QString text = QString::fromUtf8(c.utf8);
        EXPECT_EQ(ToAnsiCodePage(text), c.bytes) << c.utf8;
        std::string appended = "x";
        AppendAnsiCodePage(text, appended);
        EXPECT_EQ(QByteArray::fromStdString(appended), "x" + c.bytes) << c.utf8;
    }
    EXPECT_EQ(ToAnsiByte(QChar(0x141)), '\xa3');
    EXPECT_EQ(ToAnsiByte(QChar(0xD83D)), '?');  // half of a pair
}

// Every unit gives what the converter gives for it within a whole text: one
// byte, "?" or nothing, whichever units came before it.
TEST(AnsiCodePage, EveryUnitConvertsAsTheConverterConvertsAWholeText)
{
    QString all;
    for (char32_t u = 128; u < 0x10000; ++u)
        if (!QChar::isSurrogate(u))
            all.append(QChar(char16_t(u))).append(QChar(u'\0'));
    QStringEncoder encoder("windows-1250");
    const QByteArray bytes = encoder.encode(all);
    qsizetype at = 0;
    int differing = 0;
    for (qsizetype i = 0; i < all.size(); i += 2) {
        QByteArray expected;  // nothing, when the separator comes at once
        if (bytes.at(at) != '\0') {
            expected = bytes.at(at) == '\x1a' ? QByteArray("?") : bytes.mid(at, 1);
            ++at;
        }
        ++at;  // the separator
        if (ToAnsiCodePage(all.mid(i, 1)) != expected && ++differing <= 5)
            ADD_FAILURE() << "U+" << std::hex << int(all.at(i).unicode());
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(at, bytes.size());
}

TEST(Txt2Rtf, WritesUnicodeEscapesWithACodePageFallback)
{
    TRpRtfDocument document;
    document.UnicodeByDefault = true;
    EXPECT_EQ(document.txt2rtf("plain"), "plain");
    EXPECT_EQ(document.txt2rtf(QString::fromUtf8("Łódź {x}")),
              "{\\uc1 \\u321 \\'A3\\u243 \\'F3d\\u378 \\'9F \\{x\\}}");
    EXPECT_EQ(document.txt2rtf(QString::fromUtf8("€ж")), "{\\uc1 \\u8364 \\'80\\u1078 \\'3F}");
    // Each half of a surrogate pair is written with its own fallback.
    EXPECT_EQ(document.txt2rtf(QString::fromUtf8("a😀")), "{\\uc1 a\\u55357 \\'3F\\u56832 \\'3F}");
}

// A long value is written the same as its characters one by one, in both
// forms, wherever an escape or a surrogate pair falls.
TEST(Txt2Rtf, LongTextIsItsCharactersWrittenInTurn)
{
    const QString pieces[] = {u"a"_qs, u"\\"_qs, u"{"_qs, u"\t"_qs, QString::fromUtf8("ż"), QString::fromUtf8("€"),
                              QString::fromUtf8("😀"), u"\r"_qs, QString::fromUtf8("ж"), u"xyz"_qs};
    for (const bool unicode : {false, true}) {
        TRpRtfDocument document;
        document.UnicodeByDefault = unicode;
        QString text;
        QByteArray expected;
        for (int i = 0; text.size() < 5000; i = (i + 3) % 10) {
            text += pieces[i];
            QByteArray piece = document.txt2rtf(pieces[i]);
            if (piece.startsWith("{\\uc1 "))
                piece = piece.mid(6).chopped(1);
            expected += piece;
        }
        if (unicode)
            expected = "{\\uc1 " + expected + '}';
        EXPECT_EQ(document.txt2rtf(text), expected) << (unicode ? "unicode" : "code page");
    }
}

TEST(UseColor, RegistersColoursOnceIgnoringCase)
{
    TRpRtfDocument document;
    EXPECT_EQ(document.UseColor("\\red1\\green2\\blue3;"), 1);
    EXPECT_EQ(document.m_rtfColor, (QByteArrayList{";", "\\red1\\green2\\blue3;"}));
    EXPECT_EQ(document.UseColor("\\RED1\\green2\\blue3;"), 1);
    EXPECT_EQ(document.UseColor("\\red0\\green0\\blue0;"), 2);
    EXPECT_EQ(document.UseColor(";"), 0);
}

} // namespace
