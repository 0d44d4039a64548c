#include "amountwords.h"

#include <QStringList>

#include <array>

namespace print {

namespace {

constexpr std::array<const char16_t *, 20> UnitsAndTeens = {
    u"zero",       u"jeden",       u"dwa",          u"trzy",          u"cztery",
    u"pięć",       u"sześć",       u"siedem",       u"osiem",         u"dziewięć",
    u"dziesięć",   u"jedenaście",  u"dwanaście",    u"trzynaście",    u"czternaście",
    u"piętnaście", u"szesnaście",  u"siedemnaście", u"osiemnaście",   u"dziewiętnaście",
};
constexpr std::array<const char16_t *, 10> Tens = {
    nullptr,         nullptr,         u"dwadzieścia",    u"trzydzieści",   u"czterdzieści",
    u"pięćdziesiąt", u"sześćdziesiąt", u"siedemdziesiąt", u"osiemdziesiąt", u"dziewięćdziesiąt",
};
constexpr std::array<const char16_t *, 10> Hundreds = {
    nullptr,    u"sto",      u"dwieście", u"trzysta",  u"czterysta",
    u"pięćset", u"sześćset", u"siedemset", u"osiemset", u"dziewięćset",
};

// The three forms a Polish noun takes after a number: 1 złoty, 2 złote,
// 5 złotych.
struct NounForms {
    const char16_t *one;
    const char16_t *few;   // after 2, 3, 4, 22, 23, 24, ... but not 12, 13, 14
    const char16_t *many;  // after 0, 5 to 21, 25, ... and after 1 that ends a larger number
};

// The Polish long scale: a miliard is 10^9, a bilion 10^12.
constexpr NounForms Bilion{u"bilion", u"biliony", u"bilionów"};
constexpr NounForms Miliard{u"miliard", u"miliardy", u"miliardów"};
constexpr NounForms Million{u"milion", u"miliony", u"milionów"};
constexpr NounForms Thousand{u"tysiąc", u"tysiące", u"tysięcy"};
constexpr NounForms Zloty{u"złoty", u"złote", u"złotych"};
constexpr NounForms Grosz{u"grosz", u"grosze", u"groszy"};

QString formAfter(qint64 count, const NounForms &noun)
{
    if (count == 1)
        return QString::fromUtf16(noun.one);
    const qint64 lastDigit = count % 10, lastTwo = count % 100;
    const bool few = lastDigit >= 2 && lastDigit <= 4 && !(lastTwo >= 12 && lastTwo <= 14);
    return QString::fromUtf16(few ? noun.few : noun.many);
}

// 1 to 999.
void appendBelowThousand(QStringList &words, int number)
{
    if (number >= 100)
        words << QString::fromUtf16(Hundreds[number / 100]);
    const int belowHundred = number % 100;
    if (belowHundred >= 20) {
        words << QString::fromUtf16(Tens[belowHundred / 10]);
        if (belowHundred % 10 != 0)
            words << QString::fromUtf16(UnitsAndTeens[belowHundred % 10]);
    } else if (belowHundred != 0) {
        words << QString::fromUtf16(UnitsAndTeens[belowHundred]);
    }
}

// The powers of a thousand a count names, from the largest.
struct PowerOfThousand {
    qint64 size;
    const NounForms &name;
};
constexpr PowerOfThousand Powers[] = {
    {1'000'000'000'000, Bilion}, {1'000'000'000, Miliard}, {1'000'000, Million}, {1000, Thousand}};

// A count from 0 to 999 999 999 999 999 followed by the noun in its form.
QString countInWords(qint64 count, const NounForms &noun)
{
    QStringList words;
    if (count == 0)
        words << QString::fromUtf16(UnitsAndTeens[0]);
    for (const PowerOfThousand &power : Powers) {
        const int times = int(count / power.size % 1000);
        if (times != 0) {
            appendBelowThousand(words, times);
            words << formAfter(times, power.name);
        }
    }
    if (const int rest = int(count % 1000); rest != 0)
        appendBelowThousand(words, rest);
    words << formAfter(count, noun);
    return words.join(u' ');
}

} // namespace

qint64 roundToGrosze(qint64 tenThousandths)
{
    const qint64 grosze = tenThousandths / 100, rest = tenThousandths % 100;
    return grosze + (rest >= 50 ? 1 : 0) - (rest <= -50 ? 1 : 0);
}

QString amountInWords(qint64 tenThousandths)
{
    const qint64 grosze = roundToGrosze(tenThousandths);
    const qint64 magnitude = grosze < 0 ? -grosze : grosze;
    const QString words = countInWords(magnitude / 100, Zloty) + u' ' + countInWords(magnitude % 100, Grosz);
    return grosze < 0 ? u"minus "_qs + words : words;
}

} // namespace print
