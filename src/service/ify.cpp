#include "ify.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace service {

namespace {

QString withoutLeadingBlanks(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' '))
        ++start;
    return text.mid(start);
}

} // namespace

QStringList choiceCaptions(const QString &options)
{
    const int count = int(options.count(QLatin1Char('#'))) + 1;
    QStringList captions;
    QString rest = options;
    for (int k = 1; k <= count && k <= TfrmIfy::kRows; ++k) {
        if (k == TfrmIfy::kRows) {
            captions << rest;
            break;
        }
        rest = withoutLeadingBlanks(rest);
        const qsizetype hash = rest.indexOf(QLatin1Char('#'));
        captions << rest.left(hash < 0 ? rest.size() : hash);
        rest = hash < 0 ? QString() : rest.mid(hash + 1);
    }
    return captions;
}

TfrmIfy::TfrmIfy(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmIfy"));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(10, 10, 10, 6);

    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::Box);
    QPalette yellow = panel->palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 204));
    panel->setPalette(yellow);
    panel->setAutoFillBackground(true);
    auto *panelLayout = new QVBoxLayout(panel);
    lblPytanie = new QLabel(panel);
    lblPytanie->setAlignment(Qt::AlignCenter);
    lblPytanie->setWordWrap(true);
    lblPytanie->setMinimumWidth(280);
    panelLayout->addWidget(lblPytanie);
    layout->addWidget(panel);

    for (int k = 1; k <= kRows; ++k) {
        auto *button = new QPushButton(this);
        QFont bold = button->font();
        bold.setBold(true);
        button->setFont(bold);
        button->setMinimumHeight(32);
        button->hide();
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, k] {
            Wynik = k;
            accept();
        });
        layout->addWidget(button);
        buttons << button;
    }
    layout->addSpacing(4);  // the narrow strip under the last row
}

void TfrmIfy::setQuestion(const QString &question, const QString &caption, const QString &options, int fontSize)
{
    setWindowTitle(caption);
    // Wide enough for the caption, which a title bar would otherwise cut.
    lblPytanie->setMinimumWidth(std::max(280, fontMetrics().horizontalAdvance(caption) + 120));
    lblPytanie->setText(question);
    QFont font = lblPytanie->font();
    if (fontSize > 0)
        font.setPointSize(fontSize);
    lblPytanie->setFont(font);
    const QStringList captions = choiceCaptions(options);
    for (int k = 0; k < kRows; ++k) {
        buttons[k]->setVisible(k < captions.size());
        buttons[k]->setText(captions.value(k));
    }
    buttons.first()->setFocus();
}

// Up and Down walk the visible buttons, as the arrows do in a list.
bool TfrmIfy::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int step = key == Qt::Key_Down ? 1 : key == Qt::Key_Up ? -1 : 0;
        const int index = int(buttons.indexOf(static_cast<QPushButton *>(watched)));
        if (step != 0 && index >= 0) {
            const int next = index + step;
            if (next >= 0 && next < kRows && buttons[next]->isVisible())
                buttons[next]->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmIfy::keyPressEvent(QKeyEvent *event)
{
    // Escape closes the dialog without an answer.
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

int AskChoice(const QString &question, const QString &caption, const QString &options, int fontSize, QWidget *parent)
{
    TfrmIfy dialog(parent ? parent : QApplication::activeWindow());
    dialog.setQuestion(question, caption, options, fontSize);
    return dialog.exec() == QDialog::Accepted ? dialog.Wynik : 0;
}

} // namespace service
