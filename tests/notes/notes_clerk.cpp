// notes_clerk DATABASE COMPANY COUNTERPARTY OPERATIONS SEED FOLDER: a copy of
// the program at work. Its main window adds new notes (numbers proposed from
// the date), corrects and deletes positions of COMPANY in a random order,
// OPERATIONS times, while another copy does the same. Then it says it is
// done (FOLDER/done-SEED), waits for the others, lets the last refreshes
// arrive, and writes its list (FOLDER/list-SEED: IDNOTA NUMER TRESC a line)
// and every message it showed (FOLDER/messages-SEED).
#include "datamodule.h"
#include "daynumber.h"
#include "firebird.h"
#include "mainwindow.h"
#include "notesquery.h"
#include "recordingshell.h"
#include "scriptedprompts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
}

void writeLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(lines.join(QLatin1Char('\n')).toUtf8());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 7) {
        std::fprintf(stderr, "usage: notes_clerk DATABASE COMPANY COUNTERPARTY OPERATIONS SEED FOLDER\n");
        return 2;
    }
    const QString database = args[1];
    const int company = args[2].toInt(), counterparty = args[3].toInt(), operations = args[4].toInt();
    const QString seed = args[5], folder = args[6];

    QTemporaryDir work;
    app::Environment env;
    env.workingFolder = work.path();
    // "/folder/mr.fdb" or a server's "host/port:/folder/mr.fdb".
    env.databaseFolder = database.section(QLatin1Char('/'), 0, -2);
    env.listQueryText = app::unfilteredNotesQuery();
    env.currentCompany = company;
    testsupport::ScriptedPrompts prompts;
    testsupport::RecordingShell shell;
    app::TDataModule1 data(env);
    if (!data.DataModuleCreate(prompts))
        return 1;
    notes::TfrmMain window(ui::Context{env, data, prompts, shell});
    window.show();
    settle(300);

    QRandomGenerator random(seed.toUInt());
    const int day = app::dayNumber(QDate(2022, 3, 1)) + random.bounded(28);
    for (int i = 0; i < operations; ++i) {
        const int rows = window.notesModel()->rowCount();
        const int kind = rows == 0 ? 0 : random.bounded(100);
        if (kind < 60) {
            // A new note with the number the date proposes, as "Dodaj" stores it.
            app::NotePosition position{data.NextNoteNumber(day), 100, 0, day, counterparty,
                                       QStringLiteral("%1-%2").arg(seed).arg(i)};
            window.storeNewPosition(position, true);
        } else if (kind < 85) {
            const notes::NoteRow row = window.notesModel()->row(random.bounded(rows));
            app::NotePosition position{row.numer, row.obciazylismy + 1, row.uznalismy, row.data, row.idKontrahent,
                                       row.tresc + QStringLiteral("+")};
            window.UpdatePosition(row.idNota, position);
        } else {
            window.XDBGrid1->setCurrentRow(random.bounded(rows));
            prompts.answers = {app::MessageAnswer::Yes};
            window.actKasujExecute();
        }
        QApplication::processEvents();
    }

    QFile(folder + QStringLiteral("/done-") + seed).open(QIODevice::WriteOnly);
    QElapsedTimer waiting;
    waiting.start();
    while (QDir(folder).entryList({QStringLiteral("done-*")}).size() < 2 && waiting.elapsed() < 300000)
        settle(50);
    settle(1500);  // the others' last changes reach the list

    QStringList list;
    for (const notes::NoteRow &row : window.notesModel()->rows())
        list << QStringLiteral("%1 %2 %3").arg(row.idNota).arg(row.numer).arg(row.tresc);
    writeLines(folder + QStringLiteral("/list-") + seed, list);
    QStringList messages;
    for (const auto &shown : prompts.shown)
        if (shown.buttons != app::MessageButtons::YesNo)  // the delete's own question
            messages << shown.text.split(QStringLiteral("\r\n")).join(QLatin1Char(' '));
    writeLines(folder + QStringLiteral("/messages-") + seed, messages);
    return 0;
}
