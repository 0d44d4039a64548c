#pragma once
// The input fields the dialogs share: an amount with a calculator, a date
// with a calendar, and a whole number with arrows.

#include "formatting.h"

#include <QDateEdit>
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
class DateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget *parent = nullptr);

    int dayNumber() const;
    void setDayNumber(int day);
};

// A whole number from `minimum` up, without an upper limit of its own.
class NumberEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit NumberEdit(int minimum = 1, QWidget *parent = nullptr);
};

// Keeps the texts of a disabled dialog dark, so that a shown record reads
// as well as an edited one; the fields still look and act disabled.
void keepLegibleWhenDisabled(QWidget *dialog);

// The message for a field whose text is not an amount.
QString notAnAmountMessage(const QString &fieldLabel);

} // namespace ui
