#include "program.h"

#include "aboutbox.h"
#include "datamodule.h"
#include "mainwindow.h"
#include "prompts.h"
#include "settings.h"

#include <QApplication>
#include <QScreen>

namespace notes {

int RunProgram(const app::StartupContext &context)
{
    app::Environment &env = app::environment();
    if (app::InitEnvironment(env, context) == app::StartupResult::Stop)
        return 0;

    {
        service::TAboutBox splash(env);
        splash.exec();
    }

    app::TDataModule1 dataModule(env);
    if (!dataModule.DataModuleCreate(ui::prompts()))
        return 0;
    app::setDataModule(&dataModule);

    int result = 0;
    {
        TfrmMain mainWindow(env, dataModule);
        // Without a window manager "maximised" means nothing: fill the screen.
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            mainWindow.setGeometry(screen->availableGeometry());
        mainWindow.showMaximized();
        result = QApplication::exec();
    }
    app::WriteSettings(env);
    app::setDataModule(nullptr);
    dataModule.DataModuleDestroy();
    return result;
}

} // namespace notes
