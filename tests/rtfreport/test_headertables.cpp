// Renumbering tables: number maps, font, colour and style merging, list
// numbers and the helpers that rewrite list texts.

#include <gtest/gtest.h>

#include "rperrors.h"
#include "rpheadertables.h"

using namespace rtfreport;

namespace {

TEST(ReplTable, MapsAddedPairsInAnyOrderAndLeavesOthers)
{
    TRPReplTable map;
    map.AddRepl(9, 1);
    map.AddRepl(2, 5);
    map.AddRepl(-4, 0);
    EXPECT_EQ(map.GetRepl(2), 5);
    EXPECT_EQ(map.GetRepl(9), 1);
    EXPECT_EQ(map.GetRepl(-4), 0);
    EXPECT_EQ(map.GetRepl(3), 3);
    EXPECT_TRUE(map.HasRepl(9));
    EXPECT_FALSE(map.HasRepl(1));
    map.AddRepl(1, 7); // pairs added after a look-up are found too
    EXPECT_EQ(map.GetRepl(1), 7);
}

TEST(ReplTable, TheFirstPairForANumberWins)
{
    TRPReplTable map;
    map.AddRepl(4, 10);
    map.AddRepl(3, 0);
    map.AddRepl(4, 11);
    EXPECT_EQ(map.GetRepl(4), 10);
}

TEST(FontStrings, MergesInsertedFontsByTheirText)
{
    TRPFontStrings fonts;
    fonts.AddFromList({"{\\f0\\froman Times New Roman;}", "{\\f3\\fswiss Arial;}", "{\\fx bad;}",
                       "{\\f}", "\\f1 no brace;"});
    ASSERT_EQ(fonts.Count(), 2);
    EXPECT_EQ(fonts.HighNumber(), 3);

    fonts.AddNew("{\\f0\\fswiss Arial;}");         // equal text: reuses 3
    fonts.AddNew("{\\f1\\fmodern Courier New;}");  // new: 4
    fonts.AddNew("{\\f2\\fswiss Arial Narrow;}"); // new: 5
    EXPECT_EQ(fonts.GetRepl(0), 3);
    EXPECT_EQ(fonts.GetRepl(1), 4);
    EXPECT_EQ(fonts.GetRepl(2), 5);
    EXPECT_EQ(fonts.Count(), 4);
    EXPECT_EQ(fonts.HighNumber(), 5);
    EXPECT_EQ(fonts.GetString(2), "{\\f4\\fmodern Courier New;}");
    EXPECT_EQ(fonts.GetString(4), "");
    EXPECT_EQ(fonts.GetString(-1), "");
}

TEST(ColorStrings, MapsEqualColoursAndAppendsNewOnes)
{
    TRPColorStrings colors;
    colors.Add(";");
    colors.Add("\\red0\\green0\\blue0;");
    colors.Add("no semicolon");
    colors.AddNew(0, ";");
    colors.AddNew(1, "\\red255\\green0\\blue0;");
    colors.AddNew(2, "\\red0\\green0\\blue0;");
    colors.AddNew(3, "\r\n\\red0\\green0\\blue0;"); // compared as it stands: a new colour
    EXPECT_EQ(colors.GetRepl(0), 0);
    EXPECT_EQ(colors.GetRepl(1), 2);
    EXPECT_EQ(colors.GetRepl(2), 1);
    EXPECT_EQ(colors.GetRepl(3), 3);
    EXPECT_EQ(colors.Count(), 4);
    EXPECT_EQ(colors.GetString(2), "\\red255\\green0\\blue0;");
}

TEST(StyleName, IsTheTextAfterTheLastControlWord)
{
    struct Case {
        const char *style;
        const char *name;
        const char *withoutName;
    };
    const Case cases[] = {
        {"{\\s1\\ql\\snext0 heading 1;}", "heading 1", "{\\s1\\ql\\snext0 ;}"},
        {"{\\*\\cs10 \\additive Default Paragraph Font;}", "Default Paragraph Font",
         "{\\*\\cs10 \\additive ;}"},
        {"{\\s0 Normal;}", "Normal", "{\\s0 ;}"},
        {" Normal;}", "", " Normal;}"},                        // no control word
        {"\\ql Normal;}", "", "\\ql Normal;}"},                // only at the first character
        {"{\\s2\\ql Caf\\'e9  ;}", "Caf\\'e9", "{\\s2\\ql ;}"}, // a hex character is no control word
        {"{\\s1\\snext1;}", "", "{\\s1\\snext1;}"},             // no blank
        {"{\\s1 x}", "", "{\\s1 x}"},                           // no ";}"
    };
    for (const Case &c : cases) {
        QByteArray style = c.style;
        EXPECT_EQ(TRPStyleStrings::GetStyleNamefromString(style, false), QByteArray(c.name)) << c.style;
        EXPECT_EQ(style, QByteArray(c.style));
        TRPStyleStrings::GetStyleNamefromString(style, true);
        EXPECT_EQ(style, QByteArray(c.withoutName)) << c.style;
    }
}

class StyleStringsTest : public testing::Test {
protected:
    TRPFontStrings fonts;
    TRPColorStrings colors;
    TRPStyleStrings styles{fonts, colors};

