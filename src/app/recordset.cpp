#include "recordset.h"

namespace app {

void RecordSet::load(db::Statement &statement)
{
    clear();
    const int columns = statement.columnCount();
    for (int c = 0; c < columns; ++c)
        m_names << statement.columnName(c);
    while (statement.next()) {
        std::vector<QVariant> row;
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(statement.value(c));
        m_rows.push_back(std::move(row));
    }
    statement.close();
}

void RecordSet::clear()
{
    m_names.clear();
    m_rows.clear();
}

int RecordSet::column(const QString &name) const
{
    for (int c = 0; c < m_names.size(); ++c)
        if (m_names[c].compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

QVariant RecordSet::value(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

} // namespace app
