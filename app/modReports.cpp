#include "app/modReports.h"

#include "app/modInventory.h"
#include "platform/report/report.h"
#include "platform/session/clsCurrentUser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace modInventory {

std::shared_ptr<report::Report> PubReport;

namespace {

QString g_reportFolder;

// The parameter fields that take their value with one blank after it.
bool takesTrailingBlank(const QString &fieldName)
{
    return fieldName == QLatin1String("{?SupplierID}") ||
           fieldName == QLatin1String("{?@SupplierCode}");
}

} // namespace

QString FindReportFolder(const QString &programFolder)
{
    const QDir program(programFolder);
    const QString installed =
        QDir::cleanPath(program.filePath(QStringLiteral(INVENTORY_REPORTS_FROM_BIN)));
    for (const QString &folder : {programFolder, installed}) {
        if (QFileInfo(QDir(folder).filePath(QStringLiteral("DepartmentRequest.rpt"))).isFile())
            return folder;
    }
    return programFolder;
}

QString ReportFolder()
{
    return g_reportFolder.isEmpty() ? FindReportFolder(QCoreApplication::applicationDirPath())
                                    : g_reportFolder;
}

void setReportFolder(const QString &folder)
{
    g_reportFolder = folder;
}

void LoadReport(const QString &strReportFile, const QVariantList &vntParameters)
{
    PubReport.reset();
    std::shared_ptr<report::Report> opened = report::Report::open(strReportFile);

    opened->setCompanyName(Company);

    const QString server = objCurrentUser->ServerName();
    const QString database = objCurrentUser->Database();
    const QString password = objCurrentUser->ServerPassword();
    for (report::DatabaseTable &table : opened->Tables()) {
        if (!table.keepsDatabase())
            table.setLocation(report::relocated(table.Location(), database));
        table.SetLogOnInfo(server, database, QStringLiteral("sa"), password);
    }

    QVector<report::ParameterField> &fields = opened->ParameterFields();
    for (int i = 0; i < fields.size() && i < vntParameters.size(); ++i) {
        report::ParameterField &field = fields[i];
        if (takesTrailingBlank(field.Name()))
            field.setCurrentValue(vntParameters.at(i).toString() + QLatin1Char(' '));
        else
            field.setCurrentValue(vntParameters.at(i));
    }

    PubReport = std::move(opened);
}

} // namespace modInventory
