#include "numbering.h"

#include "daynumber.h"
#include "environment.h"
#include "formatting.h"

namespace app {

QString FormatNoteNumber(const QString &pattern, int number, int day)
{
    const QDate date = dateOfDay(day);
    const QString year = QString::number(date.year());
    const std::pair<QString, QString> tokens[] = {
        {QStringLiteral("RRRR"), year},
        {QStringLiteral("RR"), year.mid(2, 2)},
        {QStringLiteral("MM"), PadNumber(date.month(), 2)},
        {QStringLiteral("NNNN"), PadNumber(number, 4)},
        {QStringLiteral("NNN"), PadNumber(number, 3)},
        {QStringLiteral("NN"), QString::number(number)},
    };
    QString text = pattern;
    for (const auto &[token, value] : tokens) {
        const qsizetype at = text.indexOf(token);
        if (at >= 0)
            text.replace(at, token.size(), value);
    }
    return text;
}

QString FormatNoteNumber(int number, int day)
{
    return FormatNoteNumber(environment().company.systemNumeracji, number, day);
}

} // namespace app
