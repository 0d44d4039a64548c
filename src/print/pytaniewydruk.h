#pragma once
// The print question: print straight away, open the document first, or
// leave it.

#include <QDialog>

class QLabel;
class QPushButton;

namespace print {

class TfrmPytanieWydruk : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPytanieWydruk(const QString &question, QWidget *parent = nullptr);

    bool directPrint = false;  // the choice made when closed with OK

    QLabel *lblPytanie;
    QPushButton *bbtnPodglad;
    QPushButton *bbtnBezposredni;
    QPushButton *bbtnAnuluj;
};

// Shows the question. True when the user chose to print; `directPrint` then
// holds the choice (true: straight to the printer). False leaves it alone.
bool AskPrintMode(const QString &question, bool &directPrint, QWidget *parent = nullptr);

} // namespace print
