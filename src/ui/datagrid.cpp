#include "datagrid.h"

#include "formatting.h"
#include "inifile.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

namespace ui {

namespace {

// Texts of columns that must not be cut wrap into the row's lines instead.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(DataGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const GridModel *model = m_grid->gridModel();
        if (!model || index.column() >= model->columns().size())
            return;
        const GridColumn &column = model->columns()[index.column()];
        if (!column.elide) {
            option->textElideMode = Qt::ElideNone;
            option->features |= QStyleOptionViewItem::WrapText;
        }
        if (column.checkBox)
            option->displayAlignment = Qt::AlignCenter;
    }

private:
    DataGrid *m_grid;
};

const QString kColumns = QStringLiteral("Columns");
const QString kColumn = QStringLiteral("Column%1");

} // namespace

DataGrid::DataGrid(QWidget *parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows are chosen whole: Tab leaves the list for the next control.
    setTabKeyNavigation(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(false);
    setShowGrid(true);
    setWordWrap(true);
    setItemDelegate(new GridDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    horizontalHeader()->setStretchLastSection(false);
    QFont titleFont = horizontalHeader()->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(13);
    horizontalHeader()->setFont(titleFont);
    horizontalHeader()->setMinimumHeight(QFontMetrics(titleFont).lineSpacing() * 2 + 6);
    // Keep showing the selection when the grid loses focus.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(palette);
    setLinesPerRow(1);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &DataGrid::columnResized);
}

DataGrid::~DataGrid()
{
    if (!m_section.isEmpty())
        saveLayout();
}

void DataGrid::setGridModel(GridModel *model)
{
    m_model = model;
    setModel(model);
    applyColumns();
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_model->columnCount() != horizontalHeader()->count())
            applyColumns();
        fitColumns();
    });
}

void DataGrid::applyColumns()
{
    if (!m_model)
        return;
    m_columns = m_model->columns();
    m_chosenWidths.clear();
    m_neededWidths.clear();
    for (int c = 0; c < m_columns.size(); ++c) {
        setColumnWidth(c, m_columns[c].width);
        setColumnHidden(c, !m_columns[c].visible);
    }
    fitColumns();
}

void DataGrid::fitColumns()
{
    if (!m_model)
        return;
    const QScopedValueRollback fitting(m_fitting, true);
    const int count = std::min<int>(m_columns.size(), m_model->columnCount());
    for (int c = 0; c < count; ++c) {
        if (!m_columns[c].fitWidest)
            continue;
        m_neededWidths[c] = widestTextWidth(c);
        if (!isColumnHidden(c))
            setColumnWidth(c, std::max(chosenWidth(c), m_neededWidths[c]));
    }
}

int DataGrid::widestTextWidth(int column) const
{
    int width = 0;
    for (const int row : m_model->widestRows(column))
        if (row >= 0 && row < m_model->rowCount())
            width = std::max(width, sizeHintForIndex(m_model->index(row, column)).width());
    // The grid line takes a pixel of the column.
    return width > 0 && showGrid() ? width + 1 : width;
}

// The user's drag and a stored width are remembered as chosen; neither may
// make a fitWidest column narrower than its widest text.
void DataGrid::columnResized(int column, int oldWidth, int newWidth)
{
    const bool shownOrHidden = oldWidth == 0 || newWidth == 0;
    if (m_fitting || shownOrHidden || column >= m_columns.size() || !m_columns[column].fitWidest)
        return;
    m_chosenWidths[column] = newWidth;
    const int needed = m_neededWidths.value(column);
    if (newWidth < needed) {
        const QScopedValueRollback fitting(m_fitting, true);
        setColumnWidth(column, needed);
    }
}

int DataGrid::chosenWidth(int column) const
{
    return m_chosenWidths.value(column, m_columns[column].width);
}

void DataGrid::setLayoutStorage(const QString &configFile, const QString &section)
{
    m_configFile = configFile;
    m_section = section;
    loadLayout();
}

