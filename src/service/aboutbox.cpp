#include "aboutbox.h"


#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace service {

TAboutBox::TAboutBox(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell, QWidget *parent)
    : QDialog(parent), m_env(env), m_prompts(prompts), m_shell(shell)
{
    setWindowTitle(QStringLiteral("O programie"));
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    auto *picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(64, 64));
    top->addWidget(picture);
    auto *texts = new QVBoxLayout;
    ProductName = new QLabel(QStringLiteral("Mirelo"), this);
    QFont productFont = ProductName->font();
    productFont.setPointSize(28);
    productFont.setBold(true);
    ProductName->setFont(productFont);
    Version = new QLabel(env.shortVersion + QStringLiteral(" rev.") + env.release, this);
    Company = new QLabel(QStringLiteral("VORLANE"), this);
    QFont bold = Company->font();
    bold.setBold(true);
    Company->setFont(bold);
    texts->addWidget(ProductName);
    texts->addWidget(Version);
    texts->addWidget(Company);
    texts->addWidget(new QLabel(QStringLiteral("Zapraszamy na naszą stronę"), this));
    lblAdres = new QLabel(env.vendorAddress(), this);
    QFont link = bold;
    link.setUnderline(true);
    lblAdres->setFont(link);
    lblAdres->setCursor(Qt::PointingHandCursor);
    texts->addWidget(lblAdres);
    top->addLayout(texts);
    layout->addLayout(top);

    auto *buttons = new QHBoxLayout;
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    btnStronaProgramu = new QPushButton(QStringLiteral("Strona internetowa programu"), this);
    btnKontakt = new QPushButton(QStringLiteral("Kontakt"), this);
    buttons->addWidget(OKButton);
    buttons->addWidget(btnStronaProgramu);
    buttons->addWidget(btnKontakt);
    layout->addLayout(buttons);

    // OK is both the default and the cancel button.
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnStronaProgramu, &QPushButton::clicked, this, [this] { openVendorPage(QStringLiteral("/mirelo.htm")); });
    connect(btnKontakt, &QPushButton::clicked, this, [this] { openVendorPage(QStringLiteral("/kontakt.htm")); });
    for (QLabel *label : {ProductName, Version, Company, lblAdres})
        label->installEventFilter(this);
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched != lblAdres) {
        m_prompts.information(QStringLiteral("Wersja: ") + m_env.fullVersion);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && watched == lblAdres) {
        openVendorPage({});
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::openVendorPage(const QString &path) { app::openOrTell(m_shell, m_prompts, m_env.vendorPage(path)); }

} // namespace service
