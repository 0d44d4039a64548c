#include "edits.h"

#include "daynumber.h"

#include <QKeyEvent>
#include <QLocale>
#include <QTimer>

#include <limits>

namespace ui {

AmountEdit::AmountEdit(QWidget *parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setMaxLength(60);
    setValue(0);
    connect(this, &QLineEdit::textChanged, this, &AmountEdit::amountEdited);
    connect(this, &QLineEdit::editingFinished, this, &AmountEdit::tidy);
}

std::optional<qint64> AmountEdit::value() const { return app::evaluateAmount(text()); }

void AmountEdit::setValue(qint64 tenThousandths) { setText(app::formatAmount(tenThousandths)); }

void AmountEdit::tidy()
{
    if (const std::optional<qint64> amount = value(); amount && text() != app::formatAmount(*amount))
        setValue(*amount);
}

void AmountEdit::keyPressEvent(QKeyEvent *event)
{
    // The keypad has only "." (or ","): it stands for the decimal separator.
    if ((event->modifiers() & Qt::KeypadModifier)
        && (event->text() == QLatin1String(".") || event->text() == QLatin1String(","))) {
        insert(QString(app::formatSettings().decimalSeparator));
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void AmountEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // Typing replaces the amount, as in a calculator. A click places its
    // cursor after this, so select once it has been handled.
    if (event->reason() == Qt::MouseFocusReason)
        QTimer::singleShot(0, this, &QLineEdit::selectAll);
    else if (event->reason() != Qt::PopupFocusReason)
        selectAll();
}

void AmountEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    tidy();
}

DateEdit::DateEdit(QWidget *parent) : QDateEdit(parent)
{
    setLocale(QLocale(QLocale::Polish, QLocale::Poland));
    setDisplayFormat(app::formatSettings().shortDateFormat);
    setCalendarPopup(true);
    setMinimumDate(QDate(1900, 1, 1));
    setMaximumDate(QDate(9999, 12, 31));
}

bool DateEdit::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }

int DateEdit::dayNumber() const { return app::dayNumber(date()); }

void DateEdit::setDayNumber(int day) { setDate(app::dateOfDay(day)); }

NumberEdit::NumberEdit(int minimum, QWidget *parent) : QSpinBox(parent)
{
    setRange(minimum, std::numeric_limits<int>::max());
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

ListOnlyEdit::ListOnlyEdit(QWidget *parent) : QLineEdit(parent) { setReadOnly(true); }

void ListOnlyEdit::keyPressEvent(QKeyEvent *event)
{
    const bool changesText = !event->text().isEmpty() || event->key() == Qt::Key_Delete
                             || event->key() == Qt::Key_Backspace;
    const bool dialogKey = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab
                           || event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return
                           || event->key() == Qt::Key_Enter;
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (changesText && !dialogKey && !shortcut) {
        emit typedInto();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QString listOnlyMessage() { return QStringLiteral("Dane w tym polu można wprowadzić tylko z pomocą przycisku LISTA."); }

QValidator::State UpperCaseValidator::validate(QString &input, int &) const
{
    input = app::polishUpper(input);
    return Acceptable;
}

void keepLegibleWhenDisabled(QWidget *dialog)
{
    QPalette palette = dialog->palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    dialog->setPalette(palette);
}

void setTabOrder(std::initializer_list<QWidget *> widgets)
{
    QWidget *previous = nullptr;
    for (QWidget *widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

QLabel *labelFor(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

bool amountsAreValid(Prompts &prompts, std::initializer_list<std::pair<AmountEdit *, QString>> fields)
{
    for (const auto &[edit, label] : fields) {
        if (!edit->isValid()) {
            prompts.error(notAnAmountMessage(label));
            edit->setFocus();
            edit->selectAll();
            return false;
        }
    }
    return true;
}

QString notAnAmountMessage(const QString &fieldLabel)
{
    return QStringLiteral("Pole \"") + fieldLabel
           + QStringLiteral("\" nie zawiera poprawnej kwoty.\r\nProszę wpisać kwotę, na przykład 1 234,56.");
}

} // namespace ui
