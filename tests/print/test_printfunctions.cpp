// SLOWNIE as templates call it: through the real mirelo-rtf, with every kind
// of argument a template hands it, and the failures a template author meets.

#include "mirelortf.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

using printtests::RunTool;

const QString Data = QStringLiteral(MIRELO_TEST_DATA);

QByteArray Windows1250(const QString &text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

class Slownie : public testing::Test {
protected:
    // Runs a template holding the one field, with the data file and `options`.
    printtests::ToolResult RunField(const QString &field, QStringList options)
    {
        QFile file(folder.filePath("t.rtf"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\\rtf1 \\\\" + field.toLatin1() + "\\\\}");
        file.close();
        options << "--data" << Data + "/slownie_arguments.json" << file.fileName() << "-";
        return RunTool(options);
    }

    QTemporaryDir folder;
};

struct ArgumentCase {
    const char *name;
    const char *field;
    QStringList options;
    const char *words;  // UTF-8
};

class SlownieArguments : public Slownie, public testing::WithParamInterface<ArgumentCase> {};

TEST_P(SlownieArguments, WritesTheWords)
{
    const ArgumentCase &c = GetParam();
    const printtests::ToolResult r = RunField(c.field, c.options);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "{\\rtf1 \\lang1045 " + Windows1250(QString::fromUtf8(c.words)) + "}");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SlownieArguments,
    testing::Values(
        ArgumentCase{"number_variable", "SLOWNIE(KWOTA)", {"--number", "KWOTA=1234.56"},
                     "jeden tysiąc dwieście trzydzieści cztery złote pięćdziesiąt sześć groszy"},
        ArgumentCase{"text_with_decimal_comma", "SLOWNIE(KWOTA)", {"--var", "KWOTA=12,5"},
                     "dwanaście złotych pięćdziesiąt groszy"},
        ArgumentCase{"text_with_point", "SLOWNIE(KWOTA)", {"--var", "KWOTA= 12.05 "},
                     "dwanaście złotych pięć groszy"},
        ArgumentCase{"number_literal", "SLOWNIE(22)", {}, "dwadzieścia dwa złote zero groszy"},
        ArgumentCase{"text_in_thousands", "SLOWNIE(KWOTA)", {"--var", "KWOTA=1\u00a0500\u00a0000\u00a0000,00"},
                     "jeden miliard pięćset milionów złotych zero groszy"},
        ArgumentCase{"largest_amount", "SLOWNIE(KWOTA)", {"--var", "KWOTA=-922337203685477,58"},
                     "minus dziewięćset dwadzieścia dwa biliony trzysta trzydzieści siedem miliardów dwieście trzy "
                     "miliony sześćset osiemdziesiąt pięć tysięcy czterysta siedemdziesiąt siedem złotych "
                     "pięćdziesiąt osiem groszy"},
        ArgumentCase{"sum_in_miliardy", "SLOWNIE(KWOTA+KWOTA)", {"--number", "KWOTA=11000000000"},
                     "dwadzieścia dwa miliardy złotych zero groszy"},
        // Half a grosz in the fourth decimal rounds up.
        ArgumentCase{"currency_field", "SLOWNIE(IBQNOTA:OBCIAZYLISMY)", {},
                     "jeden milion złotych jeden grosz"},
        ArgumentCase{"bcd_field", "SLOWNIE(IBQNOTA:UZNALISMY)", {},
                     "minus dwadzieścia dwa złote dwadzieścia dwa grosze"},
        ArgumentCase{"integer_field", "SLOWNIE(IBQNOTA:NUMER)", {}, "sto jeden złotych zero groszy"},
        ArgumentCase{"expression", "SLOWNIE(IBQNOTA:UZNALISMY-KWOTA)", {"--number", "KWOTA=0.78"},
                     "minus dwadzieścia trzy złote zero groszy"},
        ArgumentCase{"in_lower_case", "slownie(KWOTA)", {"--number", "KWOTA=-1"},
                     "minus jeden złoty zero groszy"}),
    [](const auto &info) { return std::string(info.param.name); });

struct FailureCase {
    const char *name;
    const char *field;
    QStringList options;
    const char *message;
};

class SlownieFailures : public Slownie, public testing::WithParamInterface<FailureCase> {};

TEST_P(SlownieFailures, StopTheRunWithTheReason)
{
    const FailureCase &c = GetParam();
    const printtests::ToolResult r = RunField(c.field, c.options);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    // The reason, then where the failing field stands in the template.
    const QList<QByteArray> lines = r.err.split('\n');
    ASSERT_EQ(lines.size(), 3) << r.err.constData();
    EXPECT_EQ(lines[0], QByteArray("mirelo-rtf: ") + c.message);
    EXPECT_TRUE(lines[1].startsWith("mirelo-rtf: place: field 1 \"\\" + QByteArray(c.field))) << lines[1].constData();
    EXPECT_TRUE(lines[2].isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SlownieFailures,
    testing::Values(
        FailureCase{"beyond_the_largest", "SLOWNIE(KWOTA)", {"--var", "KWOTA=922337203685477,59"},
                    "Amount out of range. Function \"SLOWNIE\", amount 922337203685477,59 "
                    "(words are written from -922337203685477.58 to 922337203685477.58)"},
        FailureCase{"far_beyond", "SLOWNIE(KWOTA)", {"--number", "KWOTA=-1e300"},
                    "Amount out of range. Function \"SLOWNIE\", amount -1E300 "
                    "(words are written from -922337203685477.58 to 922337203685477.58)"},
        FailureCase{"boolean", "SLOWNIE(KWOTA)", {"--bool", "KWOTA=true"},
                    "Operand of numeric type expected. Function \"SLOWNIE\""},
        FailureCase{"date", "SLOWNIE(KWOTA)", {"--date", "KWOTA=2021-11-30"},
                    "Operand of numeric type expected. Function \"SLOWNIE\""},
        FailureCase{"text_that_is_no_number", "SLOWNIE(IBQNOTA:TRESC)", {},
                    "'Refaktura' is not a valid floating point value"},
        FailureCase{"two_arguments", "SLOWNIE(1,2)", {},
                    "Illegal function use: SLOWNIE(1,2) - number of arguments is more than maximum allowed"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
