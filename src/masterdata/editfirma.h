#pragma once
// The company details dialog: name, address and the numbering system.

#include "partydialog.h"

class QGroupBox;
class QRadioButton;

namespace masterdata {

class TfrmEditFirma : public PartyDialog {
    Q_OBJECT
public:
    explicit TfrmEditFirma(ui::Prompts &prompts, QWidget *parent = nullptr);

    // Texts first, then the numbering, which may ask the numbering question.
    void setFields(const CompanyFields &fields, bool showMode);
    CompanyFields fields() const;

    QGroupBox *const gbNumeracja;
    QRadioButton *const rbMiesieczny;
    QRadioButton *const rbRoczny;
    QLineEdit *const edtSystemNumeracji;

private:
    void monthlySelected();

    ui::Prompts &m_prompts;
};

} // namespace masterdata
