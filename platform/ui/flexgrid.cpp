#include "platform/ui/flexgrid.h"

#include "platform/error.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace ui {

namespace {

const QString Source = QStringLiteral("FlexGrid");
constexpr int DefaultColumnTwips = 960;
constexpr int HeaderTextPadding = 8; // pixels around a header text sized by the format string

[[noreturn]] void subscriptOutOfRange()
{
    throw AppError(381, Source, QStringLiteral("Subscript out of range"));
}

[[noreturn]] void invalidValue()
{
    throw AppError(380, Source, QStringLiteral("Invalid property value"));
}

bool looksNumeric(const QString &text)
{
    QString plain = text.trimmed();
    plain.remove(QLatin1Char(','));
    bool ok = false;
    plain.toDouble(&ok);
    return ok;
}

// Draws each cell with its column's alignment.
class AlignmentDelegate : public QStyledItemDelegate
{
public:
    explicit AlignmentDelegate(FlexGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = m_grid->displayAlignment(index.column(), option->text);
    }

private:
    FlexGrid *m_grid;
};

} // namespace

FlexGrid::FlexGrid(QWidget *parent) : QTableWidget(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setSortingEnabled(false);
    setWordWrap(false);
    setItemDelegate(new AlignmentDelegate(this));

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(
        std::max(fontMetrics().height() + 4, twipsToPixels(240)));
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(twipsToPixels(DefaultColumnTwips));
    horizontalHeader()->setStretchLastSection(false);

    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int row, int col, int, int) { onCurrentCellChanged(row, col); });
    connect(this, &QTableWidget::cellDoubleClicked, this, [this](int, int) { emit DblClick(); });

    resizeTable(2, 2);
    syncView();
}

// --- size -------------------------------------------------------------------------------------

int FlexGrid::Rows() const
{
    return rowCount() + 1;
}

void FlexGrid::setRows(int rows)
{
    if (rows < 1)
        invalidValue();
    resizeTable(rows, Cols());
    moveTo(std::min(m_row, rows - 1), m_col);
}

int FlexGrid::Cols() const
{
    return columnCount();
}

void FlexGrid::setCols(int cols)
{
    if (cols < 1)
        invalidValue();
    resizeTable(Rows(), cols);
    moveTo(m_row, std::min(m_col, cols - 1));
}

void FlexGrid::setFixedRows(int fixedRows)
{
    if (fixedRows != 1)
        invalidValue();
}

void FlexGrid::resizeTable(int rows, int cols)
{
    QScopedValueRollback guard(m_syncing, true);
    const int oldCols = columnCount();
    setRowCount(rows - 1);
    setColumnCount(cols);
    m_alignment.resize(cols, Alignment::General);
    for (int c = oldCols; c < cols; ++c) {
        // A header item of its own, or the header would show the column's number.
        setHorizontalHeaderItem(c, new QTableWidgetItem());
        setColumnHidden(c, false);
        setColumnWidth(c, horizontalHeader()->defaultSectionSize());
        applyHeaderAlignment(c);
    }
}

// --- cells ------------------------------------------------------------------------------------

void FlexGrid::checkRow(int row) const
{
    if (row < 0 || row >= Rows())
        subscriptOutOfRange();
}

void FlexGrid::checkCol(int col) const
{
    if (col < 0 || col >= Cols())
        subscriptOutOfRange();
}

QTableWidgetItem *FlexGrid::cell(int row, int col, bool create)
{
    QTableWidgetItem *item = row == 0 ? horizontalHeaderItem(col) : this->item(row - 1, col);
    if (!item && create) {
        item = new QTableWidgetItem();
        if (row == 0) {
            setHorizontalHeaderItem(col, item);
            applyHeaderAlignment(col);
        } else {
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            setItem(row - 1, col, item);
        }
    }
    return item;
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    checkRow(row);
    checkCol(col);
    const QTableWidgetItem *item = row == 0 ? horizontalHeaderItem(col) : this->item(row - 1, col);
    return item ? item->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    checkRow(row);
    checkCol(col);
    cell(row, col, true)->setText(text);
}

