#include "platform/ui/flexgrid.h"

#include "platform/error.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

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

// The cells of a grid: header texts and data rows of plain strings. A grid of thousands of rows
// is filled by moving its strings in, with one reset instead of a change per cell.
class GridModel : public QAbstractTableModel
{
public:
    explicit GridModel(FlexGrid *grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_header.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        // A screen reader reads a cell's text with its column's header, as the eye reads it.
        if (role == Qt::AccessibleDescriptionRole)
            return m_header.at(index.column()).trimmed();
        if (role != Qt::DisplayRole)
            return {};
        const QVector<QString> &row = m_rows.at(index.row());
        return index.column() < row.size() ? row.at(index.column()) : QString();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section >= m_header.size())
            return QAbstractTableModel::headerData(section, orientation, role);
        if (role == Qt::DisplayRole)
            return m_header.at(section);
        if (role == Qt::TextAlignmentRole)
            return int(m_grid->headerAlignment(section));
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
    }

    QString text(int tableRow, int col) const
    {
        const QVector<QString> &row = m_rows.at(tableRow);
        return col < row.size() ? row.at(col) : QString();
    }

    qsizetype textLength(int tableRow, int col) const
    {
        const QVector<QString> &row = m_rows.at(tableRow);
        return col < row.size() ? row.at(col).size() : 0;
    }

    void setText(int tableRow, int col, const QString &text)
    {
        QVector<QString> &row = m_rows[tableRow];
        if (col >= row.size()) {
            if (text.isEmpty())
                return;
            row.resize(col + 1);
        }
        if (row.at(col) == text)
            return;
        row[col] = text;
        if (m_quiet) {
            m_changedWhileQuiet = true;
            return;
        }
        const QModelIndex changed = index(tableRow, col);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }

    // A row's cells from column 0 on, moved in whole where they cover what the row held.
    void setRowTexts(int tableRow, QVector<QString> texts)
    {
        if (texts.size() > m_header.size())
            texts.resize(m_header.size());
        QVector<QString> &row = m_rows[tableRow];
        // While quiet nothing is told per cell: a row is not compared before it is replaced.
        if (!m_quiet && row == texts)
            return;
        const int changedCols = int(std::max(row.size(), texts.size()));
        if (row.size() <= texts.size()) {
            row = std::move(texts);
        } else {
            for (qsizetype c = 0; c < texts.size(); ++c)
                row[c] = std::move(texts[c]);
        }
        if (m_quiet) {
            m_changedWhileQuiet = true;
            return;
        }
        emit dataChanged(index(tableRow, 0), index(tableRow, changedCols - 1), {Qt::DisplayRole});
    }

    // Cell changes while quiet are told to the view once, when it ends.
    void setQuiet(bool quiet)
    {
        m_quiet = quiet;
        if (!quiet && m_changedWhileQuiet && !m_rows.isEmpty() && !m_header.isEmpty()) {
            emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, int(m_header.size()) - 1),
                             {Qt::DisplayRole});
        }
        if (!quiet)
            m_changedWhileQuiet = false;
    }

    QString headerText(int col) const { return m_header.at(col); }
    void setHeaderText(int col, const QString &text)
    {
        m_header[col] = text;
        emit headerDataChanged(Qt::Horizontal, col, col);
    }
    void headerAlignmentChanged(int col) { emit headerDataChanged(Qt::Horizontal, col, col); }

    void resize(int tableRows, int cols)
    {
        const int oldCols = int(m_header.size());
        if (cols < oldCols) {
            beginRemoveColumns({}, cols, oldCols - 1);
            m_header.resize(cols);
            for (QVector<QString> &row : m_rows) {
                if (row.size() > cols)
                    row.resize(cols);
            }
            endRemoveColumns();
        } else if (cols > oldCols) {
            beginInsertColumns({}, oldCols, cols - 1);
            m_header.resize(cols);
            endInsertColumns();
        }
        const int oldRows = int(m_rows.size());
        if (tableRows < oldRows) {
            beginRemoveRows({}, tableRows, oldRows - 1);
            m_rows.resize(tableRows);
            endRemoveRows();
        } else if (tableRows > oldRows) {
            beginInsertRows({}, oldRows, tableRows - 1);
            m_rows.resize(tableRows);
            endInsertRows();
        }
    }

    void insertRowAt(int tableRow)
    {
        beginInsertRows({}, tableRow, tableRow);
        m_rows.insert(tableRow, QVector<QString>());
        endInsertRows();
    }

    void removeRowAt(int tableRow)
    {
        beginRemoveRows({}, tableRow, tableRow);
        m_rows.remove(tableRow);
        endRemoveRows();
    }

    // Empties every data cell; the sizes stay.
    void clearCells()
    {
        if (m_rows.isEmpty())
            return;
        for (QVector<QString> &row : m_rows)
            row.clear();
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, int(m_header.size()) - 1),
                         {Qt::DisplayRole});
    }

    // Everything at once: the header and the rows (each at most as wide as the header).
    void replace(QVector<QString> header, QVector<QVector<QString>> rows)
    {
        beginResetModel();
        m_header = std::move(header);
        m_rows = std::move(rows);
        endResetModel();
    }

