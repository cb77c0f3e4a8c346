#include "platform/report/reportdocument.h"

#include "platform/report/reporttemplate.h"

#include <QMap>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace report {

QFont fontFor(const StyleDef &style)
{
    QFont font(style.family);
    font.setStyleHint(style.family.contains(QLatin1String("serif"), Qt::CaseInsensitive) &&
                              !style.family.contains(QLatin1String("sans"), Qt::CaseInsensitive)
                          ? QFont::Serif
                          : QFont::SansSerif);
    font.setPixelSize(qMax(1, qRound(ptToDots(style.points))));
    font.setBold(style.bold);
    font.setItalic(style.italic);
    // Unhinted outlines measure the same at every scale, so the preview breaks lines as paper does.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void ReportDocument::paintPage(int index, QPainter &painter) const
{
    if (index < 0 || index >= pages.size())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    int currentStyle = -1;
    for (const DrawItem &item : pages.at(index).items) {
        switch (item.kind) {
        case DrawItem::Kind::Fill:
            // Without smoothing, so shaded cells side by side show no seam between them.
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.fillRect(item.rect, QColor(item.gray, item.gray, item.gray));
            painter.setRenderHint(QPainter::Antialiasing, true);
            break;
        case DrawItem::Kind::Line:
            painter.setPen(QPen(Qt::black, item.pen, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(item.rect.topLeft(), item.rect.bottomRight());
            break;
        case DrawItem::Kind::Text:
            if (item.style != currentStyle) {
                painter.setFont(fonts.value(item.style));
                currentStyle = item.style;
            }
            painter.setPen(Qt::black);
            painter.drawText(item.rect, item.flags, item.text);
            break;
        }
    }
    painter.restore();
}

QStringList ReportDocument::pageLines(int index) const
{
    if (index < 0 || index >= pages.size())
        return {};
    // Rows are the texts that start at the same height.
    QMap<qint64, QVector<const DrawItem *>> rows;
    for (const DrawItem &item : pages.at(index).items) {
        if (item.kind == DrawItem::Kind::Text && !item.text.isEmpty())
            rows[std::llround(item.rect.top())].append(&item);
    }
    QStringList lines;
    for (auto row = rows.begin(); row != rows.end(); ++row) {
        auto &items = row.value();
        std::stable_sort(items.begin(), items.end(), [](const DrawItem *a, const DrawItem *b) {
            return a->rect.left() < b->rect.left();
        });
        QStringList pieces;
        for (const DrawItem *item : items)
            pieces << item->text;
        lines << pieces.join(QStringLiteral(" | "));
    }
    return lines;
}

QString ReportDocument::text() const
{
    QStringList all;
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0)
            all << QStringLiteral("\f");
        all << pageLines(i);
    }
    return all.join(QLatin1Char('\n'));
}

} // namespace report