QString FlexGrid::Text() const
{
    return TextMatrix(m_row, m_col);
}

void FlexGrid::setText(const QString &text)
{
    setTextMatrix(m_row, m_col, text);
}

void FlexGrid::Clear()
{
    QScopedValueRollback guard(m_syncing, true);
    clearContents();
    for (int c = 0; c < Cols(); ++c)
        cell(0, c, true)->setText(QString());
    syncView();
}

void FlexGrid::AddItem(const QString &item, int index)
{
    if (index == -1)
        index = Rows();
    if (index < 1 || index > Rows())
        subscriptOutOfRange();
    {
        QScopedValueRollback guard(m_syncing, true);
        insertRow(index - 1);
    }
    const QStringList parts = item.split(QLatin1Char('\t'));
    for (int c = 0; c < parts.size() && c < Cols(); ++c)
        setTextMatrix(index, c, parts.at(c));
    syncView();
}

void FlexGrid::RemoveItem(int row)
{
    if (row < 1 || row >= Rows())
        subscriptOutOfRange();
    if (Rows() <= 2)
        throw AppError(30015, Source, QStringLiteral("Cannot remove last non-fixed row"));
    {
        QScopedValueRollback guard(m_syncing, true);
        removeRow(row - 1);
    }
    moveTo(std::min(m_row, Rows() - 1), m_col);
}

// --- current cell -----------------------------------------------------------------------------

void FlexGrid::setRow(int row)
{
    checkRow(row);
    moveTo(row, m_col);
}

void FlexGrid::setCol(int col)
{
    checkCol(col);
    moveTo(m_row, col);
}

void FlexGrid::setRowCol(int row, int col)
{
    checkRow(row);
    checkCol(col);
    moveTo(row, col);
}

void FlexGrid::moveTo(int row, int col)
{
    const bool changed = row != m_row || col != m_col;
    m_row = row;
    m_col = col;
    syncView();
    if (changed)
        emit RowColChange();
}

// Puts the view's current cell where the wrapper's is (none while the header row is current).
void FlexGrid::syncView()
{
    QScopedValueRollback guard(m_syncing, true);
    if (m_row >= 1) {
        setCurrentCell(m_row - 1, m_col);
    } else {
        selectionModel()->clearCurrentIndex();
        clearSelection();
    }
}

void FlexGrid::onCurrentCellChanged(int tableRow, int col)
{
    if (m_syncing || tableRow < 0 || col < 0)
        return;
    if (tableRow + 1 == m_row && col == m_col)
        return;
    m_row = tableRow + 1;
    m_col = col;
    emit RowColChange();
}

int FlexGrid::TopRow() const
{
    return verticalScrollBar()->value() + 1;
}

void FlexGrid::setTopRow(int row)
{
    if (row < 1 || row >= Rows())
        subscriptOutOfRange();
    updateGeometries(); // the scroll range follows the rows even before the grid is shown
    verticalScrollBar()->setValue(row - 1);
    m_hiddenTopRow = isVisible() ? 0 : row;
}

void FlexGrid::showEvent(QShowEvent *event)
{
    QTableWidget::showEvent(event);
    // Showing lays the view out afresh, from the top; a top row chosen before stays.
    if (m_hiddenTopRow > 0 && m_hiddenTopRow < Rows()) {
        updateGeometries();
        verticalScrollBar()->setValue(m_hiddenTopRow - 1);
    }
    m_hiddenTopRow = 0;
}

// --- layout -----------------------------------------------------------------------------------