private:
    FlexGrid *m_grid;
    bool m_quiet = false;
    bool m_changedWhileQuiet = false;
    QVector<QString> m_header;
    QVector<QVector<QString>> m_rows;
};

FlexGrid::FlexGrid(QWidget *parent) : QTableView(parent), m_model(new GridModel(this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setSortingEnabled(false);
    setWordWrap(false);
    setItemDelegate(new AlignmentDelegate(this));
    // Arrows move among the cells; Tab and Shift+Tab leave the grid for the window's next or
    // previous control, so a keyboard never stays caught in it.
    setTabKeyNavigation(false);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(
        std::max(fontMetrics().height() + 4, twipsToPixels(240)));
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(twipsToPixels(DefaultColumnTwips));
    horizontalHeader()->setStretchLastSection(false);

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                onCurrentCellChanged(current.isValid() ? current.row() : -1,
                                     current.isValid() ? current.column() : -1);
            });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit DblClick();
    });

    resizeTable(2, 2);
    syncView();
}

// --- size -------------------------------------------------------------------------------------

int FlexGrid::Rows() const
{
    return m_model->rowCount() + 1;
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
    return m_model->columnCount();
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
    const int oldCols = Cols();
    m_model->resize(rows - 1, cols);
    columnsAdded(oldCols);
}

