#include "editnota.h"

#include "daynumber.h"
#include "edits.h"
#include "lengthlimit.h"
#include "listawyboru.h"
#include "masterdata.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace notes {

namespace {

// Further than this from today a date is more likely a slip of the keys
// (2099 for 2029) than a note's date.
constexpr int kDistantDays = 366;

} // namespace

TfrmEditNota::TfrmEditNota(const ui::Context &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("frmEditNota"));
    setWindowTitle(QStringLiteral(" Edycja pozycji noty księgowej"));
    setModal(true);

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlPozycja"));
    rxseNumer = new ui::NumberEdit(1, panel);
    rxseNumer->setMinimumWidth(120);
    edtKontrahent = new ui::ListOnlyEdit(panel);
    edtKontrahent->setMinimumWidth(380);
    bbtnListaKontrahent = new QPushButton(QStringLiteral("&Lista"), panel);
    dedtData = new ui::DateEdit(panel);
    rxceObciazylismy = new ui::AmountEdit(panel);
    rxceUznalismy = new ui::AmountEdit(panel);
    bbtnListaOpisow = new QPushButton(QStringLiteral("L&ista"), panel);
    memTresc = new QPlainTextEdit(panel);
    memTresc->setTabChangesFocus(true);
    memTresc->setMinimumHeight(90);
    m_textLimit = new ui::PlainTextLimit(memTresc, kTextLength, m_context.prompts);

    auto *grid = new QGridLayout(panel);
    grid->addWidget(ui::labelFor(QStringLiteral("&Numer noty"), rxseNumer), 0, 0);
    grid->addWidget(rxseNumer, 0, 1);
    grid->addWidget(ui::labelFor(QStringLiteral("&Odbiorca"), edtKontrahent), 1, 0);
    grid->addWidget(edtKontrahent, 1, 1, 1, 3);
    grid->addWidget(bbtnListaKontrahent, 1, 4);
    grid->addWidget(ui::labelFor(QStringLiteral("&Data"), dedtData), 2, 0);
    grid->addWidget(dedtData, 2, 1);
    grid->addWidget(ui::labelFor(QStringLiteral("O&bciążyliśmy"), rxceObciazylismy), 3, 0);
    grid->addWidget(rxceObciazylismy, 3, 1);
    grid->addWidget(ui::labelFor(QStringLiteral("&Uznaliśmy"), rxceUznalismy), 3, 2);
    grid->addWidget(rxceUznalismy, 3, 3);
    grid->addWidget(ui::labelFor(QStringLiteral("&Treść noty"), memTresc), 4, 0);
    grid->addWidget(bbtnListaOpisow, 4, 4);
    grid->addWidget(memTresc, 5, 0, 1, 5);
    grid->setColumnStretch(3, 1);

    bbtnOK = new QPushButton(QStringLiteral("OK"), this);
    bbtnOK->setDefault(true);
    bbtnAnuluj = new QPushButton(QStringLiteral("Anuluj"), this);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(bbtnOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(bbtnAnuluj, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEditNota::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ui::setTabOrder({rxseNumer, edtKontrahent, bbtnListaKontrahent, dedtData, rxceObciazylismy, rxceUznalismy,
                          bbtnListaOpisow, memTresc, bbtnOK, bbtnAnuluj});

    connect(edtKontrahent, &ui::ListOnlyEdit::typedInto, this,
            [this] { m_context.prompts.error(ui::listOnlyMessage()); });
    connect(bbtnListaKontrahent, &QPushButton::clicked, this, &TfrmEditNota::chooseCounterparty);
    connect(bbtnListaOpisow, &QPushButton::clicked, this, &TfrmEditNota::chooseText);
    connect(dedtData, &QDateEdit::dateChanged, this, &TfrmEditNota::dateChanged);
    connect(rxceObciazylismy, &ui::AmountEdit::amountEdited, this, &TfrmEditNota::applyOkRule);
    connect(rxceUznalismy, &ui::AmountEdit::amountEdited, this, &TfrmEditNota::applyOkRule);
}

void TfrmEditNota::setPosition(int mode, const app::NotePosition &position, bool preview)
{
    setCounterparty(position.idKontrahent);
    rxseNumer->setValue(position.numer);
    SzukajNumeru = position.numer == 0;
    rxceObciazylismy->setValue(position.obciazylismy);
    rxceUznalismy->setValue(position.uznalismy);
    {
        // Setting the date counts as a change, also when it stays the same.
        const QSignalBlocker quiet(dedtData);
        dedtData->setDayNumber(position.data);
    }
    m_filledDate = dedtData->dayNumber();
    m_dateIsEntered = !preview && mode != 2;
    dateChanged();
    // A longer stored text is shown whole, so that OK does not cut it.
    const QString text = QString(position.tresc.trimmed()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_textLimit->allowAtLeast(ui::storedLength(text));
    memTresc->setPlainText(text);
    applyOkRule();

    if (preview) {
        setWindowTitle(QStringLiteral(" Podgląd pozycji noty księgowej"));
        for (QWidget *control : findChild<QWidget *>(QStringLiteral("pnlPozycja"))->findChildren<QWidget *>())
            control->setEnabled(false);
        ui::keepLegibleWhenDisabled(this);
        bbtnOK->setEnabled(true);
    }
    if (mode == 2) {
        rxseNumer->setReadOnly(true);
        dedtData->setReadOnly(true);
        bbtnListaKontrahent->hide();
    }
}

app::NotePosition TfrmEditNota::position() const
{
    app::NotePosition result;
    result.numer = rxseNumer->value();
    result.obciazylismy = rxceObciazylismy->value().value_or(0);
    result.uznalismy = rxceUznalismy->value().value_or(0);
    result.data = dedtData->dayNumber();
    result.idKontrahent = IDKontrahent;
    result.tresc = memTresc->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).trimmed();
    return result;
}

bool TfrmEditNota::numberWasProposed() const
{
    return SzukajNumeru && m_proposedNumber != 0 && rxseNumer->value() == m_proposedNumber;
}

void TfrmEditNota::setCounterparty(int idKontrahent)
{
    IDKontrahent = idKontrahent;
    edtKontrahent->setText(idKontrahent == 0 ? QString() : m_context.data.CounterpartyName(idKontrahent));
    edtKontrahent->setCursorPosition(0);
    applyOkRule();
}

void TfrmEditNota::applyOkRule()
{
    // A text that is not (yet) an amount counts as one: OK then says what is wrong.
    const auto nonZero = [](const ui::AmountEdit *edit) { return edit->value().value_or(1) != 0; };
    bbtnOK->setEnabled(IDKontrahent != 0 && (nonZero(rxceObciazylismy) || nonZero(rxceUznalismy)));
}

void TfrmEditNota::dateChanged()
{
    if (!SzukajNumeru)
        return;
    m_proposedNumber = m_context.data.NextNoteNumber(dedtData->dayNumber());
    rxseNumer->setValue(m_proposedNumber);
}

void TfrmEditNota::chooseCounterparty()
{
    setCounterparty(masterdata::ShowCounterpartyList(m_context, true, this));
    // Chosen: on to what comes next, as a typist expects.
    if (IDKontrahent != 0)
        (dedtData->isReadOnly() ? static_cast<QWidget *>(rxceObciazylismy) : dedtData)->setFocus();
}

void TfrmEditNota::chooseText()
{
    const QString chosen =
        masterdata::ShowPickList(m_context, QStringLiteral("Opisy"),
                                 m_context.env.programFolder + QStringLiteral("Opisy.txt"), 600, 400, this)
            .trimmed();
    if (!chosen.isEmpty())
        memTresc->setPlainText(chosen);
}

void TfrmEditNota::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (!SzukajNumeru && rxceObciazylismy->isEnabled())
        rxceObciazylismy->setFocus();
    else
        rxseNumer->setFocus();
}

