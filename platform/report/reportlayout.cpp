#include "platform/report/reportlayout.h"

#include "platform/report/reporttemplate.h"

#include <QFontMetricsF>

namespace report {

namespace {

const double HPad = mmToDots(1.0); // between a cell's edge and its text
const double VPad = mmToDots(0.45);
const double Hairline = ptToDots(0.4);
const int StripeGray = 238;
const int ShadeGray = 222;

int alignFlags(Align align)
{
    switch (align) {
    case Align::Center:
        return Qt::AlignHCenter | Qt::AlignTop;
    case Align::Right:
        return Qt::AlignRight | Qt::AlignTop;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

struct Span
{
    double x;
    double width;
};

DrawItem lineItem(QPointF from, QPointF to, double pen)
{
    DrawItem item;
    item.kind = DrawItem::Kind::Line;
    item.rect = QRectF(from, to);
    item.pen = pen;
    return item;
}

DrawItem fillItem(const QRectF &rect, int gray)
{
    DrawItem item;
    item.kind = DrawItem::Kind::Fill;
    item.rect = rect;
    item.gray = gray;
    return item;
}

class Layouter
{
public:
    explicit Layouter(const LayoutInput &input) : m_in(input), m_t(*input.reportTemplate)
    {
        for (const StyleDef &style : m_t.styles) {
            m_doc.fonts.append(fontFor(style));
            m_metrics.append(QFontMetricsF(m_doc.fonts.last()));
        }
        QSizeF inches = m_t.pageSize.size(QPageSize::Inch);
        if (m_t.orientation == QPageLayout::Landscape)
            inches.transpose();
        m_doc.pageSize = inches * DotsPerInch;
        const QMarginsF &m = m_t.margins;
        m_content = QRectF(QPointF(mmToDots(m.left()), mmToDots(m.top())),
                           QPointF(m_doc.pageSize.width() - mmToDots(m.right()),
                                   m_doc.pageSize.height() - mmToDots(m.bottom())));
        QVector<double> widths;
        for (const ColumnDef &column : m_t.columns)
            widths << column.width;
        m_columns = spans(widths);
    }

    ReportDocument run()
    {
        ValueContext context = baseContext();
        const int rows = m_in.records ? m_in.records->count() : 0;

        // Heights first, with the page numbers still unknown.
        const double headerHeight = band(m_t.pageHeader, context, 0, nullptr);
        const double footerHeight = band(m_t.pageFooter, context, 0, nullptr);
        const double reportFooterHeight = band(m_t.reportFooter, context, 0, nullptr);
        const bool hasColumns = !m_t.columns.isEmpty();
        const double headingHeight = hasColumns ? headingRow(0, nullptr) : 0;
        const double bodyTop = m_content.top() + headerHeight;
        const double bodyBottom = qMax(bodyTop + 1, m_content.bottom() - footerHeight);

        m_cells.resize(rows);
        QVector<double> heights(rows);
        for (int r = 0; r < rows; ++r) {
            m_cells[r] = detailTexts(r);
            heights[r] = detailRow(r, 0, nullptr);
        }

        // Rows to pages: a row goes whole to the next page when it does not fit.
        struct PagePlan
        {
            int first = 0;
            int end = 0; // one past the last row
            bool headings = false;
            bool reportFooter = false;
        };
        QVector<PagePlan> plans;
        PagePlan plan;
        plan.headings = hasColumns;
        double y = bodyTop + (plan.headings ? headingHeight : 0);
        for (int r = 0; r < rows; ++r) {
            if (y + heights[r] > bodyBottom && plan.end > plan.first) {
                plans.append(plan);
                plan = PagePlan{r, r, true, false};
                y = bodyTop + headingHeight;
            }
            plan.end = r + 1;
            y += heights[r];
        }
        if (y + reportFooterHeight > bodyBottom && plan.end > plan.first) {
            plans.append(plan);
            plan = PagePlan{rows, rows, false, false};
            y = bodyTop;
        }
        plan.reportFooter = true;
        plans.append(plan);

        context.pages = int(plans.size());
        for (int p = 0; p < plans.size(); ++p) {
            const PagePlan &pp = plans.at(p);
            context.page = p + 1;
            Page page;
            band(m_t.pageHeader, context, m_content.top(), &page.items);
            double top = bodyTop;
            if (pp.headings)
                top += headingRow(top, &page.items);
            for (int r = pp.first; r < pp.end; ++r) {
                detailRow(r, top, &page.items);
                top += heights[r];
            }
            if (pp.reportFooter)
                band(m_t.reportFooter, context, top, &page.items);
            band(m_t.pageFooter, context, bodyBottom, &page.items);
            m_doc.pages.append(page);
        }
        return m_doc;
    }

private:
    ValueContext baseContext() const
    {
        ValueContext context;
        context.records = m_in.records;
        context.row = 0;
        context.parameters = m_in.parameters;
        context.textFields = m_in.textFields;
        context.printedAt = m_in.printedAt;
        return context;
    }

    QVector<Span> spans(const QVector<double> &widths) const
    {
        double total = 0;
        for (double w : widths)
            total += w;
        QVector<Span> out;
        double x = m_content.left();
        for (double w : widths) {
            const double width = total > 0 ? m_content.width() * w / total : 0;
            out.append({x, width});
            x += width;
        }
        return out;
    }

    double textHeight(int style, double width, const QString &text, bool wrap) const
    {
        const QFontMetricsF &fm = m_metrics.at(style);
        if (!wrap || text.isEmpty())
            return fm.height();
        const QRectF bounds =
            fm.boundingRect(QRectF(0, 0, qMax(1.0, width), 1e7),
                            Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
        return qMax(fm.height(), bounds.height());
    }

    void addText(QVector<DrawItem> *out, const QRectF &rect, int style, Align align, bool wrap,
                 const QString &text) const
    {
        if (text.isEmpty())
            return;
        DrawItem item;
        item.rect = rect;
        item.style = style;
        item.flags = alignFlags(align) | (wrap ? int(Qt::TextWordWrap) : 0);
        item.text =
            wrap ? text : m_metrics.at(style).elidedText(text, Qt::ElideRight, rect.width());
        out->append(item);
    }

    // The lines and shading a style puts around a cell; shading goes under what follows.
    void decorate(QVector<DrawItem> *out, const StyleDef &style, const QRectF &cell) const
    {
        if (style.shaded)
            out->append(fillItem(cell, ShadeGray));
        if (style.box) {
            out->append(lineItem(cell.topLeft(), cell.topRight(), Hairline));
            out->append(lineItem(cell.bottomLeft(), cell.bottomRight(), Hairline));
            out->append(lineItem(cell.topLeft(), cell.bottomLeft(), Hairline));
            out->append(lineItem(cell.topRight(), cell.bottomRight(), Hairline));
        }
        if (style.ruleAbove)
            out->append(lineItem(cell.topLeft(), cell.topRight(), Hairline));
        if (style.ruleBelow)
            out->append(lineItem(cell.bottomLeft(), cell.bottomRight(), Hairline));
    }

    // One row of cells; every cell wraps. Returns its height.
    double cellsRow(const QVector<CellDef> &cells, const QStringList &texts, double top,
                    QVector<DrawItem> *out) const
    {
        QVector<double> widths;
        for (const CellDef &cell : cells)
            widths << cell.width;
        const QVector<Span> cols = spans(widths);
        double height = 0;
        for (int c = 0; c < cells.size(); ++c)
            height =
                qMax(height, textHeight(cells[c].style, cols[c].width - 2 * HPad, texts[c], true));
        height += 2 * VPad;
        if (out) {
            for (int c = 0; c < cells.size(); ++c) {
                const QRectF cell(cols[c].x, top, cols[c].width, height);
                decorate(out, m_t.styles.at(cells[c].style), cell);
                addText(out, cell.adjusted(HPad, VPad, -HPad, -VPad), cells[c].style,
                        cells[c].align, true, texts[c]);
            }
        }
        return height;
    }

    double band(const QVector<BandLine> &lines, const ValueContext &context, double top,
                QVector<DrawItem> *out) const
    {
        double y = top;
        for (const BandLine &line : lines) {
            switch (line.kind) {
            case BandLine::Kind::Text:
            case BandLine::Kind::Cells: {
                QStringList texts;
                for (const Content &content : line.contents)
                    texts << content.expand(context);
                y += cellsRow(line.cells, texts, y, out);
                break;
            }
            case BandLine::Kind::Space:
                y += mmToDots(line.amount);
                break;
            case BandLine::Kind::Rule: {
                const double pen = ptToDots(line.amount);
                const double gap = mmToDots(0.8);
                if (out)
                    out->append(lineItem(QPointF(m_content.left(), y + gap + pen / 2),
                                         QPointF(m_content.right(), y + gap + pen / 2), pen));
                y += 2 * gap + pen;
                break;
            }
            }
        }
        return y - top;
    }

    double headingRow(double top, QVector<DrawItem> *out) const
    {
        const int style = m_t.headingStyle;
        double height = 0;
        for (int c = 0; c < m_t.columns.size(); ++c)
            height = qMax(height, textHeight(style, m_columns[c].width - 2 * HPad,
                                             m_t.columns[c].heading, true));
        height += 2 * VPad;
        if (out) {
            for (int c = 0; c < m_t.columns.size(); ++c) {
                const QRectF cell(m_columns[c].x, top, m_columns[c].width, height);
                decorate(out, m_t.styles.at(style), cell);
                addText(out, cell.adjusted(HPad, VPad, -HPad, -VPad), style, m_t.columns[c].align,
                        true, m_t.columns[c].heading);
            }
        }
        return height;
    }

    QStringList detailTexts(int row) const
    {
        QStringList texts;
        for (const ColumnDef &column : m_t.columns) {
            switch (column.source) {
            case ColumnDef::Source::LineNumber:
                texts << QString::number(row + 1);
                break;
            case ColumnDef::Source::Blank:
                texts << QString();
                break;
            case ColumnDef::Source::Field:
                texts << column.format.apply(m_in.records->field(row, column.field));
                break;
            }
        }
        return texts;
    }

    double detailRow(int row, double top, QVector<DrawItem> *out) const
    {
        const int style = m_t.detailStyle;
        const QStringList &texts = m_cells.at(row);
        double height = 0;
        for (int c = 0; c < m_t.columns.size(); ++c)
            height = qMax(height, textHeight(style, m_columns[c].width - 2 * HPad, texts[c],
                                             m_t.columns[c].wrap));
        height += 2 * VPad;
        if (!out)
            return height;
        if (m_t.stripes && row % 2 == 1)
            out->append(
                fillItem(QRectF(m_content.left(), top, m_content.width(), height), StripeGray));
        for (int c = 0; c < m_t.columns.size(); ++c) {
            const ColumnDef &column = m_t.columns[c];
            const QRectF cell(m_columns[c].x, top, m_columns[c].width, height);
            decorate(out, m_t.styles.at(style), cell);
            if (column.source == ColumnDef::Source::Blank) {
                // Room to write in: a line along the foot of the cell, unless the cell has one.
                const StyleDef &look = m_t.styles.at(style);
                if (look.ruleBelow || look.box)
                    continue;
                const double y = cell.bottom() - VPad;
                out->append(lineItem(QPointF(cell.left() + HPad, y),
                                     QPointF(cell.right() - HPad, y), Hairline));
                continue;
            }
            addText(out, cell.adjusted(HPad, VPad, -HPad, -VPad), style, column.align, column.wrap,
                    texts[c]);
        }
        return height;
    }

    const LayoutInput &m_in;
    const ReportTemplate &m_t;
    ReportDocument m_doc;
    QVector<QFontMetricsF> m_metrics;
    QRectF m_content;
    QVector<Span> m_columns;
    QVector<QStringList> m_cells; // the detail texts, row by row
};

} // namespace

ReportDocument layoutReport(const LayoutInput &input)
{
    return Layouter(input).run();
}

} // namespace report