// Columns from oldCols on are new: general alignment, shown, at the default width.
void FlexGrid::columnsAdded(int oldCols)
{
    m_alignment.resize(Cols(), Alignment::General);
    for (int c = oldCols; c < Cols(); ++c) {
        setColumnHidden(c, false);
        setColumnWidth(c, horizontalHeader()->defaultSectionSize());
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

QString FlexGrid::TextMatrix(int row, int col) const
{
    checkRow(row);
    checkCol(col);
    return row == 0 ? m_model->headerText(col) : m_model->text(row - 1, col);
}

qsizetype FlexGrid::textLength(int row, int col) const
{
    checkRow(row);
    checkCol(col);
    return row == 0 ? m_model->headerText(col).size() : m_model->textLength(row - 1, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    checkRow(row);
    checkCol(col);
    if (row == 0)
        m_model->setHeaderText(col, text);
    else
        m_model->setText(row - 1, col, text);
}

void FlexGrid::setRowTexts(int row, QVector<QString> texts)
{
    if (row < 1 || row >= Rows())
        subscriptOutOfRange();
    m_model->setRowTexts(row - 1, std::move(texts));
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
    m_toolTips.clear();
    QScopedValueRollback guard(m_syncing, true);
    m_model->clearCells();
    for (int c = 0; c < Cols(); ++c)
        m_model->setHeaderText(c, QString());
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
        m_model->insertRowAt(index - 1);
    }
    const QStringList parts = item.split(QLatin1Char('\t'));
    for (int c = 0; c < parts.size() && c < Cols(); ++c)
        setTextMatrix(index, c, parts.at(c));
    syncView();
}

void FlexGrid::RemoveItem(int row)
{
    m_toolTips.clear();
    if (row < 1 || row >= Rows())
        subscriptOutOfRange();
    if (Rows() <= 2)
        throw AppError(30015, Source, QStringLiteral("Cannot remove last non-fixed row"));
    {
        QScopedValueRollback guard(m_syncing, true);
        m_model->removeRowAt(row - 1);
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
        setCurrentIndex(m_model->index(m_row - 1, m_col));
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
    QTableView::showEvent(event);
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
    m_model->headerAlignmentChanged(col);
}

Qt::Alignment FlexGrid::headerAlignment(int col) const
{
    const Qt::Alignment horizontal =
        col >= m_alignment.size() || m_alignment.at(col) == Alignment::General
            ? Qt::AlignLeft
            : displayAlignment(col, QString()) & Qt::AlignHorizontal_Mask;
    return horizontal | Qt::AlignVCenter;
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

QVector<QString> FlexGrid::cellTexts(const QVariant *values, int count)
{
    QVector<QString> texts(count);
    for (int c = 0; c < count; ++c) {
        if (values[c].isValid() && !values[c].isNull())
            texts[c] = db::Field::textOf(values[c]);
    }
    return texts;
}

void FlexGrid::setRecordset(const db::Recordset &recordset, QVector<QVector<QString>> texts)
{
    m_toolTips.clear();
    const int fields = recordset.FieldCount();
    const int records = recordset.RecordCount();
    const int cols = std::max(fields, 1);
    QVector<QString> header(cols);
    for (int c = 0; c < fields; ++c)
        header[c] = recordset.FieldName(c);
    // The texts made before (as the rows came) where there is one row of them for every record,
    // each the record's width; those of the records otherwise.
    const bool made =
        records > 0 && texts.size() == records &&
        std::all_of(texts.cbegin(), texts.cend(),
                    [fields](const QVector<QString> &row) { return row.size() == fields; });
    QVector<QVector<QString>> rows =
        made ? std::move(texts) : QVector<QVector<QString>>(std::max(records, 1));
    for (int r = 0; r < records && !made; ++r)
        rows[r] = cellTexts(recordset.rowValues(r), fields);
    {
        QScopedValueRollback guard(m_syncing, true);
        const int oldCols = Cols();
        m_model->replace(std::move(header), std::move(rows));
        columnsAdded(oldCols);
    }
    m_recordset = recordset;
    m_bound = true;
    verticalScrollBar()->setValue(0);
    moveTo(1, 0); // also puts the view's current cell back, which the reset forgot
}

FlexGrid::Filling::Filling(FlexGrid &grid) : m_grid(grid)
{
    m_grid.m_model->setQuiet(true);
}

FlexGrid::Filling::~Filling()
{
    m_grid.m_model->setQuiet(false);
}

void FlexGrid::unbind()
{
    m_recordset = db::Recordset();
    m_bound = false;
}

} // namespace ui

namespace ui {

void FlexGrid::setCellToolTip(int row, int col, const QString &text)
{
    checkRow(row);
    checkCol(col);
    if (text.isEmpty())
        m_toolTips.remove({row, col});
    else
        m_toolTips.insert({row, col}, text);
}

QString FlexGrid::toolTipAt(const QPoint &viewportPos) const
{
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid())
        return {};
    const int row = index.row() + 1; // table row r is grid row r + 1
    const QString own = m_toolTips.value({row, index.column()});
    if (!own.isEmpty())
        return own;
    const QString text = TextMatrix(row, index.column());
    // The cell's text with the margins the style draws around it.
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    const bool cut = fontMetrics().horizontalAdvance(text) + margin > visualRect(index).width();
    return cut ? text : QString();
}

bool FlexGrid::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QString tip = toolTipAt(help->pos());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(indexAt(help->pos())));
    }
    return true;
}

} // namespace ui
