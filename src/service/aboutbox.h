#pragma once
// The about window, shown once at start before the main window.

#include "environment.h"
#include "prompts.h"
#include "shell.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace service {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(const app::Environment &env, ui::Prompts &prompts, app::Shell &shell, QWidget *parent = nullptr);

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
    void openVendorPage(const QString &path);

    const app::Environment &m_env;
    ui::Prompts &m_prompts;
    app::Shell &m_shell;
};

} // namespace service
