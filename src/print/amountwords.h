#pragma once
// An amount of money in Polish words, as a note writes it under its balance:
// "jeden tysiąc dwieście trzydzieści cztery złote pięćdziesiąt sześć groszy".
//
// Złote and grosze are both spelt out, grosze also when there are none
// ("sto złotych zero groszy"), so that nothing can be added to the words
// afterwards. A count of one thousand, million, miliard or bilion is written
// with "jeden" ("jeden tysiąc"), as on a bank transfer. Past millions come
// "miliard" (10^9) and "bilion" (10^12), as Polish counts them.

#include <QString>

namespace print {

// Ten-thousandths (the program's amounts) rounded half away from zero to
// whole grosze.
qint64 roundToGrosze(qint64 tenThousandths);

// The amount in words, "minus" in front of a negative one. Every amount the
// database holds has its words: up to 922 337 203 685 477,58 zł either way.
QString amountInWords(qint64 tenThousandths);

} // namespace print
