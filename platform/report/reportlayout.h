#pragma once

#include "platform/report/reportcontent.h"
#include "platform/report/reportdocument.h"

#include <QDateTime>
#include <QHash>
#include <QVariant>

namespace report {

struct ReportTemplate;

// Everything a layout reads.
struct LayoutInput
{
    const ReportTemplate *reportTemplate = nullptr;
    const Records *records = nullptr;
    const QHash<QString, QVariant> *parameters = nullptr;
    const QHash<QString, QString> *textFields = nullptr;
    QDateTime printedAt;
};

// Lays a report out into pages: the page header at the top and the page footer at the bottom of
// every page, the column headings under the page header wherever detail lines follow, one detail
// line per record (moved whole to the next page when it does not fit), and the report footer after
// the last line (on a page of its own when it does not fit under them).
ReportDocument layoutReport(const LayoutInput &input);

} // namespace report