    void SetUp() override
    {
        styles.Add("{\\s0 Normal;}");
        styles.Add("{\\s2\\ql\\snext0 heading 1;}");
        styles.Add("{\\*\\cs10 \\additive Default Paragraph Font;}");
    }
};

TEST_F(StyleStringsTest, DocumentStylesKeepTheirNumbersAndNames)
{
    EXPECT_EQ(styles.Count(), 3);
    EXPECT_EQ(styles.HighNumber(), 10);
    EXPECT_EQ(styles.Item(0).stylename, "");  // "{\s0 Normal;}" names nothing after its number
    EXPECT_EQ(styles.Item(1).stylename, "heading 1");
    EXPECT_EQ(styles.GetString(2), "{\\*\\cs10 \\additive Default Paragraph Font;}");
}

TEST_F(StyleStringsTest, ModeOneMapsAStyleOfTheSameName)
{
    styles.AddNew("{\\s1\\ql\\snext0 heading 1;}");
    styles.AddNew("{\\s4\\qj Normal;}"); // the document's Normal has no name: a new style
    EXPECT_EQ(styles.GetRepl(1), 2);
    EXPECT_EQ(styles.GetRepl(4), 11);
    EXPECT_EQ(styles.Count(), 4);
}

TEST_F(StyleStringsTest, OtherModesAddTheStyleWithoutItsName)
{
    styles.SetStyleMode(0);
    styles.AddNew("{\\s1\\ql\\snext0 heading 1;}");
    EXPECT_EQ(styles.GetRepl(1), 11);
    EXPECT_EQ(styles.GetString(3), "{\\s11\\ql\\snext0 ;}");
    EXPECT_EQ(styles.Item(3).stylename, "");
}

TEST_F(StyleStringsTest, EqualTextsAreReusedWhenTheStyleLinksOnlyToItself)
{
    styles.SetStyleMode(0);
    styles.Add("{\\s5\\qc\\snext5 ;}");
    styles.Add("{\\s6\\qr Right;}");              // named nothing: a word at the first character
    styles.AddNew("{\\s7\\qc\\snext7 ;}");          // same text but for \snext: reused
    styles.AddNew("{\\s8\\qc\\sbasedon0\\snext8 ;}"); // \sbasedon: never compared
    styles.AddNew("{\\s9\\qr Right;}");           // without \snext, among those without it
    styles.AddNew("{\\s3\\qc\\snext4 ;}");          // links to another style: never compared
    EXPECT_EQ(styles.GetRepl(7), 5);
    EXPECT_EQ(styles.GetRepl(8), 11);
    EXPECT_EQ(styles.GetRepl(9), 6);
    EXPECT_EQ(styles.GetRepl(3), 12);
}

TEST_F(StyleStringsTest, CorrectNewStylesRenumbersFontsColoursAndLinks)
{
    fonts.AddRepl(1, 4);
    colors.AddRepl(2, 6);
    styles.SetStyleMode(0);
    styles.AddNew("{\\s3\\f1\\fs20\\cf2\\sbasedon0\\snext4 Body;}");
    styles.AddNew("{\\s4\\f1\\snext3 Next;}");
    styles.CorrectNewStyles();
    EXPECT_EQ(styles.GetString(3), "{\\s11\\f4\\fs20\\cf6\\sbasedon0\\snext12 Body;}");
    EXPECT_EQ(styles.GetString(4), "{\\s12\\f4\\snext11 Next;}");
    styles.CorrectNewStyles(); // corrected once only
    EXPECT_EQ(styles.GetString(3), "{\\s11\\f4\\fs20\\cf6\\sbasedon0\\snext12 Body;}");
}

TEST_F(StyleStringsTest, StyleTypesAreWrittenBack)
{
    styles.SetStyleMode(0);
    styles.AddNew("{\\ds20\\sectd Section;}");
    styles.AddNew("{\\*\\ts21\\tsrowd Table;}");
    styles.AddNew("{\\cs22 Char;}");
    styles.AddNew("{\\ql\r\n Untyped;}");
    EXPECT_EQ(styles.GetString(3), "{\\ds11\\sectd Section;}");
    EXPECT_EQ(styles.GetString(4), "{\\*\\ts12\\tsrowd Table;}");
    EXPECT_EQ(styles.GetString(5), "{\\*\\cs13 Char;}");
    EXPECT_EQ(styles.GetString(6), "{\\s14\\ql Untyped;}");
}

TEST(ListNumbers, NewIdsFollowTheLargest)
{
    struct Case {
        QByteArrayList listIDs;
        qint32 newListID;
    };
    const Case cases[] = {{{"7", "12"}, 13}, {{"-3"}, 1}, {{}, 1}, {{"-7"}, -6}, {{"-1", "-6"}, 1}};
    for (const Case &c : cases) {
        TRpRTFListTable table;
        for (const QByteArray &id : c.listIDs)
            table.AddListString(false, "\\list", "", id, "-2");
        EXPECT_EQ(table.GetNewListID(), c.newListID) << c.listIDs.join(',').constData();
    }
}

TEST(ListNumbers, TemplateIdsCountMinusTwoAsZero)
{
    TRpRTFListTable table;
    table.AddListString(false, "\\list", "", "1", "-2");
    EXPECT_EQ(table.GetNewListTemplateID(), 1);
    TRpRTFListTable other;
    other.AddListString(true, "\\list", "", "2", "-3");
    EXPECT_EQ(other.GetNewListTemplateID(), -2);
    table.AddListString(true, "\\list", "", "2", "-3");
    EXPECT_TRUE(table.ExistsListTemplateID(-3));
    EXPECT_TRUE(table.ExistsListID(2));
    EXPECT_FALSE(table.ExistsListID(3));
}

TEST(ListNumbers, AtTheLargestNumberAFreeRandomOneIsTaken)
{
    TRpRTFListTable table;
    table.AddListString(false, "\\list", "", "2147483647", "2147483647");
    const qint32 id = table.GetNewListID();
    EXPECT_GE(id, 0);
    EXPECT_LT(id, 2147483647);
    EXPECT_GE(table.GetNewListTemplateID(), 0);
}

TEST(ListNumbers, OverrideNumbersFollowTheLargestOfBothLists)
{
    TRpRTFListTable table;
    EXPECT_EQ(table.GetNewLsID(), 1);
    table.AddListOverrideString(false, "\\listoverride", "", "3", "7");
    table.AddListOverrideString(true, "\\listoverride", "", "5", "7");
    EXPECT_EQ(table.GetNewLsID(), 6);
}

TEST(ListNumbers, TextThatIsNoNumberIsRefused)
{
    TRpRTFListTable table;
    table.AddListString(false, "\\list", "", "", "1");
    EXPECT_THROW(table.GetNewListID(), EBadRtfFormat);
    EXPECT_EQ(TextToInt32(" 42 "), 42);
    try {
        TextToInt32("x1");
        FAIL();
    } catch (const EBadRtfFormat &error) {
        EXPECT_EQ(error.message(), "'x1' is not a valid integer value");
    }
}

TEST(ReplaceParam, ReplacesTheFirstNumberedOccurrence)
{
    struct Case {
        const char *text;
        const char *word;
        const char *result;
    };
    const Case cases[] = {
        {"\\list\\listtemplateid5\\listid7{x}", "\\listid", "\\list\\listtemplateid5\\listid99{x}"},
        {"\\LISTID-3 a", "\\listid", "\\LISTID99 a"},
        {"\\listid \\listid+4", "\\listid", "\\listid \\listid99"},
        {"\\listoverride\\listid1\\ls2", "\\ls", "\\listoverride\\listid1\\ls99"},
        {"\\listidx", "\\listid", "\\listidx"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ReplaceParam(c.text, c.word, 99), QByteArray(c.result)) << c.text;
}

TEST(ListTexts, ListsAreSplitOutWithTheirNumbers)
{
    const QByteArrayList tokens = {"{", "\\*", "\\listtable", "{", "\\list", "\\listtemplateid10",
                                   "\\listhybrid", "{", "\\listlevel", "\\f2 ", "}", "\\listid5",
                                   "}", "{", "\\list", "\\listid6 ", "}", "}"};
    const QList<TRpListText> lists = CollectLists(tokens, [](const QByteArray &token) {
        return token == "\\f2 " ? QByteArray("\\f3 ") : token;
    });
    ASSERT_EQ(lists.size(), 2);
    EXPECT_EQ(lists[0].text, "\\list\\listtemplateid10\\listhybrid{\\listlevel\\f3 }\\listid5");
    EXPECT_EQ(lists[0].compare, "\\list\\listhybrid{\\listlevel\\f3 }");
    EXPECT_EQ(lists[0].listID, "5");
    EXPECT_EQ(lists[0].templateID, "10");
    EXPECT_EQ(lists[1].listID, "6");
}

TEST(ListTexts, OverridesAndPicturesAreSplitOut)
{
    const QList<TRpListText> overrides = CollectListOverrides(
        {"{", "\\listoverride", "\\listid5", "\\listoverridecount0", "\\ls1", "}"});
    ASSERT_EQ(overrides.size(), 1);
    EXPECT_EQ(overrides[0].text, "\\listoverride\\listid5\\listoverridecount0\\ls1");
    EXPECT_EQ(overrides[0].compare, "\\listoverride\\listoverridecount0");
    EXPECT_EQ(overrides[0].lsID, "1");

    const QByteArrayList pictures = CollectListPictures(
        {"{", "\\*", "\\listpicture", "{", "\\*", "\\shppict", "{", "\\pict", "A", "}", "}", "{",
         "\\*", "\\shppict", "{", "\\pict", "B", "}", "}", "}"});
    EXPECT_EQ(pictures, (QByteArrayList{"\\*\\shppict{\\pictA}", "\\*\\shppict{\\pictB}"}));
}

TEST(ListTable, PicturesAreNumberedAfterTheTemplatesOnes)
{
    TRpRTFListTable table;
    table.m_pictList = {"\\*\\shppict{\\pict A}", "\\*\\shppict{\\pict B}"};
    EXPECT_EQ(table.PictureIndex("\\*\\SHPPICT{\\pict b}"), 1);
    EXPECT_EQ(table.PictureIndex("\\*\\shppict{\\pict C}"), 2);
    EXPECT_EQ(table.PictureIndex("\\*\\shppict{\\pict D}"), 3);
    EXPECT_EQ(table.PictureIndex("\\*\\shppict{\\pict C}"), 2);
    EXPECT_EQ(table.m_pictListNew.size(), 2);
}

} // namespace
