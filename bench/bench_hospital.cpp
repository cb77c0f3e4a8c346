// The program's main statements on a hospital-sized database, each against the same statement
// run straight on SQLite.
//
// Builds a temporary embedded database (see gen_large.h: items, 200 locations, 50 users, requests
// of 1-30 lines in every state and one of 10,000 lines) and times, over several repeats:
//   keystroke  the product search of both forms for name starts of 1-4 letters and a code
//   listing    the request list in its four filters, for the first user
//   open       loading the 10,000-line request (sp_Inv_LoadWithdrawalRequest)
//   save       storing 1,000 lines under a new number: the next number, the delete, the inserts,
//              in one transaction
//   next       the next document number alone
//   item       clsItem::LoadItem of one item at the central store
// Each row gives min / median / max in milliseconds through the program's code (db::Connection,
// or the class), the same for the translated statement through the sqlite3 C API with every cell
// read as text, and the ratio of the medians. Query plans of the slow statements follow, then the
// peak memory.
//
// Run: bench_hospital [items] [requests] [--repeats N] [--keep FILE]
// Defaults: 200000 items, 40000 requests, 15 repeats. --keep writes the database to FILE (which
// must not exist) and leaves it there, for trying indexes or plans by hand afterwards.

#include "gen_large.h"
#include "rawsqlite.h"

#include "app/modInventory.h"
#include "dialogs/frmItemLookup.h"
#include "objects/clsItem.h"
#include "platform/db/connection.h"
#include "platform/db/dialect.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/db/sqlitefunctions.h"
#include "platform/db/sqlquote.h"
#include "platform/session/clsCurrentUser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

int g_repeats = 15;

struct Spread
{
    double min = 0;
    double median = 0;
    double max = 0;
};

Spread timeIt(const std::function<void()> &work, const std::function<void()> &before = {})
{
    std::vector<double> times;
    if (before)
        before();
    work(); // warm the caches first
    for (int i = 0; i < g_repeats; ++i) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2], times.back()};
}

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void plan(sqlite3 *handle, const char *title, const db::Statement &statement)
{
    std::printf("  %s:\n", title);
    rawsqlite::printPlan(handle, statement);
}

void report(const char *measure, const QString &detail, int rows, const Spread &ours,
            const Spread &raw)
{
    std::printf("%-10s %-22s %6d | %8.2f %8.2f %8.2f | %8.2f %8.2f %8.2f | %5.2fx\n", measure,
                qPrintable(detail), rows, ours.min, ours.median, ours.max, raw.min, raw.median,
                raw.max, raw.median > 0 ? ours.median / raw.median : 0.0);
    std::fflush(stdout);
}

// The request list's statement, as the main window builds it for a user and a filter.
QString listingStatement(const QString &employee, bool processed, bool verified)
{
    return QStringLiteral("Select distinct A.DocumentNumber , B.Location ,") +
           QStringLiteral(" C.Location ,A.TransDate ,") +
           QStringLiteral(
               " (Select Top 1 LastName + ', ' + FirstName From Password..tbPasswordMain "
               "Where EmployeeID = A.UserID) ") +
           QStringLiteral(" from INVENTORY..tbinvwithdrawrequest A ") +
           QStringLiteral(" Left Outer Join INVENTORY..tbinvlocation B") +
           QStringLiteral(" On A.TargetLocationID = B.LocationID") +
           QStringLiteral(" Left Outer Join INVENTORY..tbinvLocation C") +
           QStringLiteral(" On A.LocationId = C.LocationID") +
           QStringLiteral(" Left Outer Join INVENTORY..tbinvUserLocation D") +
           QStringLiteral(" On A.LocationID = D.LocationID") +
           QStringLiteral(" Where D.UserID = '") + db::sqlText(employee) +
           QStringLiteral("' and ") +
           (!processed ? QStringLiteral(" isnull(A.Status,'') = '' ")
                       : QStringLiteral(" A.Status = 'P' ")) +
           (verified ? QStringLiteral(" and isnull(verifiedby,'')<> '' Order By Transdate")
                     : QStringLiteral(" and isnull(verifiedby,'') = '' Order By Transdate"));
}

const QString NextNumber = QStringLiteral(
    "Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From "
    "INVENTORY..tbInvWithdrawRequest");

// One line of a saved request, as the main window's save writes it.
struct Line
{
    QString item;
    QString quantity;
    QString unitCost;
    QString forRetail;
    bool ads;
};

QString lineInsert(const QString &docNum, const Line &l, const QString &date,
                   const QString &location, const QString &target, const QString &employee,
                   const QString &remarks)
{
    return QStringLiteral("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, "
                          "Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, "
                          "TransDate, UserID, Remarks) ") +
           QStringLiteral("Values ('") + db::sqlText(docNum) + QStringLiteral("','") +
           db::sqlText(l.item) + QStringLiteral("',") + l.quantity + QStringLiteral(",") +
           l.unitCost + QStringLiteral(",'") + db::sqlText(l.forRetail) + QStringLiteral("', '") +
           QLatin1String(l.ads ? "1" : "0") + QStringLiteral("', '") + db::sqlText(location) +
           QStringLiteral("', '") + db::sqlText(target) + QStringLiteral("', ") + date +
           QStringLiteral(", '") + db::sqlText(employee) + QStringLiteral("', '") +
           db::sqlText(remarks) + QStringLiteral("')");
}

