#include "pytaniewydruk.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

// The icons live in this static library: their resource must be named to
// be linked in.
static void loadPrintIcons() { Q_INIT_RESOURCE(icons); }

namespace print {

namespace {

QPushButton *largeButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setMinimumSize(170, 48);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    return button;
}

} // namespace

TfrmPytanieWydruk::TfrmPytanieWydruk(const QString &question, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPytanieWydruk"));
    setWindowTitle(QStringLiteral("Drukowanie"));
    setModal(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    loadPrintIcons();
    auto *picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/print/drukarka.png")));
    lblPytanie = new QLabel(question, this);
    lblPytanie->setAlignment(Qt::AlignCenter);
    lblPytanie->setWordWrap(true);
    QFont questionFont = lblPytanie->font();
    questionFont.setPointSize(questionFont.pointSize() + 3);
    questionFont.setBold(true);
    lblPytanie->setFont(questionFont);
    auto *top = new QHBoxLayout;
    top->addWidget(picture);
    top->addWidget(lblPytanie, 1);

    bbtnPodglad = largeButton(QStringLiteral("Wydruk z &podglądu"), this);
    bbtnBezposredni = largeButton(QStringLiteral("Wydruk &bezpośredni"), this);
    bbtnAnuluj = largeButton(QStringLiteral("&Anuluj - nie drukuj"), this);
    // Enter opens the document first, the safe choice.
    bbtnPodglad->setDefault(true);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {bbtnPodglad, bbtnBezposredni, bbtnAnuluj})
        buttons->addWidget(button);

    auto *status = new QLabel(
        QStringLiteral("Uwaga: wydruk bezpośredni może nie działać w przypadku niektórych edytorów tekstu"), this);
    status->setFrameShape(QFrame::StyledPanel);
    status->setContentsMargins(4, 2, 4, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addWidget(status);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(bbtnPodglad, &QPushButton::clicked, this, [this] {
        directPrint = false;
        accept();
    });
    connect(bbtnBezposredni, &QPushButton::clicked, this, [this] {
        directPrint = true;
        accept();
    });
    connect(bbtnAnuluj, &QPushButton::clicked, this, &QDialog::reject);
    bbtnPodglad->setFocus();
}

bool AskPrintMode(const QString &question, bool &directPrint, QWidget *parent)
{
    TfrmPytanieWydruk dialog(question, parent ? parent : QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    directPrint = dialog.directPrint;
    return true;
}

} // namespace print
