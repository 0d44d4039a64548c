// A failed run says where its field stands: the field as typed, its
// ordinal, its byte offset and the document text before it. The broken
// templates under data/broken are data/note_template.html with one mistake
// each, written by LibreOffice Writer (data/broken/make-broken-templates.sh).
// SLOWNIE is the
// program's function: slownie_of_text is run by mirelo-rtf's tests.

#include "rpdataset.h"
#include "rperrors.h"
#include "rprtf.h"
#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rtfreport;

namespace {

const QString Data = QStringLiteral(MIRELO_TEST_DATA);

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct BrokenTemplate {
    const char *file;
    const char16_t *message;     // LastErrMsg, as the engine has always said it
    int ordinal;
    const char16_t *fieldText;
    const char16_t *textBefore;
};

void PrintTo(const BrokenTemplate &c, std::ostream *os)
{
    *os << c.file;
}

const BrokenTemplate BrokenTemplates[] = {
    // compile time
    {"unknown_dataset", u"Scan Alias not found: B", 4, u"\\SCAN(B)\\", u"…z dnia DATA Odbiorca: ODBIORCA"},
    {"bad_expression", u"Cannot process an expression: RAZEM>>100 error after RAZEM \">\" not expected", 10,
     u"\\IF(RAZEM>>100)\\", u"…RAZEM) Razem: FNUM(RAZEM,12:2)"},
    {"unclosed_scan", u"Nesting error - endscan expected, but end of document found", 4, u"\\SCAN(A)\\",
     u"…z dnia DATA Odbiorca: ODBIORCA"},
    // the last block left open is the ELSE of the IF
    {"unclosed_if", u"Endif expected, but end of document found", 11, u"\\ELSE\\",
     u"…00) Kwota powyżej stu złotych."},
    // run time
    {"unknown_field", u"Get variable: report variable not found: RAZEMX", 10, u"\\IF(RAZEMX>100)\\",
     u"…RAZEM) Razem: FNUM(RAZEM,12:2)"},
    {"division_by_zero", u"Division by zero. Operation \"/\", expression RAZEM/0", 9, u"\\FNUM(RAZEM/0,12:2)\\",
     u"…SCAN,SUM(A:KWOTA,RAZEM) Razem:"},
};

class NoteReport {
public:
    NoteReport() : positions("POZYCJE", {{"POZ", TRpFieldType::Integer}, {"OPIS", TRpFieldType::String},
                                         {"KWOTA", TRpFieldType::Currency}})
    {
        report.CreateVar("NUMER", "7/2021");
        report.CreateVar("DATA", "30.11.2021");
        report.CreateVar("ODBIORCA", QStringLiteral("Firma Żółw"));
        report.CreateVar("STRONA", "https://example.com|example.com");
        positions.AppendRow({1, QStringLiteral("Usługa księgowa"), 120.5});
        positions.AppendRow({2, QStringLiteral("Zwrot kosztów"), 30.0});
    }
    // The message of a run that fails, or "<no error>".
    QString Run(const QByteArray &templateBytes)
    {
        return MessageOf<ETextError>([&] { RunTemplate(report, templateBytes, {&positions}); });
    }

