#include "dialogs/dialogsupport.h"

#include "objects/datahelpers.h"
#include "platform/ui/flexgrid.h"

#include <QEvent>
#include <QHash>
#include <QHeaderView>

#include <algorithm>
#include <array>
#include <functional>

namespace dialogs {

namespace {

// Gives a grid's wide column the width the other columns leave, whenever the grid's viewport
// changes size.
class WideColumn : public QObject
{
public:
    explicit WideColumn(ui::FlexGrid *grid) : QObject(grid), m_grid(grid)
    {
        grid->viewport()->installEventFilter(this);
    }

    // The column and the width its contents need.
    void set(int column, int contentWidth)
    {
        m_column = column;
        m_contentWidth = contentWidth;
        apply();
    }

    // The widths measured before are forgotten when the grid's font has changed since.
    void startMeasuring()
    {
        const QString font = m_grid->font().key();
        if (font != m_measuredFont || m_measured.size() > 4096) {
            m_measured.clear();
            m_measuredFont = font;
        }
    }

    // The width the view gives a data cell of this text: measured once for the grid's font (the
    // lists of one search's keystrokes share most of their texts).
    int cellWidth(int row, int column, const QString &text)
    {
        if (const auto known = m_measured.constFind(text); known != m_measured.constEnd())
            return known.value();
        const int width = m_grid->sizeHintForIndex(m_grid->model()->index(row - 1, column)).width();
        m_measured.insert(text, width);
        return width;
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_grid->viewport() && event->type() == QEvent::Resize)
            apply();
        return QObject::eventFilter(watched, event);
    }

private:
    void apply()
    {
        if (m_column < 0 || m_column >= m_grid->Cols() || m_grid->isColumnHidden(m_column))
            return;
        int others = 0;
        for (int c = 0; c < m_grid->Cols(); ++c) {
            if (c != m_column && !m_grid->isColumnHidden(c))
                others += m_grid->columnWidth(c);
        }
        const int width = std::max(m_contentWidth, m_grid->viewport()->width() - others);
        if (m_grid->columnWidth(m_column) != width)
            m_grid->setColumnWidth(m_column, width);
    }

    ui::FlexGrid *m_grid;
    int m_column = -1;
    int m_contentWidth = 0;
    QHash<QString, int> m_measured; // a data cell's text -> its width
    QString m_measuredFont;
};

} // namespace

db::Connection &sessionConnection(const QString &dialogName)
{
    return modInventory::signedInConnection(dialogName);
}

void fitColumns(ui::FlexGrid *grid, int wideColumn)
{
    // A column's widest text is among its longest: only those are measured, as the view measures
    // a cell. (Letting the view measure every cell of 500 rows cost some 14 ms at each keystroke
    // of the product search.)
    constexpr int Measured = 6;
    WideColumn *wide = nullptr;
    for (QObject *child : grid->children()) {
        if ((wide = dynamic_cast<WideColumn *>(child)))
            break;
    }
    if (!wide)
        wide = new WideColumn(grid);
    wide->startMeasuring();
    const QHeaderView *header = grid->horizontalHeader();
    const int gridLine = grid->showGrid() ? 1 : 0;
    for (int c = 0; c < grid->Cols(); ++c) {
        if (grid->isColumnHidden(c))
            continue;
        std::array<std::pair<qsizetype, int>, Measured> longest{}; // (length, row), longest first
        for (int r = 1; r < grid->Rows(); ++r) {
            const qsizetype length = grid->textLength(r, c);
            if (length <= longest.back().first)
                continue;
            longest.back() = {length, r};
            std::sort(longest.begin(), longest.end(), std::greater<>());
        }
        int width = header->sectionSizeHint(c);
        for (const auto &[length, row] : longest) {
            if (length > 0)
                width =
                    std::max(width, wide->cellWidth(row, c, grid->TextMatrix(row, c)) + gridLine);
        }
        grid->setColumnWidth(c, width);
    }
    wide->set(wideColumn,
              wideColumn >= 0 && wideColumn < grid->Cols() ? grid->columnWidth(wideColumn) : 0);
}

} // namespace dialogs
