#include "dialogs/dialogsupport.h"

#include "objects/datahelpers.h"
#include "platform/ui/flexgrid.h"

#include <QEvent>
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
                width = std::max(width,
                                 grid->sizeHintForIndex(grid->model()->index(row - 1, c)).width() +
                                     gridLine);
        }
        grid->setColumnWidth(c, width);
    }
    WideColumn *wide = nullptr;
    for (QObject *child : grid->children()) {
        if ((wide = dynamic_cast<WideColumn *>(child)))
            break;
    }
    if (!wide)
        wide = new WideColumn(grid);
    wide->set(wideColumn,
              wideColumn >= 0 && wideColumn < grid->Cols() ? grid->columnWidth(wideColumn) : 0);
}

} // namespace dialogs
