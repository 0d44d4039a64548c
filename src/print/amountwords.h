#pragma once
// An amount of money in Polish words, as a note writes it under its balance:
// "jeden tysiąc dwieście trzydzieści cztery złote pięćdziesiąt sześć groszy".
//
// Złote and grosze are both spelt out, grosze also when there are none
// ("sto złotych zero groszy"), so that nothing can be added to the words
// afterwards. A count of one thousand or one million is written with "jeden"
// ("jeden tysiąc"), as on a bank transfer.

#include <QString>

#include <optional>

namespace print {

// The largest amount written in words, in grosze: 999 999 999,99 zł.
inline constexpr qint64 MaxGroszeInWords = 99'999'999'999;

// Ten-thousandths (the program's amounts) rounded half away from zero to
// whole grosze.
qint64 roundToGrosze(qint64 tenThousandths);

// The amount in words, "minus" in front of a negative one; nothing when the
// amount, rounded to grosze, lies beyond 999 999 999,99 zł either way.
std::optional<QString> amountInWords(qint64 tenThousandths);

} // namespace print
