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

} // namespace ui
