#pragma once
// A fresh database with the program's data module on it, scripted prompts,
// and helpers to seed rows, read them back and answer the dialogs a window
// opens.

#include "datagrid.h"
#include "datamodule.h"
#include "dbfixture.h"
#include "environment.h"
#include "masterdata.h"
#include "scriptedmessenger.h"
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
        app::setDataModule(&module);
        masterdata::counterpartyListMemory() = {};
    }

    void TearDown() override
    {
        app::setDataModule(nullptr);
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

private:
    app::Environment m_savedEnvironment;
};

// Handles the next modal dialog of type `Dialog` once it shows, then closes
// it with Cancel if the handler left it open, so that no test waits.
template <typename Dialog>
void onNextDialog(std::function<void(Dialog &)> handle)
{
    QTimer::singleShot(0, [handle] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "the expected dialog did not show";
            if (QApplication::activeModalWidget())
                QApplication::activeModalWidget()->close();
            return;
        }
        handle(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

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
