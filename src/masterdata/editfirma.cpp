#include "editfirma.h"

#include "edits.h"
#include "lengthlimit.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace masterdata {

namespace {

const QString kMonthPattern = QStringLiteral("NN/MM/RRRR");

} // namespace

TfrmEditFirma::TfrmEditFirma(ui::Prompts &prompts, QWidget *parent)
    : PartyDialog(30, parent),
      gbNumeracja(new QGroupBox(QStringLiteral("System numeracji "))),
      rbMiesieczny(new QRadioButton(QStringLiteral("miesięczny"))),
      rbRoczny(new QRadioButton(QStringLiteral("roczny"))),
      edtSystemNumeracji(new QLineEdit),
      m_prompts(prompts)
{
    setWindowTitle(QStringLiteral(" Edycja firmy - szczegóły"));
    ui::limitLength(edtSystemNumeracji, 30, m_prompts);
    edtSystemNumeracji->setValidator(new ui::UpperCaseValidator(edtSystemNumeracji));

    auto *group = new QGridLayout(gbNumeracja);
    group->addWidget(rbMiesieczny, 0, 0);
    group->addWidget(rbRoczny, 1, 0);
    group->addWidget(ui::labelFor(QStringLiteral("&Szablon numeracji"), edtSystemNumeracji), 0, 1);
    group->addWidget(edtSystemNumeracji, 1, 1);
    extraLayout->addWidget(gbNumeracja, 0, 0);
    orderTabs({rbMiesieczny, rbRoczny, edtSystemNumeracji});

    connect(rbMiesieczny, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            monthlySelected();
    });
}

void TfrmEditFirma::setFields(const CompanyFields &fields, bool showMode)
{
    setTexts(fields.texts);
    setWholeText(edtSystemNumeracji, fields.systemNumeracji);
    (fields.nrMiesieczna ? rbMiesieczny : rbRoczny)->setChecked(true);
    if (showMode) {
        setWindowTitle(QStringLiteral(" Podgląd danych firmy"));
        disableTexts();
        gbNumeracja->setEnabled(false);
    }
}

CompanyFields TfrmEditFirma::fields() const
{
    return {texts(), edtSystemNumeracji->text(), rbMiesieczny->isChecked()};
}

void TfrmEditFirma::monthlySelected()
{
    if (edtSystemNumeracji->text().contains(QStringLiteral("MM")))
        return;
    const bool change = m_prompts.question(
        QStringLiteral("Ustawiony jest MIESIĘCZNY system numeracji. Tymczasem numer noty\r\n"
                       "nie zawiera numeru miesiąca. Zalecana jest zmiana tego ustawienia.\r\n\r\n"
                       "Czy ustawić system numeracji NN/MM/RRRR ?"));
    if (change)
        edtSystemNumeracji->setText(kMonthPattern);
}

bool EditCompany(CompanyFields &fields, bool showMode, ui::Prompts &prompts, QWidget *parent)
{
    TfrmEditFirma dialog(prompts, parent ? parent : QApplication::activeWindow());
    dialog.setFields(fields, showMode);
    return acceptInto(dialog, fields);
}

} // namespace masterdata
