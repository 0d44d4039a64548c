#pragma once
// The rows of a query held in memory, for the list windows: every column by
// name, values as Statement::value gives them.

#include "database.h"

#include <QVariant>

#include <vector>

namespace app {

class RecordSet {
public:
    // Reads every row of an open statement and closes it.
    void load(db::Statement &statement);
    void clear();

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    int columnCount() const { return static_cast<int>(m_names.size()); }
    // The column's index by name in any letter case; -1 if none.
    int column(const QString &name) const;

    QVariant value(int row, int column) const;
    QVariant value(int row, const QString &name) const { return value(row, column(name)); }
    int integer(int row, const QString &name) const { return value(row, name).toInt(); }
    QString text(int row, const QString &name) const { return value(row, name).toString(); }

    // The first row whose `name` column satisfies `match`, or -1.
    template <typename Predicate>
    int find(const QString &name, Predicate match) const
    {
        const int c = column(name);
        for (int row = 0; row < rowCount(); ++row)
            if (match(value(row, c)))
                return row;
        return -1;
    }

private:
    QStringList m_names;
    std::vector<std::vector<QVariant>> m_rows;
};

} // namespace app