    TRpRTF report{TRpFormatSettings::Polish()};
    TRpMemoryDataSet positions;
};

class BrokenTemplateTest : public testing::TestWithParam<BrokenTemplate> {};

TEST_P(BrokenTemplateTest, KeepsItsMessageAndSaysWhereTheFieldIs)
{
    const BrokenTemplate &c = GetParam();
    const QByteArray bytes = ReadFile(Data + "/broken/" + c.file + ".rtf");
    ASSERT_FALSE(bytes.isEmpty());
    NoteReport note;
    EXPECT_EQ(note.Run(bytes), QString::fromUtf16(c.message));
    EXPECT_EQ(note.report.LastErrMsg(), QString::fromUtf16(c.message));

    const TRpErrorPlace &place = note.report.LastErrPlace();
    EXPECT_EQ(place.ordinal, c.ordinal);
    EXPECT_EQ(place.fieldText, QString::fromUtf16(c.fieldText));
    EXPECT_EQ(place.textBefore, QString::fromUtf16(c.textBefore));
    // Writer writes these fields as plain text: the offset is where the
    // field's doubled backslash stands.
    QString written = place.fieldText;
    written.replace(u"\\"_qs, u"\\\\"_qs);
    EXPECT_TRUE(bytes.mid(place.byteOffset).startsWith(written.toLatin1())) << place.byteOffset;
    EXPECT_EQ(place.Text(), u"field "_qs + QString::number(c.ordinal) + u" \""_qs + place.fieldText
                                + u"\" at byte "_qs + QString::number(place.byteOffset) + u", after \""_qs
                                + place.textBefore + u'"');

    // The next run that succeeds forgets the place.
    EXPECT_EQ(note.Run(ReadFile(Data + "/note_template.rtf")), u"<no error>"_qs);
    EXPECT_FALSE(note.report.LastErrPlace().IsKnown());
}

INSTANTIATE_TEST_SUITE_P(WrittenByLibreOffice, BrokenTemplateTest, testing::ValuesIn(BrokenTemplates),
                         [](const auto &info) { return std::string(info.param.file); });

TEST(ErrorPlace, FailuresOfNoFieldHaveNoPlace)
{
    NoteReport note;
    note.report.SetMaxOutputSize(100);
    EXPECT_TRUE(note.Run(ReadFile(Data + "/note_template.rtf")).startsWith(u"The report is larger"));
    EXPECT_FALSE(note.report.LastErrPlace().IsKnown());

    QTemporaryDir folder;
    note.report.SetMaxOutputSize(0);
    note.report.SetInFile(folder.filePath("missing.rtf"));
    EXPECT_THROW(note.report.Execute({&note.positions}), EIOError);
    EXPECT_FALSE(note.report.LastErrPlace().IsKnown());
}

TEST(ErrorPlace, FieldsAreCountedAsTheyAreCompiled)
{
    // An empty field ("\\\\") is copied as typed; a field split by
    // formatting is one field, shown without its codes; "\'5c" delimits too.
    NoteReport note;
    const QByteArray bytes = "{\\rtf1 a \\\\\\\\ b \\\\NU{\\b MER}\\\\ c \\'5cNUMER\\'5c d\\par e "
                             "\\\\IF(RAZEMX>1)\\\\ f \\\\ENDIF\\\\}";
    EXPECT_EQ(note.Run(bytes), u"Get variable: report variable not found: RAZEMX"_qs);
    const TRpErrorPlace &place = note.report.LastErrPlace();
    EXPECT_EQ(place.ordinal, 3);
    EXPECT_EQ(place.fieldText, u"\\IF(RAZEMX>1)\\"_qs);
    EXPECT_EQ(place.byteOffset, bytes.indexOf("\\\\IF"));
    EXPECT_EQ(place.textBefore, u"a b NUMER c NUMER d e"_qs);

    EXPECT_EQ(note.Run("{\\rtf1 \\\\SCAN(B)\\\\}"), u"Scan Alias not found: B"_qs);
    EXPECT_EQ(note.report.LastErrPlace().Text(), u"field 1 \"\\SCAN(B)\\\" at byte 7, at the beginning of the document"_qs);
}

TEST(ErrorPlace, VisibleTextIsWhatAWordProcessorShows)
{
    const TextCase cases[] = {
        // header groups, "\*" destinations and pictures are not text
        {u"{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}"
         u"{\\info{\\title Tytuł}}{\\*\\generator Writer}{\\pict\\pngblip 89504e47}Ala ma kota",
         u"Ala ma kota"},
        // the code page, "\u" with its fallback (by "\uc"), escaped braces
        {u"{\\rtf1\\ansi\\ansicpg1250 \\'bf\\'f3\\u322\\'3fw {\\uc2\\u263\\'3f\\'3f}\\{x\\}", u"żółw ć{x}"},
        {u"{\\rtf1\\ansi\\ansicpg1252 caf\\'e9", u"café"},
        // paragraphs, tabs and line ends of the file: one blank
        {u"{\\rtf1 Ala\\par\r\n\\pard  ma\\tab\tkota\\line}", u"Ala ma kota"},
        // field delimiters go, their text stays
        {u"{\\rtf1 Nr \\\\NUMER\\\\ z \\'5cDATA\\'5c", u"Nr NUMER z DATA"},
        // the last 30 characters, marked as cut
        {u"{\\rtf1 0123456789 0123456789 0123456789 0123456789", u"…23456789 0123456789 0123456789"},
    };
    for (const TextCase &c : cases) {
        const QString input = QString::fromUtf16(c.input);
        const QByteArray bytes = input.toLatin1();
        EXPECT_EQ(VisibleTextBefore(bytes, bytes.size(), 30), QString::fromUtf16(c.expected)) << input.toStdString();
    }
}

} // namespace
