#include "application.h"

#include "prompts.h"

#include <exception>

namespace ui {

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        // Put back whatever busy cursors the failed work left behind.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        prompts().error(QString::fromUtf8(error.what()));
    }
    return false;
}

} // namespace ui
