#pragma once
// The about window, shown once at start before the main window.

#include "environment.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace service {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(const app::Environment &env = app::environment(), QWidget *parent = nullptr);

    QLabel *ProductName;
    QLabel *Version;
    QLabel *Company;
    QLabel *lblAdres;
    QPushButton *OKButton;
    QPushButton *btnStronaProgramu;
    QPushButton *btnKontakt;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const app::Environment &m_env;
};

} // namespace service
