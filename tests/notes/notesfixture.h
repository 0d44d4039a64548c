#pragma once
// A connected database with companies and notes, the program's environment
// pointing at temporary folders, and scripted prompts: what a main window
// needs to open.

#include "datamodule.h"
#include "daynumber.h"
#include "formatting.h"
#include "localhttpserver.h"
#include "notesquery.h"
#include "mainwindow.h"
#include "recordingshell.h"
#include "scriptedprompts.h"
#include "testdatabase.h"
#include "testrows.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class NotesFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        env = app::Environment{};
        env.workingFolder = work.path();
        env.databaseFolder = databaseFolder();
        if (env.databaseFolder != database.folder()) {
            ASSERT_TRUE(testsupport::copyTemplateDatabase(env.databaseName()));
        }
        env.shortVersion = QStringLiteral("ver.2022.01");
        env.release = QStringLiteral("01");
        env.listQueryText = app::unfilteredNotesQuery();
        env.currentCompany = 1;
        // The window runs the message feed when it shows: against a site of
        // its own on this machine, which has no messages.
        env.vendorUrl = vendorSite.url();
        app::formatSettings().decimalSeparator = QLatin1Char(',');
        ASSERT_TRUE(data.DataModuleCreate(prompts));
        transaction.start();
    }

    void TearDown() override
    {
        window.reset();
        transaction.commitIfActive();
    }

    // Where mr.fdb is: the test database's folder, or another one that gets
    // a copy of the template database.
    virtual QString databaseFolder() const { return database.folder(); }

    int addCompany(const QString &name, const QString &pattern = QStringLiteral("NN/RRRR"))
    {
        return testsupport::insertCompany(transaction, name, pattern);
    }

    int addCounterparty(int company, const QString &name)
    {
        return testsupport::insertCounterparty(transaction, company, name);
    }

    int addNote(int company, int counterparty, const QDate &date, int number, qint64 debit, qint64 credit,
                const QString &text = QStringLiteral("treść"))
    {
        return testsupport::insertNote(transaction, company, counterparty,
                                       {app::dayNumber(date), number, debit, credit, text});
    }

    // Commits the set-up rows and opens the main window.
    notes::TfrmMain &openWindow()
    {
        transaction.commitIfActive();
        window = std::make_unique<notes::TfrmMain>(context);
        window->resize(1000, 600);
        window->show();
        return *window;
    }

    QString cell(int row, int column) const
    {
        return window->notesModel()->index(row, column).data().toString();
    }

    testsupport::TestDatabase database;
    testsupport::LocalHttpServer vendorSite;
    QTemporaryDir work;
    testsupport::ScriptedPrompts prompts;
    // The program's one environment: the windows of other subsystems read it too.
    app::Environment &env = app::environment();
    app::TDataModule1 data{env};
    db::Transaction transaction{data.IBDatabase1};
    testsupport::RecordingShell shell;
    ui::Context context{env, data, prompts, shell};
    std::unique_ptr<notes::TfrmMain> window;
};
