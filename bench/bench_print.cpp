// How long a request of thousands of lines takes to print.
//
// Builds a temporary embedded database holding one request of 5,000 lines (item names of varied
// length, a tenth of them long enough to wrap), signs a session in on it, and times, for each of
// the two templates:
//   load     opening the template and preparing it for the session (LoadReport);
//   query    the template's query on the session connection, the document number bound;
//   layout   reading the rows and laying out every page (Report::run minus the query);
//   window   opening the viewer window, which draws every page of its preview;
//   pdf      writing every page to a PDF file.
// Each figure is the median of several runs in milliseconds.
//
// Run: bench_print [lines] [templates folder]
// The templates are looked for beside the program's folder (where the build copies them) unless
// a folder is given. QT_QPA_PLATFORM=offscreen is set when no platform is chosen.

#include "app/modInventory.h"
#include "app/modReports.h"
#include "dialogs/frmReportViewer.h"
#include "platform/db/connection.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/error.h"
#include "platform/report/report.h"
#include "platform/session/clsCurrentUser.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

const char *const Words[] = {"GAUZE",   "SYRINGE",  "CATHETER", "GLOVES",  "MASK",    "TUBE",
                             "SALINE",  "DRESSING", "SUTURE",   "BANDAGE", "SPONGE",  "NEEDLE",
                             "STERILE", "ADULT",    "PEDIA",    "LATEX",   "NITRILE", "SMALL",
                             "MEDIUM",  "LARGE",    "BOX",      "PACK",    "PIECE",   "ROLL"};

void buildRequest(db::Connection &connection, int lines)
{
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> word(0, int(std::size(Words)) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> quantity(1, 500);
    std::uniform_real_distribution<double> cost(0.5, 2500.0);

    db::Transaction transaction(connection);
    connection.execute(
        QStringLiteral("INSERT INTO tbInvLocation (LocationID, Location) VALUES (?, ?), (?, ?)"),
        {QStringLiteral("19"), QStringLiteral("CENTRAL SUPPLY"), QStringLiteral("27"),
         QStringLiteral("WARD 3")});
    connection.execute(
        QStringLiteral("INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) "
                       "VALUES (?, ?, ?)"),
        {QStringLiteral("E01"), QStringLiteral("REYES"), QStringLiteral("ANA")});
    connection.execute(QStringLiteral("INSERT INTO tbHospitalInfo (HospitalID, Company, Address) "
                                      "VALUES (1, ?, ?)"),
                       {QStringLiteral("BENCH GENERAL HOSPITAL"), QStringLiteral("1 MAIN STREET")});
    for (int i = 1; i <= lines; ++i) {
        const QString id = QStringLiteral("B%1").arg(i, 5, 10, QLatin1Char('0'));
        QString name;
        for (int w = percent(random) < 10 ? 12 : 3; w > 0; --w)
            name += QLatin1String(Words[word(random)]) + QLatin1Char(' ');
        connection.execute(
            QStringLiteral("INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES (?, ?, ?)"),
            {id, name.trimmed(), QStringLiteral("%1 PCS").arg(quantity(random))});
        connection.execute(
            QStringLiteral("INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, "
                           "UnitCost, ForRetail, isADS, LocationID, TargetLocationID, "
                           "TransDate, UserID, Remarks) "
                           "VALUES ('1', ?, ?, ?, ?, ?, '19', '27', '2026-12-01 09:00:00', "
                           "'E01', 'ANNUAL STOCK')"),
            {id, quantity(random), std::round(cost(random) * 100) / 100,
             percent(random) < 50 ? QStringLiteral("Y") : QStringLiteral("N"),
             percent(random) < 20 ? 1 : 0});
    }
    transaction.commit();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timed(const std::function<void()> &step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, atoi(argv[1])) : 5000;
    const QString folder =
        argc > 2 ? QString::fromLocal8Bit(argv[2])
                 : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(".."));
    if (!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("DepartmentRequest.rpt")))) {
        std::fprintf(stderr, "No DepartmentRequest.rpt in %s\n", qPrintable(folder));
        return 1;
    }
    modInventory::setReportFolder(folder);

    QTemporaryDir dir;
    clsCurrentUser user;
    user.attach(db::createEmbeddedDatabase(dir.filePath(QStringLiteral("bench.db")),
                                           db::Contents::SchemaOnly),
                QStringLiteral("E01"));
    modInventory::objCurrentUser = &user;
    modInventory::Company = QStringLiteral("BENCH GENERAL HOSPITAL");
    db::Connection &connection = *user.sqlconnection();
    const double build = timed([&] { buildRequest(connection, lines); });
    std::printf("request of %d lines built in %.0f ms\n\n", lines, build);
    std::printf("%-28s %6s %8s %8s %8s %8s %8s\n", "template", "pages", "load", "query", "layout",
                "window", "pdf");

    const int runs = 3;
    try {
        for (const char *name : {"DepartmentRequest.rpt", "DepartmentRequest_Short.rpt"}) {
            const QString path = QDir(modInventory::ReportFolder()).filePath(QLatin1String(name));
            std::vector<double> load, query, layout, window, pdf;
            int pages = 0;
            for (int run = 0; run < runs; ++run) {
                load.push_back(
                    timed([&] { modInventory::LoadReport(path, {QStringLiteral("1")}); }));
                const auto report = modInventory::PubReport;
                const report::BoundQuery bound = report->boundQuery();
                const double q = timed([&] { connection.query(bound.sql, bound.values); });
                query.push_back(q);
                layout.push_back(timed([&] { report->run(connection); }) - q);
                pages = report->pageCount();
                window.push_back(timed([&] {
                    auto *viewer = new frmReportViewer(report);
                    viewer->show();
                    QCoreApplication::processEvents();
                    if (viewer->pageCount() != pages)
                        std::fprintf(stderr, "the preview has %d pages\n", viewer->pageCount());
                    delete viewer;
                }));
                const QString file = dir.filePath(QStringLiteral("bench.pdf"));
                pdf.push_back(timed([&] { report->exportPdf(file); }));
                modInventory::PubReport.reset();
            }
            std::printf("%-28s %6d %8.1f %8.1f %8.1f %8.1f %8.1f\n", name, pages, median(load),
                        median(query), median(layout), median(window), median(pdf));
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    modInventory::objCurrentUser = nullptr;
    return 0;
}
