#include "messageboxes.h"

#include "files.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

namespace {

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

} // namespace

app::MessageAnswer MessageBoxMessenger::message(const QString &text, const QString &caption, app::MessageIcon icon,
                                                app::MessageButtons buttons, app::MessageAnswer defaultAnswer)
{
    QMessageBox box(toIcon(icon), caption, text);
    if (buttons == app::MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultAnswer == app::MessageAnswer::No ? QMessageBox::No : QMessageBox::Yes);
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

void installBusyCursor()
{
    app::setBusyIndicator([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

} // namespace ui
