#pragma once
// The input fields the dialogs share: an amount with a calculator, a date
// with a calendar, and a whole number with arrows.

#include "datetyping.h"
#include "formatting.h"
#include "prompts.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <optional>

namespace ui {

// An amount as a Polish user types it ("1 234,56"), shown with two decimals
// and a no-break space between thousands. A sum such as "120+35,50" or
// "12,5*3" is worked out when the field is left. The "." of the numeric
// keypad types the decimal separator.
class AmountEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit AmountEdit(QWidget *parent = nullptr);

    // Ten-thousandths; nothing while the text is not an amount.
    std::optional<qint64> value() const;
    void setValue(qint64 tenThousandths);
    // True when the text reads as an amount.
    bool isValid() const { return value().has_value(); }

signals:
    // The text changed; `value()` says what it now reads as.
    void amountEdited();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // Shows the worked-out amount in the program's format, when it is one.
    void tidy();
};

// A date with a calendar that drops down (Alt+Down or F4), in "dd.MM.yyyy".
// Typed as a Polish user types it (see `DateTyping`): ".", ",", "-" and "/"
// move between day, month and year, the arrows too; only Tab leaves the
// field. The date changes when the year is typed in full or the field is
// left. A typed date the calendar lacks ("31.02.2026") stays in the field
// as typed, as an amount that is no amount does, and `date()` keeps the
// date the field had: `datesAreValid` tells the user at OK.
class DateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget *parent = nullptr);

    int dayNumber() const;
    void setDayNumber(int day);

    // False while the field holds a typed text that is no date.
    bool isValid() const { return m_impossible.isEmpty(); }
    // That text.
    QString impossibleText() const { return m_impossible; }

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void type(DateTyping::Step step);
    void showTyping();
    void showAsTyped(const QString &text);
    // Takes the typed date; false when it is no date.
    bool finishTyping();

    DateTyping m_typing;
    QString m_impossible;
    const QValidator *m_validator = nullptr;  // the spin box's own, while nothing is being typed
};

// True when every field holds a date. Otherwise tells the user which text
// is no date and puts the focus there.
bool datesAreValid(Prompts &prompts, std::initializer_list<DateEdit *> fields);

// "Nie ma takiej daty: 31.02.2026. …"
QString impossibleDateMessage(const QString &typed);

// A whole number from `minimum` up, without an upper limit of its own.
class NumberEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit NumberEdit(int minimum = 1, QWidget *parent = nullptr);
};

// A read-only field filled only through the list button beside it. A key
// that would change its text is refused with `typedInto`; the keys that move
// between fields and close the dialog keep working.
class ListOnlyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ListOnlyEdit(QWidget *parent = nullptr);

signals:
    void typedInto();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// "Dane w tym polu można wprowadzić tylko z pomocą przycisku LISTA."
QString listOnlyMessage();

// Turns typed letters into capitals, by the Polish rules.
class UpperCaseValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &position) const override;
};

// Keeps the texts of a disabled dialog dark, so that a shown record reads
// as well as an edited one; the fields still look and act disabled.
void keepLegibleWhenDisabled(QWidget *dialog);

// A label whose mnemonic leads to `buddy`.
QLabel *labelFor(const QString &text, QWidget *buddy);

// True when every field holds an amount. Otherwise tells the user which
// field does not (by the label given beside it) and puts the focus there.
bool amountsAreValid(Prompts &prompts, std::initializer_list<std::pair<AmountEdit *, QString>> fields);

// Tab moves through `widgets` in this order.
void setTabOrder(const QList<QWidget *> &widgets);

// The message for a field whose text is not an amount.
QString notAnAmountMessage(const QString &fieldLabel);

} // namespace ui
