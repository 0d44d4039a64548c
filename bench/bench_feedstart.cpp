// The first showing of the main window, which starts the vendor's message
// feed, against a site on this machine that answers at once (no messages),
// refuses the connection, or takes the connection and never answers. Timed
// is what the user sees: from the call to show until the window is on the
// screen and has taken a key press; the feed goes on behind it.
#include "datamodule.h"
#include "firebird.h"
#include "localhttpserver.h"
#include "mainwindow.h"
#include "notesquery.h"
#include "prompts.h"
#include "recordingshell.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QWindow>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

// An empty database of its own, and a site the feed asks.
struct Start {
    Start()
    {
        db::configureFirebird(folder.filePath(QStringLiteral("firebird")));
        const QString database = folder.filePath(QStringLiteral("mr.fdb"));
        QFile::copy(QStringLiteral(MIRELO_TEMPLATE_DB), database);
        QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
        env.workingFolder = folder.path();
        env.databaseFolder = folder.path();
        env.listQueryText = app::unfilteredNotesQuery();
        data.IBDatabase1.open({database, QStringLiteral("sysdba"), app::databasePassword(), {}});
    }

    // Shows a new main window and closes it again; the time until it answered.
    double showMainWindow()
    {
        notes::TfrmMain window(ui::Context{env, data, ui::prompts(), shell});
        window.resize(1000, 600);
        const auto begin = std::chrono::steady_clock::now();
        window.show();
        waitUntilAnswering(window);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
        return took.count();
    }

    // Runs the event loop until `window` is exposed and has taken a key
    // press, queued behind whatever its showing queued.
    static void waitUntilAnswering(QWidget &window)
    {
        while (!window.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QEventLoop loop;
        KeyProbe probe(loop);
        window.installEventFilter(&probe);
        QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier));
        loop.exec();
        window.removeEventFilter(&probe);
    }

    // Ends `loop` when a key press arrives.
    struct KeyProbe : QObject {
        explicit KeyProbe(QEventLoop &loop) : loop(loop) {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::KeyPress)
                loop.quit();
            return false;
        }
        QEventLoop &loop;
    };

    QTemporaryDir folder;
    app::Environment env;
    app::TDataModule1 data{env};
    testsupport::RecordingShell shell;
};

Start &start()
{
    static Start instance;
    return instance;
}

enum Site { Answers, Refuses, Silent };

void BM_FirstShowing(benchmark::State &state)
{
    Start &s = start();
    testsupport::LocalHttpServer site;
    s.env.vendorUrl = site.url();
    if (state.range(0) == Silent)
        site.serve(QStringLiteral("/mirelomsg/nrkomunikatu.txt"), testsupport::LocalHttpServer::Kind::Silent);
    QTcpServer closed;
    if (state.range(0) == Refuses) {
        closed.listen(QHostAddress::LocalHost, 0);
        s.env.vendorUrl = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
    }
    for (auto _ : state)
        state.SetIterationTime(s.showMainWindow());
    state.SetLabel(state.range(0) == Answers ? "site answers" : state.range(0) == Refuses ? "no site" : "site silent");
}

} // namespace

BENCHMARK(BM_FirstShowing)
    ->Arg(Answers)
    ->Arg(Refuses)
    ->Arg(Silent)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
