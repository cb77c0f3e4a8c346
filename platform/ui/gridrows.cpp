#include "platform/ui/gridrows.h"

#include "platform/csvwriter.h"
#include "platform/ui/flexgrid.h"

#include <QDateTime>
#include <QLocale>

namespace ui {

QDateTime readDateTime(const QString &text)
{
    const QString t = text.trimmed();
    // The stored form, as the engines give it back.
    if (t.size() >= 10) {
        const QDate day = QDate::fromString(t.left(10), Qt::ISODate);
        if (day.isValid()) {
            if (t.size() == 10)
                return QDateTime(day, QTime(0, 0));
            if (t.at(10) == QLatin1Char(' ') || t.at(10) == QLatin1Char('T')) {
                const QTime time = QTime::fromString(t.mid(11), Qt::ISODateWithMs);
                if (time.isValid())
                    return QDateTime(day, time);
            }
        }
    }
    // As the window shows dates.
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (const char *format : {"MM/dd/yyyy hh:mm:ss AP", "MM/dd/yyyy hh:mm AP",
                               "MM/dd/yyyy HH:mm:ss", "MM/dd/yyyy HH:mm", "MM/dd/yyyy"}) {
        const QDateTime when = english.toDateTime(t, QLatin1String(format));
        if (when.isValid())
            return when;
    }
    return QDateTime();
}

GridTable gridTable(const FlexGrid &grid, const QList<ColumnKind> &kinds, int keyColumn)
{
    GridTable table;
    QList<int> columns;
    for (int c = 0; c < grid.Cols(); ++c) {
        const QString header = grid.TextMatrix(0, c).trimmed();
        if (grid.isColumnHidden(c) || grid.columnWidth(c) <= 0 || header.isEmpty())
            continue;
        columns << c;
        table.headers << header;
    }
    for (int r = 1; r < grid.Rows(); ++r) {
        if (grid.TextMatrix(r, keyColumn).trimmed().isEmpty())
            continue;
        QVariantList values;
        for (const int c : std::as_const(columns)) {
            const QString text = grid.TextMatrix(r, c);
            switch (kinds.value(c, ColumnKind::Text)) {
            case ColumnKind::Number:
                if (const std::optional<csv::Decimal> number = csv::decimalFromText(text))
                    values << QVariant::fromValue(*number);
                else
                    values << text;
                break;
            case ColumnKind::DateTime: {
                const QString full = grid.cellToolTip(r, c);
                const QDateTime when = readDateTime(full.isEmpty() ? text : full);
                values << (when.isValid() ? QVariant(when) : QVariant(text));
                break;
            }
            case ColumnKind::Text:
                values << text;
                break;
            }
        }
        table.rows << values;
    }
    return table;
}

} // namespace ui
