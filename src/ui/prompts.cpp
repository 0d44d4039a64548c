#include "prompts.h"

#include "files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <cstdio>

namespace ui {

namespace {

Prompts *&installed()
{
    static Prompts *replacement = nullptr;
    return replacement;
}

QMessageBox::Icon toIcon(app::MessageIcon icon)
{
    switch (icon) {
    case app::MessageIcon::Error:
        return QMessageBox::Critical;
    case app::MessageIcon::Information:
        return QMessageBox::Information;
    case app::MessageIcon::Question:
        return QMessageBox::Question;
    case app::MessageIcon::Warning:
        return QMessageBox::Warning;
    case app::MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QWidget *dialogParent() { return QApplication::activeWindow(); }

} // namespace

Prompts &prompts()
{
    static QtPrompts qtPrompts;
    return installed() ? *installed() : qtPrompts;
}

void setPrompts(Prompts *replacement) { installed() = replacement; }

app::MessageAnswer QtPrompts::message(const QString &text, const QString &caption, app::MessageIcon icon,
                                      app::MessageButtons buttons, app::MessageAnswer defaultAnswer)
{
    // An error goes to standard error too, where the desktop session keeps it
    // for the administrator and a start from a terminal shows it.
    if (icon == app::MessageIcon::Error)
        std::fprintf(stderr, "mirelo: %s\n",
                     QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toLocal8Bit().constData());
    QMessageBox box(toIcon(icon), caption, text, QMessageBox::NoButton, dialogParent());
    if (buttons == app::MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultAnswer == app::MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Tak"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Nie"));
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return app::MessageAnswer::Yes;
    case QMessageBox::No:
        return app::MessageAnswer::No;
    default:
        return app::MessageAnswer::Ok;
    }
}

namespace {

// What a window frame puts beside its title: the icon and the buttons.
constexpr int kFrameButtonsWidth = 120;

// The box shows its whole title, and a long text whole as far as the window
// it is asked over goes: the pick list's lines run to 200 characters.
// The box's layout sets its least size from the field's.
void fitInputBox(QInputDialog &box)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kFrameButtonsWidth;
    if (const QWidget *over = box.parentWidget())
        width = std::max(width, over->width());
    box.findChild<QLineEdit *>()->setMinimumWidth(width);
}

} // namespace

std::optional<QString> QtPrompts::inputText(const QString &title, const QString &prompt, const QString &value)
{
    QInputDialog box(dialogParent());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(value);
    fitInputBox(box);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

namespace {

std::optional<QString> chosen(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

std::optional<QString> QtPrompts::saveFileName(const QString &title, const QString &suggested, const QString &filter)
{
    return chosen(QFileDialog::getSaveFileName(dialogParent(), title, suggested, filter));
}

std::optional<QString> QtPrompts::openFileName(const QString &title, const QString &folder, const QString &filter)
{
    return chosen(QFileDialog::getOpenFileName(dialogParent(), title, folder, filter));
}

void installBusyCursor()
{
    app::setBusyIndicator([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

} // namespace ui
