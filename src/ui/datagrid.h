#pragma once
// The data grid of the list windows: read-only, whole-row selection, bold
// two-line titles, rows one or two text lines high, and a column layout
// kept in the working folder's config.ini under "<form>.<grid>". A column
// marked fitWidest is widened to its widest text whenever the rows change,
// and never dragged narrower than that; the width the user or the layout
// chose is what the layout keeps.

#include "gridmodel.h"

#include <QHash>
#include <QTableView>

namespace ui {

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    void setGridModel(GridModel *model);
    GridModel *gridModel() const { return m_model; }

    // Where the layout lives; loads it now and saves it when the grid goes.
    void setLayoutStorage(const QString &configFile, const QString &section);
    void loadLayout();
    void saveLayout() const;

    void setLinesPerRow(int lines);
    int linesPerRow() const { return m_lines; }

    // The current row, or -1 when there is none.
    int currentRow() const;
    void setCurrentRow(int row);

signals:
    // A key the grid itself does not use: letters (Polish ones too), digits,
    // the space and Backspace.
    void keyTyped(QKeyEvent *event);
    // Enter pressed.
    void returnPressed();
    // A double click anywhere on the grid, also where no row is.
    void gridDoubleClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // The windows search their lists themselves; Qt's own row search stays off.
    void keyboardSearch(const QString &) override {}
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void applyColumns();
    void fitColumns();
    // What a fitWidest column needs for the texts of the model's widest rows.
    int widestTextWidth(int column) const;
    void columnResized(int column, int oldWidth, int newWidth);
    int chosenWidth(int column) const;

    GridModel *m_model = nullptr;
    // The model's columns as last applied: the layout is saved from these,
    // also when the model has gone before the grid.
    QList<GridColumn> m_columns;
    QString m_configFile;
    QString m_section;
    int m_lines = 1;
    // fitWidest columns: the width chosen by the user or the layout, and the
    // width their widest text needs; by logical column.
    QHash<int, int> m_chosenWidths;
    QHash<int, int> m_neededWidths;
    bool m_fitting = false;  // the grid itself is widening columns
};

} // namespace ui
