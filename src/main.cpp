// Mirelo: a register of the accounting notes that companies issue.
#include "application.h"
#include "enginefolder.h"
#include "firebird.h"
#include "program.h"
#include "prompts.h"

#include <QScreen>

int main(int argc, char **argv)
{
    ui::Application application(argc, argv);
    ui::installPolishTranslations(application);
    ui::installBusyCursor();
    // The engine reads its configuration at its first call.
    if (!app::PrepareDatabaseEngine(db::defaultEngineFolders(), ui::prompts()))
        return 1;
    const auto colourDepth = [] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->depth() : 32;
    };
    return notes::RunProgram(app::processStartupContext(application.arguments(), &ui::prompts(), colourDepth));
}