QString dateLiteral(const QDateTime &when)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QLatin1Char('\'') + english.toString(when, QStringLiteral("MM/dd/yyyy hh:mm:ss AP")) +
           QLatin1Char('\'');
}

void rawExec(sqlite3 *handle, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(handle, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error);
        sqlite3_free(error);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    benchgen::Scale scale;
    int positional = 0;
    QString keep;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--repeats" && i + 1 < argc)
            g_repeats = std::max(1, QByteArray(argv[++i]).toInt());
        else if (arg == "--keep" && i + 1 < argc)
            keep = QString::fromLocal8Bit(argv[++i]);
        else if (positional++ == 0)
            scale.items = std::max(100, arg.toInt());
        else
            scale.requests = std::max(10, arg.toInt());
    }

    QTemporaryDir dir;
    const QString path = keep.isEmpty() ? dir.filePath(QStringLiteral("hospital.db")) : keep;
    auto created = db::createEmbeddedDatabase(path, db::Contents::SchemaOnly);

    QElapsedTimer build;
    build.start();
    const benchgen::Contents made = benchgen::generate(*created, scale);
    std::printf("database: %d items, %lld stock rows, %d locations, %d users, %d requests + one "
                "of %d lines (%lld request lines); built in %.1f s, peak %ld MB\n",
                scale.items, made.stockRows, scale.locations, scale.users, scale.requests,
                benchgen::LargeRequestLines, made.requestLines, double(build.elapsed()) / 1000.0,
                peakKb() / 1024);
    std::printf("central store %s, requesting ward %s, sample item %s, %d repeats\n\n",
                qPrintable(made.supplyingLocation), qPrintable(made.requestingLocation),
                qPrintable(made.sampleItem), g_repeats);

    // The session: the first user signed in on the generated database.
    clsCurrentUser user;
    user.attach(std::move(created), QStringLiteral("E01"));
    modInventory::objCurrentUser = &user;
    db::Connection &connection = *user.sqlconnection();
    const db::Dialect &dialect = connection.dialect();

    sqlite3 *raw = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }
    db::registerSqliteFunctions(raw);
    sqlite3_busy_timeout(raw, 5000);

    std::printf("%-10s %-22s %6s | %-26s | %-26s | %s\n", "measure", "case", "rows",
                "ours ms (min median max)", "sqlite3 ms (min median max)", "ours/raw");

    // A keystroke in the product search: every change of the text runs the statement.
    const QStringList texts = {QStringLiteral("P"), QStringLiteral("PA"), QStringLiteral("PAR"),
                               QStringLiteral("PARA"), made.sampleItem};
    for (const bool locationForm : {false, true}) {
        for (const QString &text : texts) {
            const QString sql = frmItemLookup::productSearchStatement(
                text, locationForm, made.supplyingLocation, made.requestingLocation);
            const db::Statement translated = dialect.translate(sql, {});
            int rows = 0;
            const Spread ours = timeIt([&] { rows = connection.Execute(sql).RecordCount(); });
            const Spread direct = timeIt([&] { rawsqlite::run(raw, translated); });
            report("keystroke",
                   QStringLiteral("%1 \"%2\"")
                       .arg(QLatin1String(locationForm ? "location" : "master"), text),
                   rows, ours, direct);
        }
    }

    // The request list in its four filters.
    for (const bool processed : {false, true}) {
        for (const bool verified : {false, true}) {
            const QString sql = listingStatement(QStringLiteral("E01"), processed, verified);
            const db::Statement translated = dialect.translate(sql, {});
            int rows = 0;
            const Spread ours =
                timeIt([&] { rows = connection.OpenRecordset(sql).RecordCount(); });
            const Spread direct = timeIt([&] { rawsqlite::run(raw, translated); });
            report(
                "listing",
                QStringLiteral("%1, %2").arg(QLatin1String(processed ? "processed" : "open"),
                                             QLatin1String(verified ? "verified" : "unverified")),
                rows, ours, direct);
        }
    }

    // Opening the large request.
    {
        const QString sql = QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '") +
                            db::sqlText(made.largeRequest) + QStringLiteral("'");
        const db::Statement translated = dialect.translate(sql, {});
        int rows = 0;
        const Spread ours = timeIt([&] { rows = connection.OpenRecordset(sql).RecordCount(); });
        const Spread direct = timeIt([&] { rawsqlite::run(raw, translated); });
        report("open", QStringLiteral("request %1").arg(made.largeRequest), rows, ours, direct);
    }

    // The next document number alone.
    {
        const db::Statement translated = dialect.translate(NextNumber, {});
        QString next;
        const Spread ours = timeIt([&] {
            next = connection.OpenRecordset(NextNumber).Fields(QStringLiteral("DocNum")).toText();
        });
        const Spread direct = timeIt([&] { rawsqlite::run(raw, translated); });
        report("next", QStringLiteral("gives %1").arg(next), 1, ours, direct);
    }

    // Saving 1,000 lines under a new number, as the Save button does.
    {
        std::vector<Line> lines;
        for (int n = 0; n < 1000; ++n) {
            lines.push_back({QString::number(100000 + (n * 7919) % scale.items),
                             QString::number(1 + n % 40), QStringLiteral("12.5000"),
                             QLatin1String(n % 10 == 0 ? "Y" : "N"), n % 25 == 0});
        }
        const QString date = dateLiteral(QDateTime(QDate(2026, 12, 8), QTime(13, 13, 29)));
        const QString remarks = QStringLiteral("for tomorrow's O.R. schedule");
        const QString employee = user.EmployeeCode();
        const Spread ours = timeIt([&] {
            db::Transaction transaction(connection);
            const QString number =
                connection.OpenRecordset(NextNumber).Fields(QStringLiteral("DocNum")).toText();
            connection.Execute(QStringLiteral("Delete INVENTORY..tbInvWithdrawRequest Where "
                                              "DocumentNumber = '") +
                               db::sqlText(number) + QStringLiteral("'"));
            for (const Line &l : lines) {
                connection.Execute(lineInsert(number, l, date, made.requestingLocation,
                                              made.supplyingLocation, employee, remarks));
            }
            transaction.commit();
        });
        // Straight on SQLite: the same translated statements, the number read beforehand.
        db::Statement selectNext = dialect.translate(NextNumber, {});
        db::Statement remove;
        std::vector<db::Statement> inserts;
        const Spread direct = timeIt(
            [&] {
                rawExec(raw, "BEGIN IMMEDIATE");
                rawsqlite::run(raw, selectNext);
                rawsqlite::run(raw, remove);
                for (const db::Statement &insert : inserts)
                    rawsqlite::run(raw, insert);
                rawExec(raw, "COMMIT");
            },
            [&] {
                const QString number =
                    connection.OpenRecordset(NextNumber).Fields(QStringLiteral("DocNum")).toText();
                remove = dialect.translate(QStringLiteral("Delete INVENTORY..tbInvWithdrawRequest "
                                                          "Where DocumentNumber = '") +
                                               db::sqlText(number) + QStringLiteral("'"),
                                           {});
                inserts.clear();
                for (const Line &l : lines) {
                    inserts.push_back(
                        dialect.translate(lineInsert(number, l, date, made.requestingLocation,
                                                     made.supplyingLocation, employee, remarks),
                                          {}));
                }
            });
        report("save", QStringLiteral("1000 lines"), 1000, ours, direct);

        const db::Statement translated = dialect.translate(NextNumber, {});
        const Spread nextOurs = timeIt([&] { connection.OpenRecordset(NextNumber); });
        const Spread nextRaw = timeIt([&] { rawsqlite::run(raw, translated); });
        report("next", QStringLiteral("after the saves"), 1, nextOurs, nextRaw);
    }

    // One item at the central store, as the request window's item entry reads it.
    {
        const QString sql = QStringLiteral("Inventory..sp_Inv_SearchItem_In_Invent '") +
                            db::sqlText(made.sampleItem) + QStringLiteral("','") +
                            db::sqlText(made.supplyingLocation) + QStringLiteral("'");
        const db::Statement translated = dialect.translate(sql, {});
        bool loaded = false;
        const Spread ours = timeIt([&] {
            clsItem item;
            loaded = item.LoadItem(made.sampleItem, made.supplyingLocation);
        });
        const Spread direct = timeIt([&] { rawsqlite::run(raw, translated); });
        report("item", QStringLiteral("LoadItem %1").arg(QLatin1String(loaded ? "ok" : "FAILED")),
               1, ours, direct);
    }

    std::printf("\nquery plans (translated statements):\n");
    plan(raw, "keystroke, master form \"PA\"",
         dialect.translate(frmItemLookup::productSearchStatement(QStringLiteral("PA"), false,
                                                                 made.supplyingLocation,
                                                                 made.requestingLocation),
                           {}));
    plan(raw, "keystroke, location form \"PA\"",
         dialect.translate(frmItemLookup::productSearchStatement(QStringLiteral("PA"), true,
                                                                 made.supplyingLocation,
                                                                 made.requestingLocation),
                           {}));
    plan(raw, "listing, open unverified",
         dialect.translate(listingStatement(QStringLiteral("E01"), false, false), {}));
    plan(raw, "listing, processed verified",
         dialect.translate(listingStatement(QStringLiteral("E01"), true, true), {}));
    plan(raw, "open",
         dialect.translate(QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '") +
                               made.largeRequest + QStringLiteral("'"),
                           {}));
    plan(raw, "next number", dialect.translate(NextNumber, {}));
    std::printf("    (%s)\n", qPrintable(dialect.translate(NextNumber, {}).sql));

    std::printf("\npeak memory (ru_maxrss): %ld MB\n", peakKb() / 1024);
    sqlite3_close(raw);
    modInventory::objCurrentUser = nullptr;
    return 0;
}