void FlexGrid::setFormatString(const QString &format)
{
    const QStringList cells = format.split(QLatin1Char('|'));
    if (Cols() < cells.size())
        setCols(int(cells.size()));
    m_formatString = format;
    const QFontMetrics metrics(horizontalHeader()->font());
    for (int c = 0; c < cells.size(); ++c) {
        QString text = cells.at(c);
        Alignment alignment = Alignment::General;
        if (!text.isEmpty()) {
            switch (text.at(0).unicode()) {
            case '<':
                alignment = Alignment::Left;
                break;
            case '>':
                alignment = Alignment::Right;
                break;
            case '^':
                alignment = Alignment::Centre;
                break;
            default:
                break;
            }
            if (alignment != Alignment::General)
                text.remove(0, 1);
        }
        setTextMatrix(0, c, text);
        setColAlignment(c, alignment);
        if (!text.trimmed().isEmpty()) {
            setColumnHidden(c, false);
            setColumnWidth(c, metrics.horizontalAdvance(text) + HeaderTextPadding);
        }
    }
}

FlexGrid::Alignment FlexGrid::ColAlignment(int col) const
{
    checkCol(col);
    return m_alignment.at(col);
}

void FlexGrid::setColAlignment(int col, Alignment alignment)
{
    checkCol(col);
    m_alignment[col] = alignment;
    applyHeaderAlignment(col);
    viewport()->update();
}

void FlexGrid::applyHeaderAlignment(int col)
{
    QTableWidgetItem *header = horizontalHeaderItem(col);
    if (!header)
        return;
    const Qt::Alignment horizontal =
        m_alignment.at(col) == Alignment::General
            ? Qt::AlignLeft
            : displayAlignment(col, QString()) & Qt::AlignHorizontal_Mask;
    header->setTextAlignment(horizontal | Qt::AlignVCenter);
}

Qt::Alignment FlexGrid::displayAlignment(int col, const QString &text) const
{
    Qt::Alignment horizontal = Qt::AlignLeft;
    switch (col >= 0 && col < m_alignment.size() ? m_alignment.at(col) : Alignment::General) {
    case Alignment::General:
        horizontal = looksNumeric(text) ? Qt::AlignRight : Qt::AlignLeft;
        break;
    case Alignment::Left:
        horizontal = Qt::AlignLeft;
        break;
    case Alignment::Centre:
        horizontal = Qt::AlignHCenter;
        break;
    case Alignment::Right:
        horizontal = Qt::AlignRight;
        break;
    }
    return horizontal | Qt::AlignVCenter;
}

int FlexGrid::ColWidth(int col) const
{
    checkCol(col);
    if (isColumnHidden(col))
        return 0;
    return pixelsToTwips(columnWidth(col));
}

void FlexGrid::setColWidth(int col, int twips)
{
    checkCol(col);
    if (twips == 0) {
        setColumnHidden(col, true);
        return;
    }
    setColumnHidden(col, false);
    setColumnWidth(col,
                   twips < 0 ? horizontalHeader()->defaultSectionSize() : twipsToPixels(twips));
}

// --- binding ----------------------------------------------------------------------------------

void FlexGrid::setRecordset(const db::Recordset &recordset)
{
    const int fields = recordset.FieldCount();
    const int records = recordset.RecordCount();
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    {
        QScopedValueRollback guard(m_syncing, true);
        clearContents();
        resizeTable(std::max(records, 1) + 1, std::max(fields, 1));
    }
    for (int c = 0; c < Cols(); ++c)
        setTextMatrix(0, c, c < fields ? recordset.FieldName(c) : QString());
    for (int r = 0; r < records; ++r) {
        for (int c = 0; c < fields; ++c) {
            const QVariant &value = recordset.value(r, c);
            if (value.isValid() && !value.isNull())
                cell(r + 1, c, true)->setText(db::Field(recordset.FieldName(c), value).toText());
        }
    }
    m_recordset = recordset;
    m_bound = true;
    verticalScrollBar()->setValue(0);
    setUpdatesEnabled(updates);
    moveTo(1, 0);
}

void FlexGrid::unbind()
{
    m_recordset = db::Recordset();
    m_bound = false;
}

} // namespace ui
