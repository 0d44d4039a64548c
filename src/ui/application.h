#pragma once
// The program's application object: a failure that no window catches is
// shown to the user with its own message instead of ending the program.

#include <QApplication>

namespace ui {

class Application : public QApplication {
    Q_OBJECT
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override;
};

// Qt's own texts (standard buttons, file dialogs, the calendar) in Polish,
// whatever the system's language: the program speaks Polish throughout.
// False when Qt's Polish translations are not installed.
bool installPolishTranslations(QCoreApplication &application);

} // namespace ui