void TfrmEditNota::accept()
{
    rxseNumer->interpretText();
    if (!ui::datesAreValid(m_context.prompts, {dedtData}))
        return;
    if (!ui::amountsAreValid(m_context.prompts, {{rxceObciazylismy, QStringLiteral("Obciążyliśmy")},
                                                 {rxceUznalismy, QStringLiteral("Uznaliśmy")}}))
        return;
    if (!bbtnOK->isEnabled())
        return;
    if (!distantDateConfirmed()) {
        dedtData->setFocus();
        return;
    }
    QDialog::accept();
}

// A stored position's date the user left alone is not questioned: an old
// note stays editable without a nag.
bool TfrmEditNota::distantDateConfirmed()
{
    const int date = dedtData->dayNumber();
    const bool newNote = SzukajNumeru;  // its number is proposed
    if (!m_dateIsEntered || (!newNote && date == m_filledDate))
        return true;
    const int days = std::abs(date - app::dayNumber(m_context.env.today()));
    if (days <= kDistantDays)
        return true;
    const QString question = QStringLiteral("Data noty ") + dedtData->date().toString(QStringLiteral("dd.MM.yyyy"))
                             + QStringLiteral(" jest odległa o ") + QString::number(days)
                             + QStringLiteral(" dni od dzisiejszej. Czy zapisać ?");
    return m_context.prompts.question(question, true);
}

bool EditNotePosition(const ui::Context &context, int mode, app::NotePosition &position, bool preview,
                      QWidget *parent, bool *numberProposed)
{
    TfrmEditNota dialog(context, parent ? parent : QApplication::activeWindow());
    dialog.setPosition(mode, position, preview);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    position = dialog.position();
    if (numberProposed)
        *numberProposed = dialog.numberWasProposed();
    return true;
}

} // namespace notes
