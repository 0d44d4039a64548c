#pragma once
// What a user types into a date field, part by part, as a Polish user types
// a date: "15.10.2026", "5.3.2026", "15102026" or "1-1-26". A full part moves
// on by itself; ".", ",", "-" or "/" moves on from a part not yet full, and
// is passed over right after a part filled itself, so "15." does not skip
// the month. Nothing is checked against the calendar until the end, so a day
// the shown month lacks ("31" while February is shown) is kept as typed.
// No widgets: the date field shows `text()` and asks `date()` at the end.

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace ui {

class DateTyping {
public:
    // `format` in Qt's notation, with day, month and year once each
    // ("dd.MM.yyyy"); anything else makes `usable()` false.
    explicit DateTyping(const QString &format);
    bool usable() const { return m_usable; }

    // Typing starts in part `part` (0 = the format's first); the parts not
    // typed keep what `shown` has.
    void begin(const QDate &shown, int part);
    // Typing starts again in `part`, which is typed anew; the other parts
    // keep what was typed before (after a date that was no date).
    void resume(int part);
    void end() { m_active = false; }
    bool active() const { return m_active; }

    enum class Step {
        Stayed,    // the key changed the current part, or changed nothing
        MovedOn,   // the cursor is in the next part now
        Complete,  // the last part is full: the date is typed
    };
    Step digit(QChar digit);
    Step separator();
    // Takes back the last digit, or goes back to the previous part when the
    // current one is empty. False when there is nothing to take back.
    bool backspace();

    // The date as typed so far, parts not typed as shown.
    QString text() const;
    int part() const { return m_part; }
    // Where the current part stands in `text()`, and whether it holds typed
    // digits (else it shows the old value, to be replaced).
    int partStart() const;
    int partLength() const;
    bool partTyped() const { return !m_typed[m_part].isEmpty(); }

    // The typed date; nothing when it is no date of the calendar
    // ("31.02.2026", "00.10.2026"). A year of one or two digits is in this
    // century ("26" is 2026).
    std::optional<QDate> date() const;

private:
    enum class Kind { Day, Month, Year };
    bool partFull(int part) const;
    QString partText(int part) const;

    bool m_usable = false;
    Kind m_kinds[3] = {};
    QString m_letters[3];      // "dd", "MM", "yyyy"
    QString m_separators[4];   // before, between and after the parts
    QDate m_shown;
    QString m_typed[3];
    int m_part = 0;
    bool m_justFilled = false;  // the last digit filled a part and moved on
    bool m_active = false;
};

} // namespace ui