void DataGrid::loadLayout()
{
    if (!m_model || m_configFile.isEmpty())
        return;
    const app::IniFile settings(m_configFile);
    const int count = settings.value(m_section, kColumns).toInt();
    QHeaderView *header = horizontalHeader();
    for (int i = 0; i < count; ++i) {
        // field,width,visible in the order shown
        const QStringList parts = settings.value(m_section, kColumn.arg(i + 1)).split(QLatin1Char(','));
        if (parts.size() < 3)
            continue;
        const int logical = m_model->columnOf(parts[0]);
        if (logical < 0 || !m_model->columns()[logical].visible)
            continue;
        bool ok = false;
        const int width = parts[1].toInt(&ok);
        if (ok && width > 0 && width < 5000)
            setColumnWidth(logical, width);
        setColumnHidden(logical, parts[2] == QLatin1String("0"));
        header->moveSection(header->visualIndex(logical), std::min(i, header->count() - 1));
    }
}

void DataGrid::saveLayout() const
{
    if (m_columns.isEmpty() || m_configFile.isEmpty())
        return;
    app::IniFile settings(m_configFile);
    const QHeaderView *header = horizontalHeader();
    const int count = std::min<int>(header->count(), m_columns.size());
    settings.setValue(m_section, kColumns, QString::number(count));
    for (int visual = 0; visual < count; ++visual) {
        const int logical = header->logicalIndex(visual);
        const int shown = columnWidth(logical) > 0 ? columnWidth(logical) : m_columns[logical].width;
        settings.setValue(m_section, kColumn.arg(visual + 1),
                          QStringLiteral("%1,%2,%3")
                              .arg(m_columns[logical].field)
                              .arg(m_columns[logical].fitWidest ? chosenWidth(logical) : shown)
                              .arg(isColumnHidden(logical) ? 0 : 1));
    }
    settings.setValue(m_section, QStringLiteral("OrderFields"), QString());
    settings.setValue(m_section, QStringLiteral("LinesCount"), QString::number(m_lines));
    settings.setValue(m_section, QStringLiteral("StretchMode"), QStringLiteral("0"));
    settings.setValue(m_section, QStringLiteral("AutoLoadLayout"), QStringLiteral("1"));
    settings.setValue(m_section, QStringLiteral("AutoSaveLayout"), QStringLiteral("1"));
    settings.save();
}

void DataGrid::setLinesPerRow(int lines)
{
    m_lines = std::max(1, lines);
    verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() * m_lines + 6);
}

int DataGrid::currentRow() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : -1;
}

void DataGrid::setCurrentRow(int row)
{
    if (!model() || row < 0 || row >= model()->rowCount())
        return;
    int column = 0;
    while (column < model()->columnCount() - 1 && isColumnHidden(column))
        ++column;
    const QModelIndex index = model()->index(row, column);
    setCurrentIndex(index);
    scrollTo(index);
}

// The current row stays in sight when the grid grows or shrinks.
void DataGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (currentIndex().isValid())
        scrollTo(currentIndex());
}

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
        QCoreApplication::sendEvent(this, &menu);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit returnPressed();
        return;
    }
    const bool letterOrDigit = (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
    const bool searchCharacter = event->text().size() == 1 && app::isNameSearchCharacter(event->text().front());
    if (letterOrDigit || searchCharacter || key == Qt::Key_Backspace) {
        emit keyTyped(event);
        return;
    }
    QTableView::keyPressEvent(event);
}

bool DataGrid::event(QEvent *event)
{
    // The keyboard's context menu opens at the current row, not at the corner.
    if (event->type() == QEvent::ContextMenu) {
        auto *menu = static_cast<QContextMenuEvent *>(event);
        if (menu->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid()) {
            const QRect row = visualRect(currentIndex());
            const QPoint at = viewport()->mapTo(this, row.bottomLeft() + QPoint(8, 0));
            QContextMenuEvent placed(QContextMenuEvent::Keyboard, at, mapToGlobal(at), menu->modifiers());
            return QTableView::event(&placed);
        }
    }
    return QTableView::event(event);
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit gridDoubleClicked();
}

} // namespace ui
