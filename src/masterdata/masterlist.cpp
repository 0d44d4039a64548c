#include "masterlist.h"

#include "dberror.h"
#include "formatting.h"
#include "settings.h"

#include <QKeyEvent>
#include <QToolButton>

namespace masterdata {

namespace {

QAction *action(const QString &caption, QKeySequence key, QObject *parent)
{
    auto *result = new QAction(caption, parent);
    result->setShortcut(key);
    return result;
}

} // namespace

ui::GridColumn hiddenColumn(const char *field)
{
    ui::GridColumn column{QLatin1String(field), QString()};
    column.visible = false;
    return column;
}

MasterListWindow::MasterListWindow(const ui::Context &context, const QString &caption, const QString &idField,
                                   QWidget *parent)
    : QDialog(parent),
      actDodaj(action(QStringLiteral("Dodaj"), Qt::Key_Insert, this)),
      actPopraw(action(QStringLiteral("Popraw"), Qt::Key_F5, this)),
      actPokaz(action(QStringLiteral("Pokaż"), {}, this)),
      actKasuj(action(QStringLiteral("Kasuj"), Qt::Key_Delete, this)),
      actWybierz(action(QStringLiteral("Wybierz"), {}, this)),
      actWyjscie(action(QStringLiteral("Wyjście"), {}, this)),
      m_context(context),
      dbgList(new ui::DataGrid(this)),
      ibtList(context.data.IBDatabase1),
      ibqList(ibtList),
      ibqListInsert(ibtList),
      ibqListUpdate(ibtList),
      ibqListDelete(ibtList),
      m_caption(caption),
      m_idField(idField)
{
    setModal(true);
    setWindowTitle(caption);
    addActions({actDodaj, actPopraw, actPokaz, actKasuj, actWybierz, actWyjscie});
    dbgList->setContextMenuPolicy(Qt::ActionsContextMenu);
    dbgList->addActions({actDodaj, actPopraw, actPokaz, actKasuj});

    connect(actDodaj, &QAction::triggered, this, &MasterListWindow::addRow);
    connect(actPopraw, &QAction::triggered, this, &MasterListWindow::correctRow);
    connect(actPokaz, &QAction::triggered, this, &MasterListWindow::showRow);
    connect(actWybierz, &QAction::triggered, this, [this] {
        if (actWybierz->isVisible() && hasCurrentRow())
            choose();
    });
    connect(actWyjscie, &QAction::triggered, this, &QDialog::reject);
    connect(dbgList, &ui::DataGrid::returnPressed, actWybierz, &QAction::trigger);
    connect(dbgList, &ui::DataGrid::gridDoubleClicked, this, &MasterListWindow::doubleClicked);
    connect(dbgList, &ui::DataGrid::keyTyped, this, &MasterListWindow::keyTyped);
}

int MasterListWindow::rowCount() const { return records().rowCount(); }

int MasterListWindow::currentId() const { return hasCurrentRow() ? records().integer(currentRow(), m_idField) : 0; }

void MasterListWindow::setColumns(const QList<ui::GridColumn> &columns, const QString &layoutSection)
{
    listModel.setColumns(columns);
    dbgList->setGridModel(&listModel);
    dbgList->setLayoutStorage(app::configFilePath(m_context.env.workingFolder), layoutSection);
}

QToolButton *MasterListWindow::buttonFor(QAction *action)
{
    auto *button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumSize(80, 30);
    // The button follows the action's visibility, which a tool button does not.
    const auto followVisibility = [button, action] { button->setHidden(!action->isVisible()); };
    followVisibility();
    connect(action, &QAction::visibleChanged, button, followVisibility);
    return button;
}

QList<QAction *> MasterListWindow::rowActions() const { return {actKasuj, actPopraw, actPokaz, actWybierz}; }

void MasterListWindow::choose()
{
    Wynik = currentId();
    accept();
}

void MasterListWindow::doubleClicked()
{
    if (actWybierz->isVisible())
        actWybierz->trigger();
}

void MasterListWindow::addRow()
{
    if (editDetails(-1, false, &ibqListInsert)) {
        runChange(ibqListInsert);
        // The new row by its identifier: another one may share its name.
        reopenAtId(ibqListInsert.toInt(m_idField));
    }
    updateActionStates();
}

void MasterListWindow::correctRow()
{
    if (!hasCurrentRow())
        return;
    const int id = currentId();
    if (!editDetails(currentRow(), false, &ibqListUpdate))
        return;
    ibqListUpdate.setInt(m_idField.toLower(), id);
    runChange(ibqListUpdate);
    reopenAtId(id);
}

void MasterListWindow::showRow()
{
    if (hasCurrentRow())
        editDetails(currentRow(), true, nullptr);
}

void MasterListWindow::openList()
{
    ibtList.startIfInactive();
    bindListParameters();
    ibqList.open();
    listModel.load(ibqList);
    dbgList->setCurrentRow(0);
}

void MasterListWindow::reopenAtId(int id)
{
    openList();
    locateId(id);
}

void MasterListWindow::reopenAtRow(int row)
{
    openList();
    dbgList->setCurrentRow(std::min(row, rowCount() - 1));
}

bool MasterListWindow::locateId(int id)
{
    const int row = records().find(m_idField, [id](const QVariant &value) { return value.toInt() == id; });
    dbgList->setCurrentRow(row);
    return row >= 0;
}

void MasterListWindow::updateActionStates()
{
    const bool hasRows = rowCount() > 0;
    for (QAction *action : rowActions())
        action->setEnabled(hasRows);
}

void MasterListWindow::runChange(db::Statement &statement)
{
    ibtList.startIfInactive();
    statement.execute();
    ibtList.commit();
}

void MasterListWindow::deleteCurrent(const QString &question, const QString &refusal)
{
    if (!hasCurrentRow() || !m_context.prompts.question(question, true))
        return;
    const int row = currentRow();
    ibqListDelete.setInt(QStringLiteral("ID"), currentId());
    try {
        runChange(ibqListDelete);
    } catch (const db::DbError &error) {
        // Not a refusal: the program offers to connect again.
        if (error.isConnectionLost())
            throw;
        m_context.prompts.error(refusal);
        rollbackQuietly();
    }
    reopenAtRow(row);
    updateActionStates();
}

void MasterListWindow::rollbackQuietly() noexcept
{
    try {
        if (ibtList.isActive())
            ibtList.rollback();
    } catch (const db::DbError &) {
        // The reopening that follows reports a connection that is gone.
    }
}

void MasterListWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape closes the window only as the key of "Wyjście", where it is one.
    if (event->key() == Qt::Key_Escape) {
        if (actWyjscie->shortcut() == QKeySequence(Qt::Key_Escape))
            actWyjscie->trigger();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MasterListWindow::keyTyped(QKeyEvent *event)
{
    const int key = event->key();
    const QString text = event->text();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        lokSzukana += QChar(u'a' + (key - Qt::Key_A));
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        lokSzukana += QChar(u'0' + (key - Qt::Key_0));
    else if (text.size() == 1 && app::isNameSearchCharacter(text.at(0)))
        lokSzukana += app::polishLower(text);
    else if (key == Qt::Key_Backspace)
        lokSzukana.chop(1);
    else
        return;
    locateNamePrefix(lokSzukana);
    setWindowTitle(m_caption + QStringLiteral(" - ") + lokSzukana);
}

void MasterListWindow::locateNamePrefix(const QString &prefix)
{
    const QString wanted = app::polishUpper(prefix);
    const int row = records().find(QStringLiteral("NAZWA1"), [&wanted](const QVariant &value) {
        return app::polishUpper(value.toString()).startsWith(wanted);
    });
    if (row >= 0)
        dbgList->setCurrentRow(row);
}

} // namespace masterdata
