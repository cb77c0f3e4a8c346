#pragma once

#include <QString>
#include <QVariantList>

#include <memory>

namespace report {
class Report;
}

// Printing through report templates: the report opened last and loading a template for the
// session (the viewer window shows it: ShowReport in dialogs/frmReportViewer.h).
namespace modInventory {

// The report LoadReport prepared last; ShowReport hands it to a new viewer window, and any viewer
// window that closes lets go of it. Each window keeps its own report.
extern std::shared_ptr<report::Report> PubReport;

// The folder the templates are read from: FindReportFolder for the program's folder unless
// setReportFolder named another.
QString ReportFolder();
// Where the templates of a program in programFolder are: beside it (the build puts
// DepartmentRequest.rpt and DepartmentRequest_Short.rpt there), else in the installed layout's data
// folder relative to it (../share/inventory-request/reports), so an installed copy finds them
// wherever its prefix was moved. Neither holding them gives programFolder, for the error to name.
QString FindReportFolder(const QString &programFolder);
// Points the templates somewhere else (tests, tools); an empty folder means the program's again.
void setReportFolder(const QString &folder);

// Opens the template into PubReport and prepares it for the session: the company name first,
// then every table re-pointed to the session's database (owner and table kept; a table the
// template keeps in its own database stays there) with the session's logon, then the parameter
// fields in their order, one value each for as many fields as there are values. Throws
// report::ReportError; PubReport is empty after a failure.
void LoadReport(const QString &strReportFile, const QVariantList &vntParameters);

} // namespace modInventory
