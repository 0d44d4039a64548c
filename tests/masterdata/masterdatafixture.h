#pragma once
// A fresh database with the program's data module on it, scripted prompts,
// and helpers to seed rows, read them back and answer the dialogs a window
// opens.

#include "datagrid.h"
#include "datamodule.h"
#include "dbfixture.h"
#include "environment.h"
#include "masterdata.h"
#include "modaldialog.h"
#include "scriptedmessenger.h"
#include "recordingshell.h"
#include "scriptedprompts.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

class MasterDataTest : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        app::Environment &env = app::environment();
        m_savedEnvironment = env;
        env.workingFolder = database.folder();
        env.databaseFolder = database.folder();
        env.currentCompany = 0;
        testsupport::ScriptedMessenger messenger;
        ASSERT_TRUE(module.DataModuleCreate(messenger));
        masterdata::counterpartyListMemory() = {};
    }

    void TearDown() override
    {
        app::environment() = m_savedEnvironment;
    }

    // Commits what the test added, so that the windows see it.
    void commitSeed()
    {
        transaction.commit();
        transaction.start();
    }

    void execute(const QString &sql)
    {
        db::Statement statement(transaction, sql);
        statement.execute();
    }

    // The first column of the first row of `sql`, read in a fresh snapshot.
    QString stored(const QString &sql)
    {
        commitSeed();
        db::Statement select(transaction, sql);
        select.open();
        return select.next() ? select.value(0).toString() : QString();
    }

    int rowsOf(const QString &table)
    {
        commitSeed();
        return count(table);
    }

    testsupport::ScriptedPrompts prompts;
    app::TDataModule1 module{app::environment()};
    testsupport::RecordingShell shell;
    ui::Context context{app::environment(), module, prompts, shell};

private:
    app::Environment m_savedEnvironment;
};

// Texts of a grid's column, row by row.
inline QStringList columnTexts(const ui::DataGrid *grid, const QString &field)
{
    QStringList texts;
    const int column = grid->gridModel()->columnOf(field);
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        texts << grid->model()->index(row, column).data().toString();
    return texts;
}

// Makes the row whose `field` holds `value` current.
inline void selectRow(ui::DataGrid *grid, const QString &field, int value)
{
    grid->setCurrentRow(int(columnTexts(grid, field).indexOf(QString::number(value))));
}

inline QString currentText(const ui::DataGrid *grid, const QString &field)
{
    const int row = grid->currentRow();
    return row < 0 ? QString() : columnTexts(grid, field).value(row);
}
