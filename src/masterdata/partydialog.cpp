#include "partydialog.h"

#include "edits.h"
#include "lengthlimit.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace masterdata {

namespace {

// The details dialogs have no prompts of their own: a paste that does not
// fit is told through the ones in force.
QLineEdit *lineEdit(int maxLength)
{
    auto *edit = new QLineEdit;
    ui::limitLength(edit, maxLength, ui::prompts());
    return edit;
}

} // namespace

void setWholeText(QLineEdit *edit, const QString &text)
{
    // A limit only holds back typing: a longer stored text is shown whole, so
    // that "OK" does not write it back cut short.
    if (text.size() > edit->maxLength())
        edit->setMaxLength(text.size());
    edit->setText(text);
}

PartyDialog::PartyDialog(int streetLength, QWidget *parent)
    : QDialog(parent),
      edtNazwa1(lineEdit(40)),
      edtNazwa2(lineEdit(40)),
      edtUlica(lineEdit(streetLength)),
      edtNumerDomu(lineEdit(15)),
      edtKodPocztowy(lineEdit(15)),
      edtMiejscowosc(lineEdit(30)),
      edtKraj(lineEdit(30)),
      edtNIP(lineEdit(20)),
      edtTelefon(lineEdit(30)),
      bbtnOK(new QPushButton(QStringLiteral("OK"))),
      bbtnAnuluj(new QPushButton(QStringLiteral("Anuluj"))),
      extraLayout(new QGridLayout)
{
    setModal(true);
    setMinimumWidth(440);
    auto *fields = new QGridLayout;
    fields->addWidget(ui::labelFor(QStringLiteral("&Nazwa"), edtNazwa1), 0, 0, 1, 4);
    fields->addWidget(edtNazwa1, 1, 0, 1, 4);
    fields->addWidget(edtNazwa2, 2, 0, 1, 4);
    fields->addWidget(ui::labelFor(QStringLiteral("&Ulica"), edtUlica), 3, 0, 1, 3);
    fields->addWidget(ui::labelFor(QStringLiteral("Nu&mer"), edtNumerDomu), 3, 3);
    fields->addWidget(edtUlica, 4, 0, 1, 3);
    fields->addWidget(edtNumerDomu, 4, 3);
    fields->addWidget(ui::labelFor(QStringLiteral("&Kod"), edtKodPocztowy), 5, 0);
    fields->addWidget(ui::labelFor(QStringLiteral("M&iejscowość"), edtMiejscowosc), 5, 1, 1, 3);
    fields->addWidget(edtKodPocztowy, 6, 0);
    fields->addWidget(edtMiejscowosc, 6, 1, 1, 3);
    fields->addWidget(ui::labelFor(QStringLiteral("K&raj"), edtKraj), 7, 0, 1, 2);
    fields->addWidget(ui::labelFor(QStringLiteral("NI&P"), edtNIP), 7, 2, 1, 2);
    fields->addWidget(edtKraj, 8, 0, 1, 2);
    fields->addWidget(edtNIP, 8, 2, 1, 2);
    fields->addWidget(ui::labelFor(QStringLiteral("&Telefon (kontakt)"), edtTelefon), 9, 0, 1, 4);
    fields->addWidget(edtTelefon, 10, 0, 1, 4);

    auto *buttons = new QDialogButtonBox;
    buttons->addButton(bbtnOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(bbtnAnuluj, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(extraLayout);
    layout->addWidget(buttons);
    // Only a button already in the dialog is its default for good: one made
    // default before hands the role to the last button Tab passed, and
    // Enter in a field would then cancel.
    bbtnOK->setDefault(true);

    connect(edtNazwa1, &QLineEdit::textChanged, this, &PartyDialog::updateOk);
    updateOk();
}

void PartyDialog::setTexts(const PartyTexts &texts)
{
    setWholeText(edtNazwa1, texts.nazwa1);
    setWholeText(edtNazwa2, texts.nazwa2);
    setWholeText(edtUlica, texts.ulica);
    setWholeText(edtNumerDomu, texts.numerDomu);
    setWholeText(edtKodPocztowy, texts.kodPocztowy);
    setWholeText(edtMiejscowosc, texts.miejscowosc);
    setWholeText(edtKraj, texts.kraj);
    setWholeText(edtNIP, texts.nip);
    setWholeText(edtTelefon, texts.telefon);
    updateOk();
}

PartyTexts PartyDialog::texts() const
{
    return {edtNazwa1->text(), edtNazwa2->text(),      edtUlica->text(), edtNumerDomu->text(), edtMiejscowosc->text(),
            edtKodPocztowy->text(), edtNIP->text(), edtKraj->text(),  edtTelefon->text()};
}

void PartyDialog::disableTexts()
{
    for (QLineEdit *edit : {edtNazwa1, edtNazwa2, edtUlica, edtNumerDomu, edtKodPocztowy, edtMiejscowosc, edtKraj,
                            edtNIP, edtTelefon})
        edit->setEnabled(false);
    ui::keepLegibleWhenDisabled(this);
}

void PartyDialog::orderTabs(const QList<QWidget *> &extras)
{
    ui::setTabOrder(QList<QWidget *>{edtNazwa1, edtNazwa2, edtUlica, edtNumerDomu, edtKodPocztowy, edtMiejscowosc,
                                     edtKraj, edtNIP, edtTelefon}
                    + extras + QList<QWidget *>{bbtnOK, bbtnAnuluj});
}

void PartyDialog::updateOk() { bbtnOK->setEnabled(edtNazwa1->text().trimmed().size() > 2); }

} // namespace masterdata
