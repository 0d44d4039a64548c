#pragma once
// Table models for DataGrid: a base that knows its columns (field, title,
// alignment, width), and a model over a RecordSet with calculated columns.

#include "recordset.h"

#include <QAbstractTableModel>
#include <QList>

#include <functional>

namespace ui {

struct GridColumn {
    QString field;   // the name the layout is stored under
    QString title;
    Qt::Alignment alignment = Qt::AlignLeft;
    int width = 100;  // pixels
    bool elide = true;     // cut long texts with an ellipsis
    bool visible = true;
    bool checkBox = false;  // shows a boolean as a check box
    // Never narrower than its widest text (the rows the model names in
    // widestRows); wider when the user or the stored layout says so.
    bool fitWidest = false;
};

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setColumns(QList<GridColumn> columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    int columnOf(const QString &field) const;
    // The rows holding the widest texts of a fitWidest column; none where
    // the model cannot tell them without measuring every row.
    virtual QList<int> widestRows(int column) const;

    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QList<GridColumn> m_columns;
};

// Rows of a RecordSet; a column shows the field of its name unless a
// calculation is given for it.
class RecordModel : public GridModel {
    Q_OBJECT
public:
    using Calculation = std::function<QVariant(const app::RecordSet &, int row)>;

    using GridModel::GridModel;

    void setCalculation(const QString &field, Calculation calculation);

    // Replaces the rows (reads the statement to its end and closes it).
    void load(db::Statement &statement);
    void clear();
    const app::RecordSet &records() const { return m_records; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QVariant cell(int row, int column) const;

    app::RecordSet m_records;
    QHash<QString, Calculation> m_calculations;
};

} // namespace ui
