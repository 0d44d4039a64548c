#pragma once
// The program's application object: a failure that no window catches is
// shown to the user with its own message instead of ending the program.

#include <QApplication>

#include <exception>
#include <functional>

namespace db { class DbError; }

namespace ui {

class Application : public QApplication {
    Q_OBJECT
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override;
};

// What becomes of a failure no window caught: a lost database connection
// goes to the handler the main window installs (which offers to connect
// again), anything else is shown with its own message.
void reportUncaught(const std::exception &error);
// Installs (or, with nothing, removes) the handler of lost connections.
void setLostConnectionHandler(std::function<void(const db::DbError &)> handler);

// Qt's own texts (standard buttons, file dialogs, the calendar) in Polish,
// whatever the system's language: the program speaks Polish throughout.
// False when Qt's Polish translations are not installed.
bool installPolishTranslations(QCoreApplication &application);

} // namespace ui
