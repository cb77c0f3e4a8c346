#pragma once

#include "platform/ui/flexgrid.h"

#include <QHeaderView>
#include <QStringList>
#include <QStyle>

namespace gridfit {

// The header texts and cell texts of the shown columns that their column is too narrow for, as
// "row,col:text" (row 0 the header); empty when every text shows whole.
inline QStringList cutTexts(const ui::FlexGrid &grid)
{
    const QStyle *style = grid.style();
    const int cellMargin =
        2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1);
    const int headerMargin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &grid);
    const QFontMetrics cellFont = grid.fontMetrics();
    const QFontMetrics headerFont = grid.horizontalHeader()->fontMetrics();
    QStringList cut;
    for (int c = 0; c < grid.Cols(); ++c) {
        if (grid.isColumnHidden(c))
            continue;
        const int width = grid.columnWidth(c);
        for (int r = 0; r < grid.Rows(); ++r) {
            const QString text = grid.TextMatrix(r, c);
            const int needed = r == 0 ? headerFont.horizontalAdvance(text) + headerMargin
                                      : cellFont.horizontalAdvance(text) + cellMargin;
            if (!text.isEmpty() && needed > width)
                cut << QStringLiteral("%1,%2:%3").arg(r).arg(c).arg(text);
        }
    }
    return cut;
}

// The width of the grid's viewport its shown columns leave empty.
inline int unusedWidth(const ui::FlexGrid &grid)
{
    int used = 0;
    for (int c = 0; c < grid.Cols(); ++c) {
        if (!grid.isColumnHidden(c))
            used += grid.columnWidth(c);
    }
    return std::max(0, grid.viewport()->width() - used);
}

} // namespace gridfit
