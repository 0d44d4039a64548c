#include "datetyping.h"

namespace ui {

DateTyping::DateTyping(const QString &format)
{
    int parts = 0;
    bool seen[3] = {};
    for (qsizetype i = 0; i < format.size();) {
        const QChar letter = format.at(i);
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == letter)
            ++run;
        const bool day = letter == QLatin1Char('d') && run <= 2;
        const bool month = letter == QLatin1Char('M') && run <= 2;
        const bool year = letter == QLatin1Char('y') && (run == 2 || run == 4);
        if (day || month || year) {
            const Kind kind = day ? Kind::Day : month ? Kind::Month : Kind::Year;
            if (parts == 3 || seen[int(kind)])
                return;
            seen[int(kind)] = true;
            m_kinds[parts] = kind;
            m_letters[parts] = format.mid(i, run);
            ++parts;
        } else if (letter.isLetter()) {
            return;  // names of months or days, times: not typed part by part
        } else {
            m_separators[parts] += format.mid(i, run);
        }
        i += run;
    }
    m_usable = parts == 3;
}

void DateTyping::begin(const QDate &shown, int part)
{
    m_shown = shown;
    for (QString &typed : m_typed)
        typed.clear();
    m_part = qBound(0, part, 2);
    m_justFilled = false;
    m_active = true;
}

void DateTyping::resume(int part)
{
    m_part = qBound(0, part, 2);
    m_typed[m_part].clear();
    m_justFilled = false;
    m_active = true;
}

bool DateTyping::partFull(int part) const
{
    const QString &typed = m_typed[part];
    switch (m_kinds[part]) {
    case Kind::Day:
        return typed.size() == 2 || (typed.size() == 1 && typed.at(0) > QLatin1Char('3'));
    case Kind::Month:
        return typed.size() == 2 || (typed.size() == 1 && typed.at(0) > QLatin1Char('1'));
    case Kind::Year:
        return typed.size() == m_letters[part].size();
    }
    return true;
}

DateTyping::Step DateTyping::digit(QChar digit)
{
    m_justFilled = false;
    if (partFull(m_part))
        return Step::Stayed;
    m_typed[m_part] += digit;
    if (!partFull(m_part))
        return Step::Stayed;
    if (m_part == 2)
        return Step::Complete;
    ++m_part;
    m_justFilled = true;
    return Step::MovedOn;
}

DateTyping::Step DateTyping::separator()
{
    if (m_justFilled) {
        m_justFilled = false;
        return Step::Stayed;
    }
    if (m_part == 2)
        return Step::Stayed;
    ++m_part;
    return Step::MovedOn;
}

bool DateTyping::backspace()
{
    m_justFilled = false;
    if (m_typed[m_part].isEmpty()) {
        if (m_part == 0)
            return false;
        --m_part;
    }
    m_typed[m_part].chop(1);
    return true;
}

QString DateTyping::partText(int part) const
{
    QString typed = m_typed[part];
    if (typed.isEmpty())
        return m_shown.toString(m_letters[part]);
    // A day or month left with one digit reads as the field shows it later.
    if (part != m_part && m_kinds[part] != Kind::Year && m_letters[part].size() == 2)
        typed = typed.rightJustified(2, QLatin1Char('0'));
    return typed;
}

QString DateTyping::text() const
{
    return m_separators[0] + partText(0) + m_separators[1] + partText(1) + m_separators[2] + partText(2)
           + m_separators[3];
}

int DateTyping::partStart() const
{
    int start = m_separators[0].size();
    for (int part = 0; part < m_part; ++part)
        start += partText(part).size() + m_separators[part + 1].size();
    return start;
}

int DateTyping::partLength() const { return partText(m_part).size(); }

std::optional<QDate> DateTyping::date() const
{
    int day = m_shown.day(), month = m_shown.month(), year = m_shown.year();
    for (int part = 0; part < 3; ++part) {
        const QString &typed = m_typed[part];
        if (typed.isEmpty())
            continue;
        const int value = typed.toInt();
        switch (m_kinds[part]) {
        case Kind::Day:
            day = value;
            break;
        case Kind::Month:
            month = value;
            break;
        case Kind::Year:
            if (typed.size() == 3)
                return std::nullopt;
            year = typed.size() <= 2 ? 2000 + value : value;
            break;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace ui
