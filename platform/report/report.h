#pragma once

#include "platform/report/reportcontent.h"
#include "platform/report/reportdocument.h"
#include "platform/report/reporttemplate.h"

#include <QDateTime>
#include <QHash>
#include <QPageLayout>
#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>

class QPagedPaintDevice;

namespace db {
class Connection;
}

// The report engine: opens a template (reports/README.md describes the format), lets the program
// re-point its tables, set its logon, its text fields and its parameter fields, reads its rows on
// a connection and lays them out into pages that print on any paged device.
namespace report {

struct LogOnInfo
{
    QString server;
    QString database;
    QString user;
    QString password; // kept for the logon only; never shown or logged
};

// A table of the report's database, as the query names it.
class DatabaseTable
{
public:
    explicit DatabaseTable(const TableDef &definition);

    const QString &Name() const { return m_name; }
    // database.owner.table, or database..table
    const QString &Location() const { return m_location; }
    void setLocation(const QString &location) { m_location = location; }
    // The template asks for the table to stay in its own database (the staff database of the same
    // server) when the others are re-pointed.
    bool keepsDatabase() const { return m_keepDatabase; }

    void SetLogOnInfo(const QString &server, const QString &database, const QString &user,
                      const QString &password);
    const LogOnInfo &logOnInfo() const { return m_logOn; }

private:
    QString m_name;
    QString m_location;
    bool m_keepDatabase = false;
    LogOnInfo m_logOn;
};

// A parameter field of the report, such as "{?DocumentNumber}".
class ParameterField
{
public:
    explicit ParameterField(const ParameterDef &definition);

    const QString &Name() const { return m_name; }
    const QString &Prompt() const { return m_prompt; }
    bool HasCurrentValue() const { return m_hasValue; }
    const QVariant &CurrentValue() const { return m_value; }
    void setCurrentValue(const QVariant &value);
    void clearCurrentValue();

private:
    QString m_name;
    QString m_prompt;
    QVariant m_value;
    bool m_hasValue = false;
};

// The location with its database part replaced: "OLD.dbo.tbX" gives "NEW.dbo.tbX", "OLD..tbX"
// gives "NEW..tbX" (everything from the first "." on is kept). An empty database leaves the
// location as it is. A location without "." names no database: ReportError (Location).
QString relocated(const QString &location, const QString &database);

// The query as it goes to the connection: table locations put in, "?" where the parameters go and
// their values, in the order they stand.
struct BoundQuery
{
    QString sql;
    QVariantList values;
};

class Report
{
public:
    // Reads the template; see ReportTemplate::load for what fails.
    static std::shared_ptr<Report> open(const QString &path);
    explicit Report(ReportTemplate definition);

    const QString &filePath() const { return m_template.filePath; }
    const ReportTemplate &reportTemplate() const { return m_template; }
    QString title() const { return m_template.title; }

    // The text fields the bands show as {@Name}; the company name is "CompanyName".
    void setTextField(const QString &name, const QString &value);
    QString textField(const QString &name) const { return m_textFields.value(name); }
    void setCompanyName(const QString &name) { setTextField(QStringLiteral("CompanyName"), name); }

    QVector<DatabaseTable> &Tables() { return m_tables; }
    const QVector<DatabaseTable> &Tables() const { return m_tables; }
    QVector<ParameterField> &ParameterFields() { return m_parameters; }
    const QVector<ParameterField> &ParameterFields() const { return m_parameters; }

    // Throws ReportError (Parameter) when the query needs a parameter that has no value.
    BoundQuery boundQuery() const;

    // Reads the rows on the connection, values bound, and lays the pages out. Throws ReportError:
    // Parameter, Data (the query failed, or lacks a column the template shows) or NoRecords (no
    // rows, when the template gives a message for that).
    void run(db::Connection &connection, const QDateTime &printedAt = QDateTime::currentDateTime());
    bool hasRun() const { return m_hasRun; }
    int recordCount() const { return m_records.count(); }

    // The pages of the last run.
    const ReportDocument &document() const { return m_document; }
    int pageCount() const { return m_document.pageCount(); }
    QString text() const { return m_document.text(); }

    // The paper: size and orientation of the template, no margins (the layout keeps its own).
    QPageLayout pageLayout() const;
    // Paints pages fromPage to toPage (1-based; 0 for the last) on a printer, a PDF writer or a
    // preview. Throws ReportError (Output) when the device cannot be painted on.
    void render(QPagedPaintDevice &device, int fromPage = 1, int toPage = 0) const;
    // Writes every page to a PDF file; throws ReportError (Output) when it cannot be written.
    void exportPdf(const QString &path) const;

private:
    ReportTemplate m_template;
    QVector<DatabaseTable> m_tables;
    QVector<ParameterField> m_parameters;
    QHash<QString, QString> m_textFields;
    Records m_records;
    ReportDocument m_document;
    bool m_hasRun = false;
};

} // namespace report
