#include "program.h"

#include "aboutbox.h"
#include "datamodule.h"
#include "desktopshell.h"
#include "mainwindow.h"
#include "prompts.h"
#include "settings.h"

#include <QApplication>
#include <QFile>
#include <QScreen>

namespace notes {

int RunProgram(const app::StartupContext &context)
{
    app::Environment &env = app::environment();
    if (app::InitEnvironment(env, context) == app::StartupResult::Stop)
        return 0;

    service::DesktopShell shell;
    ui::Prompts &prompts = ui::prompts();
    {
        service::TAboutBox splash(env, prompts, shell);
        splash.exec();
    }

    app::TDataModule1 dataModule(env);
    if (!dataModule.DataModuleCreate(prompts))
        return 1;
    // The database opened: the template has served its purpose. A program
    // folder that cannot be written keeps it, which does no harm.
    if (!env.templateToDelete.isEmpty())
        QFile::remove(env.templateToDelete);

    int result = 0;
    {
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
