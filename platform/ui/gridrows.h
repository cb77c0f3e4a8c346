#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>

namespace ui {

class FlexGrid;

// A grid's rows as a table of typed values, for a file a spreadsheet reads (csv::writeFile): the
// headers as the grid shows them and each cell as the kind of value its column holds, not as it
// is drawn.
struct GridTable
{
    QStringList headers;
    QList<QVariantList> rows;
};

enum class ColumnKind {
    Text,     // the cell's text as it is
    Number,   // a csv::Decimal of its digits ("1,234.5000" gives 1234.5000); text when no number
    DateTime, // a QDateTime from the cell's full value (its own tooltip when the cell shows it
              // short, else its text); text when no date can be read from it
};

// The grid's columns that are shown (a hidden or zero-width column, or one without a header, is
// left out), each of the kind
// given for it (Text beyond the list), and its rows under the header row whose column keyColumn
// is not blank: the empty row for a new line is no row of the table.
GridTable gridTable(const FlexGrid &grid, const QList<ColumnKind> &kinds, int keyColumn = 0);

// A date and time as the program stores and shows them: "2026-11-02 09:00:00" (seconds and
// fractions optional, 'T' allowed), "11/02/2026 09:00:15 AM", "11/02/2026 09:00 AM",
// "11/02/2026"; an invalid QDateTime when the text is none of them.
QDateTime readDateTime(const QString &text);

} // namespace ui
