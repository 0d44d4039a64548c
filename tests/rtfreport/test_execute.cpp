// The Execute family: where the output goes, the temporary body file, the
// outcome of a run, the data sets' controls, opening the result and the
// template source; and the values of the memory data set a run reads.

#include "rprtf.h"
#include "rpdataset.h"
#include "rperrors.h"
#include "rpformat.h"
#include "rpfunc.h"
#include "test_support.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace rtfreport;

namespace {

const QByteArray Template = "{\\rtf1\\ansi \\\\NUMER\\\\}";

class Execution : public ::testing::Test {
protected:
    Execution() : report(TRpFormatSettings::Polish())
    {
        // Temporary body files land in a folder of the test's own.
        m_savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        report.CreateVar("NUMER", QStringLiteral("7/2021"));
        report.SetOutFile(out.filePath("nota.rtf"));
    }
    ~Execution() override { qputenv("TMPDIR", m_savedTmp); }

    void UseTemplate(const QByteArray &bytes) { report.SetTemplateBuffer(bytes, int(bytes.size())); }
    QStringList TemporaryFiles() const { return QDir(tmp.path()).entryList(QDir::Files); }
    QByteArray Output() const
    {
        QFile file(report.OutFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir tmp;
    QTemporaryDir out;
    TRpRTF report;

private:
    QByteArray m_savedTmp;
};

TEST_F(Execution, SuccessfulRunWritesTheFileAndRemovesItsBody)
{
    UseTemplate(Template);
    bool finished = false;
    report.OnFinished = [&](TRpRTF *sender) { finished = sender == &report; };
    report.Execute({});
    EXPECT_EQ(Output(), QByteArray("{\\rtf1\\ansi \\lang0 7/2021}"));
    EXPECT_TRUE(report.ExecuteSuccessful());
    EXPECT_EQ(report.LastErrMsg(), QStringLiteral("No errors."));
    EXPECT_TRUE(finished);
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

TEST_F(Execution, FailedRunReportsAndRemovesItsBody)
{
    UseTemplate(Template);
    report.SetOutFile(out.filePath("no/such/folder/nota.rtf"));
    EXPECT_THROW(report.Execute({}), EIOError);
    EXPECT_FALSE(report.ExecuteSuccessful());
    EXPECT_TRUE(report.LastErrMsg().startsWith(u"Cannot create file"));
    EXPECT_TRUE(TemporaryFiles().isEmpty());

    UseTemplate(Template);
    report.SetOutFile(out.filePath("nota.rtf"));
    report.Execute({});
    EXPECT_TRUE(report.ExecuteSuccessful());
    EXPECT_EQ(report.LastErrMsg(), QStringLiteral("No errors."));
}

// A failed printout never costs the previous document: each way a run can
// fail, before or during the writing of the output, leaves it as it was and
// no scratch file beside it.
TEST_F(Execution, FailedRunLeavesTheOldOutputAsItWas)
{
    const auto writeOld = [&] {
        QFile old(report.OutFile());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    };
    struct Failure {
        const char *name;
        QByteArray templateBytes;
        qint64 maxOutputSize;
    };
    const Failure failures[] = {
        {"compile error", "{\\rtf1 \\\\SCAN(A)\\\\}", 0},
        {"not a template", "plain text", 0},
        {"document over the limit", "{\\rtf1 " + QByteArray(200, 'x') + "}", 100},
        {"header tables over the limit", "{\\rtf1{\\fonttbl{\\f0 Arial;}}" + QByteArray(90, 'x') + "}", 100},
    };
    for (const Failure &failure : failures) {
        writeOld();
        UseTemplate(failure.templateBytes);
        report.SetMaxOutputSize(failure.maxOutputSize);
        EXPECT_ANY_THROW(report.Execute({})) << failure.name;
        EXPECT_EQ(Output(), QByteArray("old")) << failure.name;
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{"nota.rtf"}) << failure.name;
    }
    // Nor is the template's file: a missing one fails the same way.
    writeOld();
    report.SetInFile(out.filePath("none.rtf"));
    EXPECT_THROW(report.Execute({}), EIOError);
    EXPECT_EQ(Output(), QByteArray("old"));

    UseTemplate(Template);
    report.SetMaxOutputSize(0);
    report.Execute({});
    EXPECT_EQ(Output(), QByteArray("{\\rtf1\\ansi \\lang0 7/2021}"));
}

TEST_F(Execution, OutputLimitEndsATemplateThatNeverEnds)
{
    UseTemplate("{\\rtf1 \\\\SCAN(),WHILE(1<2)\\\\again \\\\ENDSCAN\\\\}");
    report.SetMaxOutputSize(100000);
    EXPECT_THROW(report.Execute({}), EIOError);
    EXPECT_EQ(report.LastErrMsg(), QStringLiteral("The report is larger than the output limit of 100000 bytes"));
    EXPECT_FALSE(QFile::exists(report.OutFile()));
    EXPECT_TRUE(TemporaryFiles().isEmpty());
}

// The template named as the output, by its own name or another way to the
// same file, is refused before anything is written, and stays as it was.
TEST_F(Execution, OutputThatIsTheTemplateIsRefused)
{
    const QString templateFile = out.filePath("szablon.rtf");
    QFile file(templateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Template);
    file.close();
    ASSERT_TRUE(QFile::link(templateFile, out.filePath("link.rtf")));
    report.SetInFile(templateFile);
    for (const QString &output : {templateFile, out.filePath("link.rtf"), out.path() + "/./szablon.rtf"}) {
        report.SetOutFile(output);
        EXPECT_THROW(report.Execute({}), EIOError) << output.toStdString();
        EXPECT_TRUE(report.LastErrMsg().endsWith(u"is the template itself")) << report.LastErrMsg().toStdString();
        QFile kept(templateFile);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), Template);
    }
}

// Whoever made the link, the document is never written through it: in a
// folder others may write to, it could lead to any of the user's files.
TEST_F(Execution, OutputNamedByALinkIsRefusedAndKept)
{
    const QString target = out.filePath("target.rtf");
    const QString link = out.filePath("link.rtf");
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
    file.close();
    ASSERT_TRUE(QFile::link(target, link));
    report.SetOutFile(link);
    UseTemplate(Template);
    EXPECT_THROW(report.Execute({}), EIOError);
    EXPECT_EQ(report.LastErrMsg(),
              u"Cannot create file \""_qs + link + u"\". It is a symbolic link, and nothing is written through one."_qs);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Output(), QByteArray("old"));
    EXPECT_TRUE(TemporaryFiles().isEmpty());

