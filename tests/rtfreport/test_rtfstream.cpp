// The RTF token stream: tokens, Process with every kind of control word,
// groups copied, skipped and merged, and input that ends badly.

#include <gtest/gtest.h>

#include <QBuffer>

#include "rprtf_controlwords.h"
#include "rprtf_document.h"
#include "rprtfstream.h"
#include "test_casenames.h"

using namespace rtfreport;

namespace {

// Runs Process over `source` for `document` and returns what it wrote.
QByteArray ProcessDevice(TRpRtfDocument &document, QIODevice &source)
{
    QByteArray output;
    QBuffer out(&output);
    out.open(QIODevice::WriteOnly);
    TRpStream stream(&document, &source);
    stream.SetOutStream(&out);
    EXPECT_TRUE(stream.Process());
    out.close();
    return output;
}

QByteArray Process(TRpRtfDocument &document, const QByteArray &input)
{
    QByteArray inputBytes = input;
    QBuffer source(&inputBytes);
    source.open(QIODevice::ReadOnly);
    return ProcessDevice(document, source);
}

QByteArray Process(const QByteArray &input)
{
    TRpRtfDocument document;
    return Process(document, input);
}

struct TokenCase {
    const char *input;
    TRPkwType kind;
    const char *lastRead;
    const char *key;
    const char *param;
    const char *delimiter;
};

class ReadTokenTest : public testing::TestWithParam<TokenCase> {};

TEST_P(ReadTokenTest, DescribesTheFirstToken)
{
    const TokenCase &c = GetParam();
    QByteArray bytes(c.input, qsizetype(std::strlen(c.input) + (c.input[0] == '\0' ? 1 : 0)));
    QBuffer source(&bytes);
    source.open(QIODevice::ReadOnly);
    TRpStream stream(nullptr, &source);
    EXPECT_EQ(stream.ReadToken(), c.kind);
    EXPECT_EQ(stream.LastRead(), QByteArray(c.lastRead));
    EXPECT_EQ(stream.LastKey(), QByteArray(c.key));
    EXPECT_EQ(stream.LastParam(), QByteArray(c.param));
    EXPECT_EQ(stream.LastDelimiter(), QByteArray(c.delimiter));
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, ReadTokenTest,
    testing::Values(TokenCase{"", kwNone, "", "", "", ""},
                    TokenCase{"\0abc", kwNone, "", "", "", ""},
                    TokenCase{"{x", kwOpen, "{", "", "", ""},
                    TokenCase{"}x", kwClose, "}", "", "", ""},
                    TokenCase{"\\fs-20 x", kwKeyWord, "\\fs-20 ", "\\fs", "-20", " "},
                    TokenCase{"\\b;", kwKeyWord, "\\b", "\\b", "", ""},
                    TokenCase{"\\par\r\n", kwKeyWord, "\\par", "\\par", "", ""},
                    TokenCase{"\\*\\generator", kwKeyDest, "\\*", "", "", ""},
                    TokenCase{"\\~", kwKeyChar, "\\~", "", "", ""},
                    TokenCase{"\\{", kwKeyChar, "\\{", "", "", ""},
                    TokenCase{"\\'e9x", kwHexChar, "\\'e9", "", "", ""},
                    TokenCase{"\\'e", kwNone, "\\'e", "", "", ""},
                    TokenCase{"\\", kwNone, "\\", "", "", ""},
                    TokenCase{"\\%", kwNone, "\\%", "", "", ""},
                    TokenCase{"x", kwChar, "x", "", "", ""}), NamedAfter<&TokenCase::input>());

TEST(ProcessToStringList, GivesEveryTokenAsReadWithoutLoneLineBreaks)
{
    EXPECT_EQ(SplitRtfTokens("{\\b\\fs20 a\\'e9\r\n\\*}"),
              (QByteArrayList{"{", "\\b", "\\fs20 ", "a", "\\'e9", "\\*", "}"}));
}

TEST(ProcessToStringList, RefusesAMissingList)
{
    QByteArray bytes = "{a}";
    QBuffer source(&bytes);
    source.open(QIODevice::ReadOnly);
    TRpStream stream(nullptr, &source);
    EXPECT_FALSE(stream.ProcessToStringList(nullptr));
}

TEST(Process, WithoutAnOutputWritesNothingAndFails)
{
    QByteArray bytes = "{a}";
    QBuffer source(&bytes);
    source.open(QIODevice::ReadOnly);
    TRpRtfDocument document;
    TRpStream stream(&document, &source);
    EXPECT_FALSE(stream.Process());
}

TEST(ControlWords, KnowsEachKindAndDropsUnknownWords)
{
    EXPECT_EQ(LookupControlWord("absh"), TRpKwKind::Copied); // the first row
    EXPECT_EQ(LookupControlWord("zwnj"), TRpKwKind::Copied); // the last row
    EXPECT_EQ(LookupControlWord("rtf"), TRpKwKind::Dropped);
    EXPECT_EQ(LookupControlWord("cf"), TRpKwKind::Renumbered);
    EXPECT_EQ(LookupControlWord("bin"), TRpKwKind::ParOrBin);
    EXPECT_EQ(LookupControlWord("deff"), TRpKwKind::DefaultFont);
    EXPECT_EQ(LookupControlWord("xmlopen"), TRpKwKind::SkipGroup);
    EXPECT_EQ(LookupControlWord("shppict"), TRpKwKind::CopyGroup);
    EXPECT_EQ(LookupControlWord("stylesheet"), TRpKwKind::MergeTable);
    EXPECT_EQ(LookupControlWord("trowd"), TRpKwKind::TableWord);
    EXPECT_EQ(LookupControlWord("listtable"), TRpKwKind::ListTable);
    EXPECT_EQ(LookupControlWord("listoverridetable"), TRpKwKind::ListOverrideTable);
    EXPECT_EQ(LookupControlWord("sectd"), TRpKwKind::Dropped);
    EXPECT_EQ(LookupControlWord("aaa"), TRpKwKind::Dropped);
    EXPECT_EQ(LookupControlWord("zzzz"), TRpKwKind::Dropped);
    // Words that share their first eight letters, or all but the last, with a
    // known word: the rest of the word decides.
    EXPECT_EQ(LookupControlWord("trwwidthb"), TRpKwKind::TableWord);
    EXPECT_EQ(LookupControlWord("trwwidthc"), TRpKwKind::Dropped);
    EXPECT_EQ(LookupControlWord("ulthdashdd"), TRpKwKind::Copied);
    EXPECT_EQ(LookupControlWord("ulthdashdx"), TRpKwKind::Dropped);
    EXPECT_EQ(LookupControlWord("trwwidt"), TRpKwKind::Dropped);
    EXPECT_EQ(LookupControlWord("listoverridetablf"), TRpKwKind::Dropped);
}

struct ProcessCase {
    const char *name;
    const char *input;
    const char *output;
    bool inTable = false;
    bool processLists = false;
};

class ProcessTest : public testing::TestWithParam<ProcessCase> {};

TEST_P(ProcessTest, WritesTheBody)
{
    const ProcessCase &c = GetParam();
    TRpRtfDocument document;
    document.m_inTable = c.inTable;
    document.ProcessLists = c.processLists;
    EXPECT_EQ(Process(document, c.input), QByteArray(c.output));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ProcessTest,
    testing::Values(
        ProcessCase{"DroppedWordWithBlankLeavesCarriageReturn", "\\b\\ansi Text", "\\b\rText"},
        ProcessCase{"DocumentWordsVanish", "{\\rtf1\\ansi\\ansicpg1250\\deff0 x}", "{x}"},
        ProcessCase{"UnknownWordsAreDropped", "\\sectd\\caps A\\af3 B", "\rA\rB"},
        ProcessCase{"CopiedWordsKeepNumberAndDelimiter", "\\fs-20 \\b0\\i x", "\\fs-20 \\b0\\i x"},
        ProcessCase{"SymbolsHexAndLineBreaksStay", "a\\~\\'e9\r\nb\\{", "a\\~\\'e9\r\nb\\{"},
        ProcessCase{"EmptyGroupsStay", "{\\b x}{}", "{\\b x}{}"},
        ProcessCase{"DestinationMarkGoesWithTheOpener", "{\\*\\bkmkstart a}", "{\\*\\bkmkstart a}"},
        ProcessCase{"SkippedGroupLeavesNoOpener", "a{\\*\\generator Writer;}b", "ab"},
        ProcessCase{"SkippedGroupAfterWrittenTextIsClosed", "{\\b x\\header h}y", "{\\b x}y"},
        ProcessCase{"InfoGroupIsSkippedWithNestedGroups", "{\\info{\\title T}{\\author A}}z", "z"},
        ProcessCase{"PictureGroupIsCopiedWhole", "{\\pict\\pngblip 89ab\\cf7}x",
                    "{\\pict\\pngblip 89ab\\cf7}x"},
        ProcessCase{"CopiedGroupAfterWrittenTextIsNotWrittenTwice", "{\\b x\\pict 01}y",
                    "{\\b x\\pict 01}y"},
        ProcessCase{"BinaryDataCannotUnbalanceACopiedGroup", "{\\pict\\bin4 {{{{}after",
                    "{\\pict\\bin4 {{{{}after"},
        ProcessCase{"BinaryDataOutsideCopiedGroupsIsPassedOver", "{\\bin2 }}x}", "{x}"},
        ProcessCase{"BinaryDataBeyondTheEndEndsTheInput", "{a\\bin9223372036854775807 x}", "{a}"},
        ProcessCase{"EscapedBackslashBeforeBraceClosesTheGroup", "{\\pict a\\\\}b", "{\\pict a\\\\}b"},
        ProcessCase{"EscapedBraceIsNotCounted", "{\\pict a\\}b}c", "{\\pict a\\}b}c"},
        ProcessCase{"ParIsWrittenWithItsDelimiter", "a\\par b\\par", "a\\par b\\par"},
        ProcessCase{"DeffIsNotWritten", "\\deff3 x", "x"},
        ProcessCase{"PlainWithoutFontTableStaysPlain", "\\plain x", "\\plain x"},
        ProcessCase{"UnmappedReferencesKeepTheirNumbers", "\\f2 \\cf3\\s4 \\cs5 \\ts6\\ds7 x",
                    "\\f2 \\cf3\\s4 \\cs5 \\ts6\\ds7 x"},
        ProcessCase{"ReferenceWithoutNumberStaysAsRead", "\\f x\\cf-y", "\\f x\\cf-y"},
        ProcessCase{"TableWordsOutsideATable", "\\trowd\\cellx100 \\pard\\intbl a\\cell\\row x",
                    "\\trowd\\cellx100 \\pard\\intbl a\\cell\\row x"},
        ProcessCase{"TableWordsInsideATable", "\\pard\\intbl abc\\cell\\row x\\clcbpat2 y",
                    "\\pard\\intbl\rabc\\line x\ry", true},
        ProcessCase{"PardInTableGetsIntbl", "\\pard x", "\\pard\\intbl x", true},
        ProcessCase{"ListWordsWithoutListProcessing",
                    "{\\*\\listtable{\\list\\listid5}}{\\listtext 1.}\\ls1\\ilvl0 Item",
                    "{\r1.}\rItem"},
        ProcessCase{"ListWordsWithListProcessing", "{\\listtext 1.}\\ls1\\ilvl0 Item",
                    "{\\listtext 1.}\\ls1\\ilvl0 Item", false, true},
        ProcessCase{"UnknownSymbolEndsTheStream", "{a\\%b}", "{a}"},
        // The inserted text can neither close the document's groups nor leave its own open.
        ProcessCase{"SurplusClosingBracesAreLeftOut", "{\\rtf1 a}}}}b}", "{\ra}b"},
        ProcessCase{"ClosingBraceBeforeAnyGroupIsLeftOut", "a}b", "ab"},
        ProcessCase{"OpenGroupsAreClosedAtTheEnd", "{\\rtf1 {\\b a", "{\r{\\b a}}"},
        ProcessCase{"GroupOpenedLastIsLeftOut", "{\\rtf1 a{", "{\ra}"},
        ProcessCase{"ByteZeroEndsTheStream", "ab\0cd", "ab"},
        ProcessCase{"BackslashBeforeLineBreakIsAParagraphMark", "a\\\nb\\\r\nc", "a\\\nb\\\r\nc"}),
    [](const testing::TestParamInfo<ProcessCase> &info) { return std::string(info.param.name); });

struct InputOutput {
    const char *input;
    const char *output;
};

TEST(Process, UnclosedGroupsEndTheStreamWithoutLooping)
{
    const InputOutput cases[] = {
        // The rest is read as ordinary tokens once a group cannot be copied or merged.
        // The groups left open are closed at the end.
        {"{\\rtf1 {\\pict abc", "{\r{\rabc}}"},
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}", "{{{\\f0 Arial;}}}"},
        {"{\\rtf1{\\pict 01}{\\colortbl;\\red1;", "{{\\pict 01}{;;}}"},
        // A closed group inside an unclosed one is still copied or skipped.
        {"{\\rtf1{\\shppict{\\pict 01}{\\*\\generator x}z", "{{{\\pict 01}z}}"},
        // A skipped group simply runs to the end.
        {"{x{\\header never closed", "{x}"},
    };
    for (const InputOutput &c : cases)
        EXPECT_EQ(Process(c.input), QByteArray(c.output)) << c.input;
}

