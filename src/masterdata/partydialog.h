#pragma once
// What the company and counterparty details dialogs share: the name and
// address fields with their labels and limits, "OK" and "Anuluj", and the
// rule that "OK" needs a name of at least three characters.

#include "masterdata.h"

#include <QDialog>

class QGridLayout;
class QLineEdit;
class QPushButton;

namespace masterdata {

class PartyDialog : public QDialog {
    Q_OBJECT
public:
    QLineEdit *const edtNazwa1;
    QLineEdit *const edtNazwa2;
    QLineEdit *const edtUlica;
    QLineEdit *const edtNumerDomu;
    QLineEdit *const edtKodPocztowy;
    QLineEdit *const edtMiejscowosc;
    QLineEdit *const edtKraj;
    QLineEdit *const edtNIP;
    QLineEdit *const edtTelefon;
    QPushButton *const bbtnOK;
    QPushButton *const bbtnAnuluj;

    void setTexts(const PartyTexts &texts);
    PartyTexts texts() const;

protected:
    // Companies keep 30 characters of the street, counterparties 50.
    PartyDialog(int streetLength, QWidget *parent);

    // Where a dialog puts its own controls, under the address.
    QGridLayout *const extraLayout;

    // Leaves every text field visible but inert, its text still dark.
    void disableTexts();

    // Tab runs down the screen: the address, then `extras` (the dialog's own
    // controls under it, in their order on the screen), then the buttons.
    void orderTabs(const QList<QWidget *> &extras);

private:
    void updateOk();
};

// Shows `dialog` modally; on OK copies what it holds into `fields`.
template <typename Dialog, typename Fields>
bool acceptInto(Dialog &dialog, Fields &fields)
{
    if (dialog.exec() != QDialog::Accepted)
        return false;
    fields = dialog.fields();
    return true;
}

// Puts `text` into `edit` whole, even beyond the edit's typing limit.
void setWholeText(QLineEdit *edit, const QString &text);

} // namespace masterdata
