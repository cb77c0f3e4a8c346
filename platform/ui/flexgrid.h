#pragma once

#include "platform/db/recordset.h"
#include "platform/ui/twips.h"

#include <QHash>
#include <QTableView>
#include <QVector>

namespace ui {

// A read-only grid of text cells addressed the way the windows' logic addresses its grids: row 0
// is the fixed header row, rows 1 to Rows() - 1 hold the data, and TextMatrix(0, c) is the header
// text of column c. The header row is drawn by the table's horizontal header (so it stays in view
// while the rows scroll); data row r is table row r - 1. There are no fixed columns.
//
// Rows, columns and the current cell are the wrapper's own: use Rows/setRows, Cols/setCols,
// Row/setRow, Col/setCol and the other members below, not the view's own row and column calls.
// A row or column index out of range throws AppError 381 "Subscript out of range"; an invalid
// size or width throws AppError 380 "Invalid property value".
//
// The arrow keys move among the cells; Tab and Shift+Tab go on to the window's next or previous
// control. A screen reader hears each cell's text with its column's header as the description;
// the window that owns a grid gives it its accessible name.
class GridModel;

class FlexGrid : public QTableView
{
    Q_OBJECT

public:
    // "General" right-aligns cells that hold a number and left-aligns the others.
    enum class Alignment { General, Left, Centre, Right };

    explicit FlexGrid(QWidget *parent = nullptr);

    // Row count including the header row (at least 1); new rows are empty. A new grid has 2 rows
    // and 2 columns, and cell (1, 0) is current.
    int Rows() const;
    void setRows(int rows);
    int Cols() const;
    void setCols(int cols);
    // Always one fixed row, the header; setting any other number throws AppError 380.
    int FixedRows() const { return 1; }
    void setFixedRows(int fixedRows);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    // The length of TextMatrix(row, col), read in place: for fitting a column of thousands of
    // rows.
    qsizetype textLength(int row, int col) const;
    // The texts of a data row from column 0 on, as setTextMatrix would set them one by one; texts
    // past the last column are dropped. For filling thousands of rows (see Filling).
    void setRowTexts(int row, QVector<QString> texts);
    // The text of the current cell.
    QString Text() const;
    void setText(const QString &text);

    // The current cell. Row 0 (the header) can be made current by the program; the user moves only
    // among the data rows. Every change of the current cell, by the user or by the program, emits
    // RowColChange once; setting the cell that is already current emits nothing. Changes of the
    // row count keep the current indexes, clamped to the new size.
    int Row() const { return m_row; }
    void setRow(int row);
    int Col() const { return m_col; }
    void setCol(int col);
    void setRowCol(int row, int col); // both at once, one RowColChange

    // The first data row in view; setting it scrolls (as far as the rows allow).
    int TopRow() const;
    void setTopRow(int row);

    // "|"-separated header cells, e.g. "Code |< Product Name & Description | Quantity |": one
    // column per cell (a trailing "|" makes one more, empty cell), added when the grid has fewer;
    // a grid with more columns keeps them as they are (a layout sets its column count first, then
    // the header, then the widths of all its columns). Sets each header text (only a leading
    // alignment mark is removed: "<" left, ">" right, "^" centre, none general), each column's
    // alignment, and the width of each column with a header text to fit that text.
    void setFormatString(const QString &format);
    QString FormatString() const { return m_formatString; }

    Alignment ColAlignment(int col) const;
    void setColAlignment(int col, Alignment alignment);

    // Width in twips; 0 hides the column, a negative width gives the default width back.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);

    // Empties every cell, the header row included; sizes, widths and alignments stay.
    void Clear();
    // Adds a row at index (the end when -1) whose cells are the tab-separated parts of item from
    // column 0 on (parts beyond the last column are dropped).
    void AddItem(const QString &item, int index = -1);
    // Removes a data row; the last data row cannot be removed (AppError 30015).
    void RemoveItem(int row);

    // Shows a result: one column per field headed by the field's name, one row per record (one
    // empty row when there is none), each value as text, Null as "". Cell (1, 0) becomes
    // current and the first row comes into view. The grid keeps the recordset until unbind().
    // texts, when given, are the records' cell texts made beforehand (cellTexts of each record,
    // as its rows came): used when they are one row for every record.
    void setRecordset(const db::Recordset &recordset, QVector<QVector<QString>> texts = {});
    // A record's values as the grid shows them (Null as "").
    static QVector<QString> cellTexts(const QVariant *values, int count);
    // While one lives, cell texts change without the view being told cell by cell: it is told
    // once at the end. For filling thousands of cells.
    class Filling
    {
    public:
        explicit Filling(FlexGrid &grid);
        ~Filling();
        Filling(const Filling &) = delete;
        Filling &operator=(const Filling &) = delete;

    private:
        FlexGrid &m_grid;
    };

    // Forgets the bound recordset; the cells keep their text.
    void unbind();
    bool isBound() const { return m_bound; }
    const db::Recordset &recordset() const { return m_recordset; }

    // A cell's own tooltip (a date shown short, say, with its full value); forgotten when the
    // grid is cleared, bound to a result or loses a row. A cell without one that is cut short by
    // its column shows its whole text as its tooltip.
    void setCellToolTip(int row, int col, const QString &text);
    QString cellToolTip(int row, int col) const { return m_toolTips.value({row, col}); }
    // The tooltip of the cell at a point of the viewport: its own, or its whole text when cut.
    QString toolTipAt(const QPoint &viewportPos) const;

    // Display alignment of a cell's text (used by the grid's drawing), and of a column's header.
    Qt::Alignment displayAlignment(int col, const QString &text) const;
    Qt::Alignment headerAlignment(int col) const;

signals:
    void RowColChange();
    void DblClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void checkRow(int row) const;
    void checkCol(int col) const;
    void resizeTable(int rows, int cols);
    void columnsAdded(int oldCols);
    void moveTo(int row, int col);
    void syncView();
    void onCurrentCellChanged(int tableRow, int col);
    void applyHeaderAlignment(int col);

    GridModel *m_model = nullptr; // the cells' text, held as plain strings

    int m_row = 1;
    int m_col = 0;
    bool m_syncing = false;
    int m_hiddenTopRow = 0; // a top row set while hidden, applied again when shown
    QVector<Alignment> m_alignment;
    QString m_formatString;
    db::Recordset m_recordset;
    bool m_bound = false;
    QHash<QPair<int, int>, QString> m_toolTips; // (row, column) -> the cell's own tooltip
};

} // namespace ui
