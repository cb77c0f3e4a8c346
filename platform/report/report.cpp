#include "platform/report/report.h"

#include "platform/db/connection.h"
#include "platform/report/reporterror.h"
#include "platform/report/reportlayout.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>

namespace report {

// --- tables and parameter fields ---------------------------------------------------------------

DatabaseTable::DatabaseTable(const TableDef &definition)
    : m_name(definition.name), m_location(definition.location),
      m_keepDatabase(definition.keepDatabase)
{
}

void DatabaseTable::SetLogOnInfo(const QString &server, const QString &database,
                                 const QString &user, const QString &password)
{
    m_logOn = {server, database, user, password};
}

ParameterField::ParameterField(const ParameterDef &definition)
    : m_name(definition.name), m_prompt(definition.prompt)
{
}

void ParameterField::setCurrentValue(const QVariant &value)
{
    m_value = value;
    m_hasValue = true;
}

void ParameterField::clearCurrentValue()
{
    m_value = QVariant();
    m_hasValue = false;
}

QString relocated(const QString &location, const QString &database)
{
    const int dot = location.indexOf(QLatin1Char('.'));
    if (dot < 0)
        throw ReportError(ReportError::Kind::Location,
                          QStringLiteral("The report's table location \"%1\" names no database; "
                                         "a location is written database.owner.table.")
                              .arg(location));
    if (database.isEmpty())
        return location;
    // A name from the settings that is no plain identifier goes between brackets ("]" doubled),
    // so that it stays one name in the statement.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    const QString name =
        plain.match(database).hasMatch()
            ? database
            : QLatin1Char('[') + QString(database).replace(QLatin1Char(']'), QLatin1String("]]")) +
                  QLatin1Char(']');
    return name + location.mid(dot);
}

// --- the report ----------------------------------------------------------------------------------

std::shared_ptr<Report> Report::open(const QString &path)
{
    return std::make_shared<Report>(ReportTemplate::load(path));
}

Report::Report(ReportTemplate definition) : m_template(std::move(definition))
{
    for (const TableDef &table : m_template.tables)
        m_tables.append(DatabaseTable(table));
    for (const ParameterDef &parameter : m_template.parameters)
        m_parameters.append(ParameterField(parameter));
}

void Report::setTextField(const QString &name, const QString &value)
{
    m_textFields.insert(name, value);
}

BoundQuery Report::boundQuery() const
{
    static const QRegularExpression placeholder(QStringLiteral("\\{([^{}]*)\\}"));
    BoundQuery bound;
    const QString &query = m_template.query;
    int from = 0;
    for (auto it = placeholder.globalMatch(query); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        bound.sql += query.mid(from, match.capturedStart() - from);
        from = match.capturedEnd();
        const QString inner = match.captured(1).trimmed();
        if (inner.startsWith(QLatin1Char('?'))) {
            const QString name = QLatin1Char('{') + inner + QLatin1Char('}');
            for (const ParameterField &field : m_parameters) {
                if (field.Name() != name)
                    continue;
                if (!field.HasCurrentValue())
                    throw ReportError(
                        ReportError::Kind::Parameter,
                        QStringLiteral("The report needs a value for its parameter %1.").arg(name));
                bound.values << field.CurrentValue();
            }
            bound.sql += QLatin1Char('?');
        } else {
            for (const DatabaseTable &table : m_tables) {
                if (table.Name().compare(inner, Qt::CaseInsensitive) == 0)
                    bound.sql += table.Location();
            }
        }
    }
    bound.sql += query.mid(from);
    return bound;
}

void Report::run(db::Connection &connection, const QDateTime &printedAt)
{
    m_hasRun = false;
    const BoundQuery bound = boundQuery();
    db::Recordset rows;
    try {
        rows = connection.query(bound.sql, bound.values);
    } catch (const AppError &e) {
        throw ReportError(ReportError::Kind::Data,
                          QStringLiteral("The report \"%1\" cannot read its data: %2")
                              .arg(QFileInfo(filePath()).fileName(), e.description()));
    }
    Records records(rows);
    QStringList missing;
    for (const QString &field : m_template.fieldsUsed()) {
        if (!records.hasColumn(field))
            missing << field;
    }
    if (!missing.isEmpty())
        throw ReportError(
            ReportError::Kind::Data,
            QStringLiteral("The report \"%1\" shows columns its query does not "
                           "return: %2.")
                .arg(QFileInfo(filePath()).fileName(), missing.join(QStringLiteral(", "))));

    QHash<QString, QVariant> parameters;
    for (const ParameterField &field : m_parameters)
        parameters.insert(field.Name(), field.CurrentValue());
    if (records.count() == 0 && !m_template.noRecords.isEmpty()) {
        ValueContext context;
        context.parameters = &parameters;
        context.textFields = &m_textFields;
        throw ReportError(ReportError::Kind::NoRecords, m_template.noRecords.expand(context));
    }

    LayoutInput input;
    input.reportTemplate = &m_template;
    input.records = &records;
    input.parameters = &parameters;
    input.textFields = &m_textFields;
    input.printedAt = printedAt;
    m_document = layoutReport(input);
    m_records = records;
    m_hasRun = true;
}

QPageLayout Report::pageLayout() const
{
    return QPageLayout(m_template.pageSize, m_template.orientation, QMarginsF(0, 0, 0, 0));
}

void Report::render(QPagedPaintDevice &device, int fromPage, int toPage) const
{
    const int last = toPage <= 0 ? pageCount() : qMin(toPage, pageCount());
    const int first = qMax(1, fromPage);
    if (auto *printer = dynamic_cast<QPrinter *>(&device))
        printer->setFullPage(true);
    const QPageLayout layout = pageLayout();
    if (!device.pageLayout().isEquivalentTo(layout))
        device.setPageLayout(layout);

    QPainter painter;
    if (!painter.begin(&device))
        throw ReportError(ReportError::Kind::Output,
                          QStringLiteral("The report cannot be printed: the printer or file cannot "
                                         "be opened."));
    const double sx = device.logicalDpiX() / DotsPerInch;
    const double sy = device.logicalDpiY() / DotsPerInch;
    for (int page = first; page <= last; ++page) {
        if (page > first)
            device.newPage();
        painter.save();
        painter.scale(sx, sy);
        m_document.paintPage(page - 1, painter);
        painter.restore();
    }
    painter.end();
}

void Report::exportPdf(const QString &path) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setDocName(title());
    printer.setCreator(QStringLiteral("Inventory Request"));
    try {
        render(printer);
    } catch (const ReportError &) {
        throw ReportError(ReportError::Kind::Output,
                          QStringLiteral("The PDF file \"%1\" cannot be written.")
                              .arg(QDir::toNativeSeparators(path)));
    }
    if (QFileInfo(path).size() <= 0)
        throw ReportError(ReportError::Kind::Output,
                          QStringLiteral("The PDF file \"%1\" cannot be written.")
                              .arg(QDir::toNativeSeparators(path)));
}

} // namespace report
