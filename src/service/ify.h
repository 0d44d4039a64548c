#pragma once
// The multi-choice question: a question over up to twelve answer buttons.

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

namespace service {

class TfrmIfy : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 12;

    explicit TfrmIfy(QWidget *parent = nullptr);

    // Sets the caption, the question in `fontSize` points, and one button per
    // "#"-separated option; the twelfth button takes the rest of the text.
    void setQuestion(const QString &question, const QString &caption, const QString &options, int fontSize);

    int Wynik = 0;  // the pressed button, counted from 1
    QLabel *lblPytanie;
    QList<QPushButton *> buttons;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// The button captions an option text gives: one more than its "#"s, at most
// twelve; leading blanks dropped except in the twelfth, which keeps the rest
// of the text whole.
QStringList choiceCaptions(const QString &options);

// Shows the question modally; the number of the pressed button, or 0 when
// the dialog was closed otherwise (Escape).
int AskChoice(const QString &question, const QString &caption, const QString &options, int fontSize,
              QWidget *parent = nullptr);

} // namespace service
