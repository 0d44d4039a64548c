#include "gridmodel.h"

#include <QFont>

namespace ui {

void GridModel::setColumns(QList<GridColumn> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
}

int GridModel::columnOf(const QString &field) const
{
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].field.compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

QList<int> GridModel::widestRows(int) const
{
    return {};
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_columns[section].title;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case Qt::FontRole: {
        QFont font;
        font.setBold(true);
        font.setPixelSize(13);
        return font;
    }
    default:
        return {};
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void RecordModel::setCalculation(const QString &field, Calculation calculation)
{
    m_calculations.insert(field.toUpper(), std::move(calculation));
}

void RecordModel::load(db::Statement &statement)
{
    beginResetModel();
    m_records.load(statement);
    endResetModel();
}

void RecordModel::clear()
{
    beginResetModel();
    m_records.clear();
    endResetModel();
}

int RecordModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_records.rowCount(); }

QVariant RecordModel::cell(int row, int column) const
{
    const QString &field = columns()[column].field;
    const auto calculation = m_calculations.constFind(field.toUpper());
    if (calculation != m_calculations.constEnd())
        return (*calculation)(m_records, row);
    return m_records.value(row, field);
}

QVariant RecordModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_records.rowCount())
        return {};
    const GridColumn &column = columns()[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return column.checkBox ? QVariant() : cell(index.row(), index.column());
    case Qt::CheckStateRole:
        if (!column.checkBox)
            return {};
        return cell(index.row(), index.column()).toBool() ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

} // namespace ui
