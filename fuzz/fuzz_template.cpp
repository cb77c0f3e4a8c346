// Arbitrary text through the report template reader. A refused template (ReportError) is a normal
// outcome; a crash, leak or hang is not, nor is a template accepted with something the page layout
// would trip over: a style index out of range, a number outside its stated bounds (NaN included),
// or a placeholder naming a parameter field the template does not declare.
#include "platform/error.h"
#include "platform/report/reporttemplate.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what, const QString &detail)
{
    std::fprintf(stderr, "template fault: %s: %s\n", what, qUtf8Printable(detail));
    std::abort();
}

void checkNumber(double value, double low, double high, const char *what)
{
    if (!(value >= low && value <= high)) // also false for NaN
        fault(what, QString::number(value));
}

void checkStyle(const report::ReportTemplate &t, int style)
{
    if (style < 0 || style >= t.styles.size())
        fault("style index out of range", QString::number(style));
}

void checkContent(const report::ReportTemplate &t, const report::Content &content)
{
    for (const QString &name : content.parameters()) {
        bool declared = false;
        for (const report::ParameterDef &p : t.parameters)
            declared = declared || p.name == name;
        if (!declared)
            fault("undeclared parameter", name);
    }
    // Filling it in with nothing to fill it from must work too (a report without rows).
    content.expand(report::ValueContext());
}

void checkBand(const report::ReportTemplate &t, const QVector<report::BandLine> &band)
{
    for (const report::BandLine &line : band) {
        if (line.kind == report::BandLine::Kind::Space)
            checkNumber(line.amount, 0, 200, "space");
        if (line.kind == report::BandLine::Kind::Rule)
            checkNumber(line.amount, 0.1, 5, "rule");
        const bool hasCells =
            line.kind == report::BandLine::Kind::Text || line.kind == report::BandLine::Kind::Cells;
        if (hasCells && line.contents.size() != line.cells.size())
            fault("cells and contents differ", QString::number(line.cells.size()));
        for (const report::CellDef &cell : line.cells) {
            checkStyle(t, cell.style);
            checkNumber(cell.width, 0.1, 1000, "cell width");
        }
        for (const report::Content &content : line.contents)
            checkContent(t, content);
    }
}

void check(const report::ReportTemplate &t)
{
    checkStyle(t, t.detailStyle);
    checkStyle(t, t.headingStyle);
    for (const report::StyleDef &style : t.styles)
        checkNumber(style.points, 4, 72, "style size");
    for (const qreal margin :
         {t.margins.left(), t.margins.top(), t.margins.right(), t.margins.bottom()})
        checkNumber(margin, 0, 60, "margin");
    for (const report::ColumnDef &column : t.columns)
        checkNumber(column.width, 0.1, 1000, "column width");
    if (t.query.isEmpty())
        fault("no query", t.title);
    checkContent(t, t.noRecords);
    checkBand(t, t.pageHeader);
    checkBand(t, t.reportFooter);
    checkBand(t, t.pageFooter);
    t.fieldsUsed();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        check(report::ReportTemplate::parse(text, QStringLiteral("fuzz.rpt")));
    } catch (const AppError &) {
        // A refused template.
    }
    return 0;
}