TEST(Process, LargeGroupsAreCountedAcrossChunksAndReadWindows)
{
    // Far larger than the counting chunks and the read window, with braces
    // in raw binary data.
    const QByteArray picture = "{\\pict\\pngblip " + QByteArray(150000, 'a') + "\\bin3 {{}"
        + QByteArray(70000, 'b') + "}";
    const QByteArray skipped = "{\\*\\generator " + QByteArray(90000, 'g') + "}";
    EXPECT_EQ(Process("{\\rtf1 " + picture + skipped + "tail}"), "{\r" + picture + "tail}");
}

TEST(Process, ManyNestedUnclosedGroupsAreReadOnceAsTokens)
{
    // Counting every one of them to the end would take hours.
    const QByteArray input = QByteArray("{\\pict ").repeated(300000);
    const QByteArray output = Process(input);
    EXPECT_EQ(output.count('{'), 300000);
    EXPECT_TRUE(output.endsWith("{\r" + QByteArray(300000, '}')));
}

TEST(Process, TokensGiveTheSameOutputWhereverTheyFall)
{
    const InputOutput cases[] = {
        // The input ends inside a token.
        {"a\\", "a"},
        {"a\\'e", "a"},
        {"a\\'e9", "a\\'e9"},
        {"\\fs24", "\\fs24"},
        {"\\fs24 ", "\\fs24 "},
        {"x\\bin5 ab", "x"},
        // Line breaks inside runs of text are copied with them.
        {"a\r\nb\rc\n\\b x\r\n", "a\r\nb\rc\n\\b x\r\n"},
        {"{\\pict\\bin2 }}y}z", "{\\pict\\bin2 }}y}z"},
        // Words and numbers about 16 bytes long, upper-case letters, a lone
        // "-", a byte above 0x7f after a word.
        {"\\abcdefghijklmnop1 x", "\rx"},
        {"\\abcdefghijklmnopq x", "\rx"},
        {"\\abcdefghijklmno12 x\\abcdefghijklmn-1 y\\CF3\\highlight2 z", "\rx\ry\\cf3\\highlight2 z"},
        {"{\\listoverridetablex x}", "{\rx}"},
        {"{\\listoverridetable{\\listoverride\\listid1\\ls1}}y", "y"},
        {"\\PAR x\\Fs24 y", "\\par x\\Fs24 y"},
        {"\\f12345678901234567 x", "\\f12345678901234567 x"},
        {"\\b-\\fs-", "\\b-\\fs-"},
        // Text that starts with a letter, digit or "-" right after a number.
        {"\\f0abc\\fs24-x\\b-1-2 y\\i0 9", "\\f0abc\\fs24-x\\b-1-2 y\\i0 9"},
        {"\\rtlch1abc\\ltrch-x\\loch-2-3 y", "abcx-3 y"},
        {"\\b\xe9x", "\\b\xe9x"},
        {"\\trowd\\trpaddfl3\\trpaddl0 x", "\\trowd\\trpaddfl3\\trpaddl0 x"},
        // Known words of 9 to 16 letters, and unknown ones differing from them
        // in a late letter, inside the input and at its very end.
        {"\\shplockanchor\\nesttableprops\\mborderboxpr2 x\\ulthdashdx y",
         "\\shplockanchor\\nesttableprops\\mborderboxpr2 x\ry"},
        {"{\\mmconnectstrdata a}{\\mmodsofldmpdata b}{\\mmconnectstrdatb c}z", "{\rc}z"},
        {"x\\nesttableprops", "x\\nesttableprops"},
        {"x\\nesttablepropz ", "x\r"},
        {"x\\SHPLOCKANCHOR1", "x\\SHPLOCKANCHOR1"},
        // A word longer than a token may be: the rest of its letters is text.
        {"\\aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa x",
         "aaaaaaaaaaaaaaaaaaaaa x"},
    };
    // Text before the tokens moves them across the end of the first read
    // window and of the first output block (64 KB each), and into the last
    // 100 bytes of the window, where a token makes the window move.
    const qsizetype block = 64 * 1024;
    const qsizetype textSizes[] = {0, block - 101, block - 100, block - 99, block - 17, block - 16,
                                   block - 15, block - 8, block - 2, block - 1, block};
    for (const InputOutput &c : cases) {
        for (qsizetype size : textSizes) {
            const QByteArray text(size, 't');
            EXPECT_EQ(Process(text + c.input), text + c.output) << c.input << " after " << size;
        }
    }
}

// A device that claims more bytes than it gives.
class ShortDevice : public QBuffer {
public:
    using QBuffer::QBuffer;
    qint64 size() const override { return QBuffer::size() + 100000; }
};

TEST(Process, ADeviceGivingLessThanItsSizeEndsTheInput)
{
    for (const char *text : {"{\\pict 01", "{\\rtf1{\\pict 01}{\\fonttbl{\\f0 A;}x", "plain"}) {
        QByteArray input = text;
        ShortDevice source(&input);
        source.open(QIODevice::ReadOnly);
        TRpRtfDocument document;
        EXPECT_FALSE(ProcessDevice(document, source).isEmpty()) << text;
    }
}

TEST(Process, ByteZeroInsideAGroupEndsTheStreamBeforeIt)
{
    EXPECT_EQ(Process(QByteArray("{\\b a\0b}", 8)), QByteArray("{\\b a}"));
}

} // namespace
