#pragma once
// Answers the modal dialogs a window opens, so that no test waits.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

// Handles the next modal dialog of type `Dialog` once it shows, then closes
// it with Cancel if the handler left it open.
template <typename Dialog>
void onNextDialog(std::function<void(Dialog &)> handle)
{
    QTimer::singleShot(0, [handle] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "the expected dialog did not show";
            if (QApplication::activeModalWidget())
                QApplication::activeModalWidget()->close();
            return;
        }
        handle(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}
