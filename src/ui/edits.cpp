#include "edits.h"

#include "daynumber.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QSignalBlocker>
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

DateEdit::DateEdit(QWidget *parent)
    : QDateEdit(parent), m_typing(app::formatSettings().shortDateFormat)
{
    setLocale(QLocale(QLocale::Polish, QLocale::Poland));
    setDisplayFormat(app::formatSettings().shortDateFormat);
    setCalendarPopup(true);
    setMinimumDate(QDate(1900, 1, 1));
    setMaximumDate(QDate(9999, 12, 31));
    // The date changes when typing ends, not at every digit: a day typed
    // before its month is no date yet.
    setKeyboardTracking(false);
    m_validator = lineEdit()->validator();
}

// Tab leaves the field, as in every other field of a form.
bool DateEdit::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }

void DateEdit::keyPressEvent(QKeyEvent *event)
{
    if (isReadOnly() || !m_typing.usable()) {
        QDateEdit::keyPressEvent(event);
        return;
    }
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const QChar typed = plain && event->text().size() == 1 ? event->text().at(0) : QChar();
    const bool digit = typed >= QLatin1Char('0') && typed <= QLatin1Char('9');
    // The keypad's decimal key types "," or "." by the keyboard's layout.
    const bool separator = !typed.isNull() && QStringLiteral(".,-/").contains(typed);
    if (digit || separator) {
        if (!m_typing.active() && isValid())
            m_typing.begin(date(), currentSectionIndex());
        else if (!m_typing.active())
            m_typing.resume(currentSectionIndex());
        type(digit ? m_typing.digit(typed) : m_typing.separator());
        return;
    }
    if (m_typing.active() && plain && event->key() == Qt::Key_Backspace) {
        m_typing.backspace();
        showTyping();
        return;
    }
    finishTyping();
    if (!isValid()) {
        // Enter goes to the dialog, whose OK says what is wrong; other keys
        // (arrows, the calendar) start from the date the field had.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->ignore();
            return;
        }
        setDayNumber(dayNumber());
    }
    QDateEdit::keyPressEvent(event);
}

void DateEdit::type(DateTyping::Step step)
{
    if (step == DateTyping::Step::Complete)
        finishTyping();
    else
        showTyping();
}

void DateEdit::showTyping()
{
    QLineEdit *edit = lineEdit();
    showAsTyped(m_typing.text());
    const QSignalBlocker quiet(edit);
    if (m_typing.partTyped())
        edit->setCursorPosition(m_typing.partStart() + m_typing.partLength());
    else
        edit->setSelection(m_typing.partStart(), m_typing.partLength());
}

void DateEdit::showAsTyped(const QString &text)
{
    // The spin box makes a date of every text it hears of at once ("31.02"
    // into "28.02"), by its validator and on every change: it hears nothing
    // of what is being typed.
    QLineEdit *edit = lineEdit();
    const QSignalBlocker quiet(edit);
    edit->setValidator(nullptr);
    edit->setText(text);
}

bool DateEdit::finishTyping()
{
    if (!m_typing.active())
        return isValid();
    m_typing.end();
    const std::optional<QDate> typed = m_typing.date();
    if (!typed || *typed < minimumDate() || *typed > maximumDate()) {
        m_impossible = m_typing.text();
        showAsTyped(m_impossible);
        return false;
    }
    m_impossible.clear();
    lineEdit()->setValidator(m_validator);
    // Shows the date in full also when it stays as it was.
    setDate(*typed);
    setSelectedSection(sectionAt(m_typing.part()));
    return true;
}

void DateEdit::focusInEvent(QFocusEvent *event)
{
    QDateEdit::focusInEvent(event);
    if (!isValid()) {
        // The spin box shows its date again on focus: the typed text stays.
        showAsTyped(m_impossible);
        lineEdit()->selectAll();
    } else if (event->reason() == Qt::BacktabFocusReason) {
        // Reached from the field after it too, a date is typed from its day.
        setSelectedSection(sectionAt(0));
    }
}

void DateEdit::focusOutEvent(QFocusEvent *event)
{
    if (finishTyping()) {
        QDateEdit::focusOutEvent(event);
        return;
    }
    // The spin box would show its date again: leave the typed text for OK
    // to point at.
    QCoreApplication::sendEvent(lineEdit(), event);
    QWidget::focusOutEvent(event);
    emit editingFinished();
}

void DateEdit::mousePressEvent(QMouseEvent *event)
{
    finishTyping();
    QDateEdit::mousePressEvent(event);
}

int DateEdit::dayNumber() const { return app::dayNumber(date()); }

void DateEdit::setDayNumber(int day)
{
    m_typing.end();
    m_impossible.clear();
    lineEdit()->setValidator(m_validator);
    setDate(app::dateOfDay(day));
}

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

bool datesAreValid(Prompts &prompts, std::initializer_list<DateEdit *> fields)
{
    for (DateEdit *edit : fields) {
        if (!edit->isValid()) {
            prompts.error(impossibleDateMessage(edit->impossibleText()));
            edit->setFocus();
            return false;
        }
    }
    return true;
}

QString impossibleDateMessage(const QString &typed)
{
    return QStringLiteral("Nie ma takiej daty: ") + typed
           + QStringLiteral(".\r\nProszę wpisać datę w postaci dd.mm.rrrr, na przykład 15.10.2026.");
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

void setTabOrder(const QList<QWidget *> &widgets)
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
