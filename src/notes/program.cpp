#include "program.h"

#include "aboutbox.h"
#include "datamodule.h"
#include "desktopshell.h"
#include "firebird.h"
#include "mainwindow.h"
#include "prompts.h"
#include "settings.h"
#include "termination.h"

#include <QApplication>
#include <QFile>
#include <QScreen>

#include <csignal>

namespace notes {

int RunProgram(const app::StartupContext &context)
{
    app::Environment &env = app::environment();
    if (app::InitEnvironment(env, context) == app::StartupResult::Stop)
        return 0;

    service::DesktopShell shell;
    ui::Prompts &prompts = ui::prompts();
    // A signal closes every window without asking, and the program ends as
    // when the user closes it: settings written, connection closed.
    bool terminating = false;
    ui::TerminationSignals termination([&terminating](int) {
        terminating = true;
        QApplication::exit(0);
    });
    // The database engine hears SIGINT and SIGTERM too: it leaves them to us.
    db::takeOverShutdownSignals([] { ui::TerminationSignals::deliver(SIGTERM); });
    {
        service::TAboutBox splash(env, prompts, shell);
        splash.exec();
    }
    if (terminating) {
        app::WriteSettings(env);
        return 0;
    }

    app::TDataModule1 dataModule(env);
    if (!dataModule.DataModuleCreate(prompts))
        return 1;
    // The database opened: the template has served its purpose. A program
    // folder that cannot be written keeps it, which does no harm.
    if (!env.templateToDelete.isEmpty())
        QFile::remove(env.templateToDelete);

    int result = 0;
    if (!terminating) {
        TfrmMain mainWindow(ui::Context{env, dataModule, prompts, shell});
        // Without a window manager "maximised" means nothing: fill the screen.
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            mainWindow.setGeometry(screen->availableGeometry());
        mainWindow.showMaximized();
        result = QApplication::exec();
    }
    app::WriteSettings(env);
    dataModule.DataModuleDestroy();
    return result;
}

} // namespace notes