    UseTemplate("{\\rtf1 \\\\SCAN(A)\\\\}");
    EXPECT_THROW(report.Execute({}), EIllegalScanUse);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Output(), QByteArray("old"));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"link.rtf", "target.rtf"}));
}

TEST_F(Execution, FailingOnFinishedFailsTheRun)
{
    UseTemplate(Template);
    report.OnFinished = [](TRpRTF *) { throw EIOError(QStringLiteral("handler failed")); };
    EXPECT_THROW(report.Execute({}), EIOError);
    EXPECT_FALSE(report.ExecuteSuccessful());
    EXPECT_EQ(report.LastErrMsg(), QStringLiteral("handler failed"));
}

TEST_F(Execution, StreamOutputUsesMemoryOrATemporaryFile)
{
    UseTemplate(Template);
    QBuffer memory;
    memory.open(QIODevice::ReadWrite);
    report.ExecuteStream({}, &memory);
    EXPECT_EQ(memory.pos(), 0);
    EXPECT_EQ(memory.data(), QByteArray("{\\rtf1\\ansi \\lang0 7/2021}"));

    QFile file(out.filePath("stream.rtf"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    report.ExecuteStream({}, &file);
    EXPECT_EQ(file.pos(), 0);
    EXPECT_EQ(file.readAll(), QByteArray("{\\rtf1\\ansi \\lang0 7/2021}"));
    EXPECT_TRUE(TemporaryFiles().isEmpty());
    EXPECT_FALSE(QFile::exists(report.OutFile()));
}

TEST_F(Execution, ControlsAreHeldDuringTheRunAndRestoredAfter)
{
    TRpMemoryDataSet enabled("A1", {{"X", TRpFieldType::Integer}});
    TRpMemoryDataSet disabled("B1", {{"X", TRpFieldType::Integer}});
    disabled.DisableControls();
    bool heldDuringRun = false;
    report.OnFinished = [&](TRpRTF *) { heldDuringRun = enabled.ControlsDisabled(); };
    UseTemplate(Template);
    report.Execute({&enabled, &disabled});
    EXPECT_TRUE(heldDuringRun);
    EXPECT_FALSE(enabled.ControlsDisabled());
    disabled.EnableControls();
    EXPECT_FALSE(disabled.ControlsDisabled()) << "exactly one hold left on the disabled set";

    disabled.DisableControls();
    UseTemplate("{\\rtf1 \\\\IF(1<2)\\\\}");
    EXPECT_THROW(report.Execute({&enabled, &disabled}), EIllegalIFUse);
    EXPECT_FALSE(enabled.ControlsDisabled());
    EXPECT_TRUE(disabled.ControlsDisabled());
}

TEST_F(Execution, OpeningTheResult)
{
    UseTemplate(Template);
    EXPECT_EQ(MessageOf<EIOError>([&] { report.ExecuteOpen({}, 1); }),
              QStringLiteral("Failed to open report results. Error message: There is no application associated "
                             "with the given filename extension."));
    EXPECT_TRUE(QFile::exists(report.OutFile())) << "the document is written before it is opened";

    QString opened;
    report.ShellOpen = [&](const QString &fileName, int) {
        opened = fileName;
        return 42;
    };
    report.ExecuteOpen({}, 1);
    EXPECT_EQ(opened, report.OutFile());
    EXPECT_EQ(TRpRTF::ShellResultText(99), QStringLiteral("Reason unknown."));
}

TEST_F(Execution, TemplateSource)
{
    const QString first = out.filePath("first.rtf");
    QFile file(first);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1 file}");
    file.close();

    report.SetInFile(first);
    UseTemplate("{\\rtf1 buffer}");
    report.Execute({});
    report.Execute({});
    EXPECT_EQ(Output(), QByteArray("{\\rtf1 buffer}"));
    report.SetInFile(first);
    report.Execute({});
    EXPECT_EQ(Output(), QByteArray("{\\rtf1 file}"));

    report.SetInFile(out.filePath("missing.rtf"));
    EXPECT_EQ(MessageOf<EIOError>([&] { report.Execute({}); }),
              u"Can't read file "_qs + out.filePath("missing.rtf"));
}

TEST_F(Execution, CreateFileName)
{
    EXPECT_EQ(MessageOf<EIOError>([&] { TRpRTF::CreateFileName(out.filePath("nope"), "x"); }),
              u"CreateFileName: directory "_qs + out.filePath("nope") + u" does not exist"_qs);
    const QString bare = TRpRTF::CreateFileName(QString(), "rp");
    EXPECT_TRUE(bare.startsWith(u"rp"));
    EXPECT_TRUE(bare.endsWith(u".doc"));
    EXPECT_FALSE(bare.contains(u'/'));
    EXPECT_TRUE(TRpRTF::CreateFileName(out.path(), "rp", "rtf").startsWith(out.path() + u"/rp"_qs));
    EXPECT_TRUE(TRpRTF::CreateFileName(out.path(), "rp", "rtf").endsWith(u".rtf"));
    EXPECT_FALSE(TRpRTF::CreateFileName(out.path(), "rp", QString()).contains(u'.'));
    // Asked for twice at once, two names.
    EXPECT_NE(TRpRTF::CreateFileName(out.path(), "rp"), TRpRTF::CreateFileName(out.path(), "rp"));
}

// --- the memory data set's values ----------------------------------------------------

// A value given to AppendRow reads back through every accessor as the
// QVariant it came in would convert: the data set keeps its cells without
// QVariants, so each conversion is code of its own. The same value stands
// in a field of each type, for the display texts.
struct ValueCase {
    const char *name;
    QVariant value;
};

class MemoryDataSetValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(MemoryDataSetValue, ReadsAsItsQVariantConverts)
{
    const QVariant v = GetParam().value;
    const TRpFormatSettings settings = TRpFormatSettings::Polish();
    const std::vector<TRpFieldType> types{TRpFieldType::String,   TRpFieldType::Integer, TRpFieldType::Float,
                                          TRpFieldType::Currency, TRpFieldType::BCD,     TRpFieldType::Boolean,
                                          TRpFieldType::Date,     TRpFieldType::DateTime, TRpFieldType::Blob};
    std::vector<TRpMemoryDataSet::Field> fields;
    for (const TRpFieldType type : types)
        fields.push_back({QStringLiteral("F%1").arg(fields.size()), type});
    TRpMemoryDataSet set("T", fields, settings);
    set.AppendRow(std::vector<QVariant>(types.size(), v));
    ASSERT_EQ(set.RowCount(), 1);

    const double number = v.toDouble();
    const qint64 amount = std::llround(number * 10000.0);
    EXPECT_EQ(set.IsNull(0), v.isNull());
    EXPECT_EQ(set.AsInteger(0), v.toLongLong());
    EXPECT_EQ(set.AsFloat(0), TRpFloat(number));
    EXPECT_EQ(set.AsDateTime(0), number);
    EXPECT_EQ(set.AsBoolean(0), v.toBool());
    EXPECT_EQ(set.AsBytes(0), v.toByteArray());
    EXPECT_EQ(set.AsCurrency(0), amount);

    // Day counts out of the calendar have no date text: both throw.
    const auto outcome = [](const auto &text) -> QString {
        try {
            return text();
        } catch (const EConvertError &error) {
            return u"EConvertError: "_qs + QString::fromUtf8(error.what());
        }
    };
    const auto display = [&](TRpFieldType type) -> QString {
        if (v.isNull())
            return QString();
        switch (type) {
        case TRpFieldType::Integer: return QString::number(v.toLongLong());
        case TRpFieldType::Float:
        case TRpFieldType::BCD: return FloatToTextF(number, TRpFloatFormat::General, 15, 0, settings);
        case TRpFieldType::Currency: return CurrencyToText(amount, settings);
        case TRpFieldType::Boolean: return v.toBool() ? u"True"_qs : u"False"_qs;
        case TRpFieldType::Date: return DateToStr(number, settings);
        case TRpFieldType::DateTime: return DateTimeToStr(number, settings);
        default: return v.toString();
        }
    };
    for (std::size_t i = 0; i < types.size(); ++i) {
        const QString expected = outcome([&] { return display(types[i]); });
        EXPECT_EQ(outcome([&] { return set.DisplayText(int(i)); }), expected) << "field " << i;
        EXPECT_EQ(outcome([&] { return set.AsString(int(i)); }), expected) << "field " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, MemoryDataSetValue,
    ::testing::Values(ValueCase{"null", QVariant()}, ValueCase{"double", 12.5}, ValueCase{"negative_half", -12.5},
                      ValueCase{"fraction_below_half", 0.3}, ValueCase{"small_double", 2.5e-7},
                      ValueCase{"day_count", 44530.4375}, ValueCase{"int", 3}, ValueCase{"zero", 0},
                      ValueCase{"longlong", qint64(5000000000)}, ValueCase{"uint", 4000000000u},
                      ValueCase{"largest_ulonglong", std::numeric_limits<quint64>::max()},
                      ValueCase{"true", true}, ValueCase{"false", false}, ValueCase{"number_text", u"12.5"_qs},
                      ValueCase{"integer_text_with_blanks", u" 12 "_qs}, ValueCase{"word", u"Żółw"_qs},
                      ValueCase{"false_text", u"FALSE"_qs}, ValueCase{"zero_text", u"0"_qs},
                      ValueCase{"empty_text", QString()}, ValueCase{"number_bytes", QByteArray("12.5")},
                      ValueCase{"binary_bytes", QByteArray("\0\xff\x80x", 4)}, ValueCase{"zero_bytes", QByteArray("0")},
                      ValueCase{"date", QDate(2021, 11, 30)}),
    [](const auto &info) { return std::string(info.param.name); });

// Typed values appended without QVariants: amounts are ten-thousandths read
// exactly by AsCurrency and as their double by the rest; a row closes with
// its missing values null and its extra ones dropped; a text given again by
// its number reads as the first.
TEST(MemoryDataSet, TypedRows)
{
    const TRpFormatSettings settings = TRpFormatSettings::Polish();
    TRpMemoryDataSet set("T", {{"C", TRpFieldType::Currency}, {"S", TRpFieldType::String}, {"B", TRpFieldType::Boolean}},
                         settings);
    EXPECT_EQ(set.RecNo(), -1);
    set.AddCurrency(123456789012345678);
    const int text = set.AddText(u"Łąka"_qs);
    set.EndRow();
    set.AddCurrency(-5000);
    set.AddSameText(text);
    set.AddBoolean(true);
    set.AddInteger(7);
    set.EndRow();
    set.AddCurrency(4999);
    set.AddNull();
    set.AddNull();
    set.EndRow();
    ASSERT_EQ(set.RowCount(), 3);
    EXPECT_EQ(set.RecNo(), 0);

    EXPECT_EQ(set.AsCurrency(0), 123456789012345678);
    EXPECT_EQ(set.DisplayText(0), CurrencyToText(123456789012345678, settings));
    EXPECT_EQ(set.AsFloat(0), TRpFloat(123456789012345678 / 10000.0));
    EXPECT_EQ(set.AsInteger(0), 12345678901235);
    EXPECT_EQ(set.AsString(1), u"Łąka");
    EXPECT_TRUE(set.IsNull(2));
    EXPECT_EQ(set.DisplayText(2), QString());
    set.Next();
    EXPECT_EQ(set.AsCurrency(0), -5000);
    EXPECT_EQ(set.AsInteger(0), QVariant(-0.5).toLongLong());
    EXPECT_EQ(set.AsBoolean(0), QVariant(-0.5).toBool());
    EXPECT_EQ(set.AsString(1), u"Łąka");
    EXPECT_TRUE(set.AsBoolean(2));
    set.Next();
    EXPECT_EQ(set.AsInteger(0), QVariant(0.4999).toLongLong());
    EXPECT_EQ(set.AsBoolean(0), QVariant(0.4999).toBool());
    EXPECT_TRUE(set.IsNull(1));
    EXPECT_FALSE(set.Eof());
    set.Next();
    EXPECT_TRUE(set.Eof());
    EXPECT_THROW(set.AddSameText(5), std::out_of_range);
}

// Texts are held one after another in one buffer: a null text stays null
// and an empty one empty, UTF-8 text reads as QString::fromUtf8 reads it
// (a byte order mark at the start dropped), and texts added past the room reserved for
// them read back whole. A text field's text is also lent without a copy.
TEST(MemoryDataSet, TextsReadBackAsTheyCame)
{
    const TRpFormatSettings settings = TRpFormatSettings::Polish();
    TRpMemoryDataSet set("T", {{"S", TRpFieldType::String}, {"C", TRpFieldType::Currency}}, settings);
    set.ReserveTextUnits(4);
    const char *utf8[] = {"\xef\xbb\xbfznak", "a\xef\xbb\xbf", "ż\xf0\x9f\x98\x80ł", "", "a  "};
    for (const char *text : utf8) {
        set.AddTextUtf8(text);
        set.AddCurrency(10000);
        set.EndRow();
    }
    set.AddText(QString());
    set.EndRow();
    set.AppendRow({7, 1.5});
    QStringList many;
    for (int i = 0; i < 500; ++i) {
        many.append(QString(i % 37, QChar(u'a' + i % 26)) + QString::number(i));
        set.AddText(many.last());
        set.EndRow();
    }

    set.First();
    for (const char *text : utf8) {
        EXPECT_EQ(set.AsString(0), QString::fromUtf8(text)) << text;
        EXPECT_FALSE(set.AsString(0).isNull()) << text;
        QStringView view;
        TRpTextScratch scratch;
        ASSERT_TRUE(set.DisplayTextView(0, view, scratch)) << text;
        EXPECT_EQ(view, QString::fromUtf8(text)) << text;
        ASSERT_TRUE(set.DisplayTextView(1, view, scratch)) << "an amount is made in the scratch text";
        EXPECT_EQ(view, set.DisplayText(1));
        set.Next();
    }
    EXPECT_TRUE(set.AsString(0).isNull());
    QStringView view = u"x";
    TRpTextScratch scratch;
    EXPECT_TRUE(set.DisplayTextView(0, view, scratch));
    EXPECT_TRUE(view.isEmpty());
    set.Next();
    EXPECT_FALSE(set.DisplayTextView(0, view, scratch)) << "a number in a text field";
    EXPECT_EQ(set.DisplayText(0), u"7");
    for (const QString &text : many) {
        set.Next();
        EXPECT_EQ(set.AsString(0), text);
    }
}

// A field's text is written without a QString of its own where the data
// set holds it (a text) or makes it in scratch (an amount, a date): the
// same text FieldValueText gives, trailing blanks and a date's time part
// dropped alike. A format, or another type, takes FieldValueText's way.
TEST(MemoryDataSet, FieldValueViewMatchesFieldValueText)
{
    TRpFormatSettings settings = TRpFormatSettings::Polish();
    const std::vector<TRpMemoryDataSet::Field> fields = {{"S", TRpFieldType::String},  {"C", TRpFieldType::Currency},
                                          {"D", TRpFieldType::Date},    {"T", TRpFieldType::DateTime},
                                          {"I", TRpFieldType::Integer}, {"F", TRpFieldType::Float},
                                          {"B", TRpFieldType::Boolean}};
    TRpFieldFormat plain, numeric, boolean;
    numeric.fmtnumber = fmtFNum;
    boolean.fmtnumber = fmtFBool;
    for (const QString &dateFormat : {u"dd.MM.yyyy"_qs, u"d MM yyyy"_qs, u"yyyy-MM-dd HH"_qs}) {
        settings.ShortDateFormat = dateFormat;
        TRpRTF report(settings);
        TRpMemoryDataSet set("T", fields, settings);
        for (const qint64 amount : {qint64(-12345678), qint64(0), qint64(5), qint64(123456789012345)}) {
            set.AddText(amount ? u"Długa 5  "_qs : u"  "_qs);
            set.AddCurrency(amount);
            set.AddDateTime(amount ? 44000.0 : -600000.25);
            set.AddDateTime(amount ? 44000.75 : 1.5);
            set.AddInteger(-amount);
            set.AddFloat(double(amount) / 3);
            set.AddBoolean(false);
            set.EndRow();
        }
        for (int i = 0; i < int(fields.size()); ++i)
            set.AddNull();
        set.EndRow();
        TRpTextScratch scratch;
        for (set.First(); !set.Eof(); set.Next()) {
            for (int field = 0; field < int(fields.size()); ++field) {
                for (const TRpFieldFormat &format : {plain, numeric, boolean}) {
                    const auto view = FieldValueView(set, field, format, scratch);
                    if (view) {
                        EXPECT_EQ(view->toString(), FieldValueText(set, field, format, report, {}))
                            << dateFormat.toStdString() << " field " << field;
                    }
                }
            }
            for (const int field : {0, 1, 2})
                EXPECT_TRUE(set.IsNull(field) || FieldValueView(set, field, plain, scratch)) << "field " << field;
        }
        EXPECT_FALSE(FieldValueView(set, 0, numeric, scratch).has_value());
    }
}

// A template file is compiled once for the runs an engine makes from it:
// what a run changes (the data set's place, a total, the blocks' state)
// starts afresh each time, and a change of the file or of a setting the
// compile reads makes it compile again.
class KeptTemplate : public Execution {
protected:
    KeptTemplate()
        : notes("NOTY", {{"NUMER", TRpFieldType::Integer}, {"KWOTA", TRpFieldType::Float}}, TRpFormatSettings::Polish())
    {
        notes.AppendRow({1, 10.0});
        notes.AppendRow({2, 20.5});
        templateFile = out.filePath("szablon.rtf");
        report.SetInFile(templateFile);
    }

    void WriteTemplate(const QByteArray &body)
    {
        QFile file(templateFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("{\\rtf1\\ansi " + body + "}");
    }
    QByteArray Run(TRpRTF &engine, const std::vector<TRpDataSet *> &dataSets)
    {
        engine.Execute(dataSets);
        QFile file(engine.OutFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // What an engine that never ran this template makes of it.
    QByteArray FreshRun(const std::vector<TRpDataSet *> &dataSets)
    {
        TRpRTF fresh(TRpFormatSettings::Polish());
        fresh.CreateVar("NUMER", QStringLiteral("7/2021"));
        fresh.SetInFile(templateFile);
        fresh.SetOutFile(out.filePath("fresh.rtf"));
        return Run(fresh, dataSets);
    }

    static constexpr char Body[] = "\\\\SCAN(A),SUM(A:KWOTA,T)\\\\[\\\\A:NUMER\\\\\\\\IF(A:NUMER>1)\\\\ big\\\\ENDIF\\\\]"
                                   "\\\\ENDSCAN\\\\=\\\\T\\\\ \\\\IF(1<2)\\\\\\\\NUMER\\\\\\\\ENDIF\\\\";
    TRpMemoryDataSet notes;
    QString templateFile;
};

TEST_F(KeptTemplate, EveryRunGivesTheFirstRunsDocument)
{
    WriteTemplate(Body);
    const QByteArray first = Run(report, {&notes});
    EXPECT_TRUE(first.contains("[\\lang0 1][\\lang0 2 big]=\\lang0 30,5 \\lang0 7/2021")) << first.toStdString();
    EXPECT_EQ(Run(report, {&notes}), first);
    EXPECT_EQ(Run(report, {&notes}), first);
    EXPECT_EQ(FreshRun({&notes}), first);
}

TEST_F(KeptTemplate, RunAfterAFailedRunGivesTheSameDocument)
{
    WriteTemplate(Body);
    const QByteArray first = Run(report, {&notes});
    // Without its data set the scan fails where it stands, as it would the first time.
    EXPECT_EQ(MessageOf<EIllegalScanUse>([&] { report.Execute({}); }), u"Scan Alias not found: A"_qs);
    EXPECT_FALSE(report.ExecuteSuccessful());
    const TRpErrorPlace place = report.LastErrPlace();
    TRpRTF fresh(TRpFormatSettings::Polish());
    fresh.SetInFile(templateFile);
    fresh.SetOutFile(out.filePath("fresh.rtf"));
    EXPECT_THROW(fresh.Execute({}), EIllegalScanUse);
    EXPECT_EQ(place.Text(), fresh.LastErrPlace().Text());
    EXPECT_TRUE(place.IsKnown());
    EXPECT_EQ(Run(report, {&notes}), first);
    EXPECT_TRUE(report.ExecuteSuccessful());
}

TEST_F(KeptTemplate, ChangedFileIsReadAgain)
{
    WriteTemplate("<\\\\NUMER\\\\>");
    EXPECT_TRUE(Run(report, {}).contains("<\\lang0 7/2021>"));
    // The same size, within the same second.
    WriteTemplate("(\\\\NUMER\\\\)");
    EXPECT_TRUE(Run(report, {}).contains("(\\lang0 7/2021)"));
    WriteTemplate("\\\\SCAN(A)\\\\\\\\A:NUMER\\\\;\\\\ENDSCAN\\\\");
    EXPECT_TRUE(Run(report, {&notes}).contains("\\lang0 1;\\lang0 2;"));
}

TEST_F(KeptTemplate, RemovedFileFailsAsBefore)
{
    WriteTemplate(Body);
    Run(report, {&notes});
    const QByteArray kept = Output();
    ASSERT_TRUE(QFile::remove(templateFile));
    EXPECT_EQ(MessageOf<EIOError>([&] { report.Execute({&notes}); }), u"Can't read file "_qs + templateFile);
    EXPECT_FALSE(report.ExecuteSuccessful());
    EXPECT_EQ(Output(), kept);
    WriteTemplate("no fields");
    EXPECT_TRUE(Run(report, {}).contains("no fields"));
}

TEST_F(KeptTemplate, ChangedCompileSettingsCompileAgain)
{
    WriteTemplate("\\\\SLOWO()\\\\ \\\\A.NUMER\\\\");
    EXPECT_TRUE(Run(report, {&notes}).contains("\\\\SLOWO()\\\\ \\lang0 1"));
    // A function added to the list the engine already has.
    TRpUDFList functions;
    report.SetUDFList(&functions);
    EXPECT_TRUE(Run(report, {&notes}).contains("\\\\SLOWO()\\\\"));
    TRpUDF &word = functions.Functions().Add();
    word.SetName("SLOWO");
    word.SetOnCalculate([](TRpBaseReport *, TRpUDFArgs &, int, TRpArgument &result) {
        result.variable()->SetAsString("raz");
    });
    EXPECT_TRUE(Run(report, {&notes}).contains("\\lang0 raz \\lang0 1"));
    // The charset the template's fonts are given is written in as they are read.
    WriteTemplate("{\\fonttbl{\\f0\\fcharset0 Arial;}}x");
    EXPECT_TRUE(Run(report, {}).contains("\\fcharset1 Arial"));
    report.SetCharset(238);
    EXPECT_TRUE(Run(report, {}).contains("\\fcharset238 Arial"));
}

} // namespace
