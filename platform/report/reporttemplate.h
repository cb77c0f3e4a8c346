#pragma once

#include "platform/report/reportcontent.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QVector>

namespace report {

enum class Align { Left, Center, Right };

// A named text style: font, size in points, and the lines or shading around a cell drawn in it.
struct StyleDef
{
    QString name;
    QString family = QStringLiteral("DejaVu Sans");
    double points = 9;
    bool bold = false;
    bool italic = false;
    bool ruleAbove = false;
    bool ruleBelow = false;
    bool box = false;
    bool shaded = false;
};

// One cell of a "columns" line: its share of the width, style and alignment.
struct CellDef
{
    double width = 1;
    int style = 0;
    Align align = Align::Left;
};

// One line of a band.
struct BandLine
{
    enum class Kind { Text, Cells, Space, Rule };
    Kind kind = Kind::Text;
    int style = 0;             // Text
    Align align = Align::Left; // Text
    QVector<CellDef> cells;    // Text: one full-width cell; Cells: the columns in force
    QVector<Content> contents; // one per cell
    double amount = 0;         // Space: millimetres; Rule: points
};

// A column of the detail lines.
struct ColumnDef
{
    enum class Source { Field, LineNumber, Blank };
    Source source = Source::Field;
    QString field;
    QString heading;
    double width = 1;
    Align align = Align::Left;
    ValueFormat format;
    bool wrap = false; // long text wraps onto more lines instead of being cut short
};

struct TableDef
{
    QString name;     // the alias the query names it by
    QString location; // database.owner.table
    bool keepDatabase = false;
};

struct ParameterDef
{
    QString name; // "{?DocumentNumber}"
    QString prompt;
};

// A report template as read from its text file; the format is described in reports/README.md.
struct ReportTemplate
{
    QString filePath;
    QString title;
    QPageSize pageSize = QPageSize(QPageSize::A4);
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins = QMarginsF(15, 12, 15, 12); // millimetres
    Content noRecords;
    int detailStyle = 0;
    int headingStyle = 0;
    bool stripes = false;

    QVector<StyleDef> styles; // "normal" first
    QVector<TableDef> tables;
    QVector<ParameterDef> parameters;
    QString query;
    QVector<ColumnDef> columns;
    QVector<BandLine> pageHeader;
    QVector<BandLine> reportFooter;
    QVector<BandLine> pageFooter;

    // Reads a template file; a missing, unreadable or malformed file throws ReportError (Template)
    // naming the file and, for a fault in the text, the line.
    static ReportTemplate load(const QString &path);
    // The same from text already read; name is what messages call it.
    static ReportTemplate parse(const QString &text, const QString &name);

    // The query columns every band and column reads, for checking against the query's result.
    QStringList fieldsUsed() const;
};

} // namespace report
