// Mirelo: a register of the accounting notes that companies issue.
#include "application.h"
#include "firebird.h"
#include "program.h"
#include "prompts.h"

#include <QScreen>

int main(int argc, char **argv)
{
    // The engine reads its configuration at its first call.
    db::configureFirebird(db::defaultFirebirdFolder());

    ui::Application application(argc, argv);
    ui::installPolishTranslations(application);
    ui::installBusyCursor();
    const auto colourDepth = [] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? screen->depth() : 32;
    };
    return notes::RunProgram(app::processStartupContext(application.arguments(), &ui::prompts(), colourDepth));
}
