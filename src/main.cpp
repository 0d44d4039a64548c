// Mirelo: prepares the working environment, connects to the database and
// (until the main window is in place) reports the connection and ends.
#include "datamodule.h"
#include "environment.h"
#include "firebird.h"
#include "prompts.h"
#include "settings.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>

int main(int argc, char **argv)
{
    // The engine reads its configuration at its first call.
    db::configureFirebird(db::defaultFirebirdFolder());

    QApplication application(argc, argv);
    ui::installBusyCursor();
    ui::Prompts &messenger = ui::prompts();

    app::Environment &env = app::environment();
    const auto colourDepth = [] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->depth() : 32;
    };
    const app::StartupContext context = app::processStartupContext(application.arguments(), &messenger, colourDepth);
    if (app::InitEnvironment(env, context) == app::StartupResult::Stop)
        return 0;

    app::TDataModule1 dataModule(env);
    if (!dataModule.DataModuleCreate(messenger))
        return 0;

    std::printf("Mirelo %s: connected to %s\n", qPrintable(env.fullVersion), qPrintable(env.databaseName()));
    dataModule.DataModuleDestroy();
    app::WriteSettings(env);
    return 0;
}
