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
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "support/messages.h"
#include "support/sqllog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QLoggingCategory>
#include <QPushButton>
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
    std::unique_ptr<db::Connection> created;
    benchgen::Contents made;
    QElapsedTimer build;
    build.start();
    if (!keep.isEmpty() && QFileInfo::exists(keep)) {
        // A database kept by an earlier run: measured as it is (with that run's saves).
        created = db::Connection::openSqlite(path, db::Connection::Create::No);
        made = benchgen::describe(*created, scale);
        std::printf("reusing %s: ", qPrintable(path));
    } else {
        created = db::createEmbeddedDatabase(path, db::Contents::SchemaOnly);
        made = benchgen::generate(*created, scale);
    }
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

    // The product search: every change of the text runs the search, statement and list (the
    // first KeystrokeRows products); Enter lists up to SearchRows. Ours is the dialog's own
    // search, list included; raw is its statement on sqlite3.
    {
        frmItemLookup lookup;
        lookup.setRequestLocationCodes(made.supplyingLocation, made.requestingLocation);
        const QStringList texts = {QStringLiteral("P"), QStringLiteral("PA"), QStringLiteral("PAR"),
                                   QStringLiteral("PARA"), made.sampleItem};
        for (const bool locationForm : {false, true}) {
            lookup.setLocationCode(locationForm ? made.supplyingLocation : QString());
            // The statement through the connection against sqlite3, then the whole search
            // (statement and list) against the same raw figure.
            const auto measure = [&](const char *what, const QString &text, int maxRows) {
                const QString sql = frmItemLookup::productSearchStatement(
                    text, locationForm, made.supplyingLocation, made.requestingLocation,
                    maxRows + 1);
                const db::Statement translated = dialect.translate(sql, {});
                int rows = 0;
                const Spread statement =
                    timeIt([&] { rows = connection.Execute(sql).RecordCount(); });
                const Spread direct = timeIt([&] { rawsqlite::run(raw, translated); });
                const QString detail =
                    QStringLiteral("%1 \"%2\"")
                        .arg(QLatin1String(locationForm ? "location" : "master"), text);
                report(what, detail, rows, statement, direct);
                const Spread listed = timeIt([&] { lookup.SearchProducts(text, maxRows); });
                report("  +list", detail, lookup.grdLookup->Rows() - 1, listed, direct);
            };
            for (const QString &text : texts)
                measure("keystroke", text, frmItemLookup::KeystrokeRows);
            measure("enter", QStringLiteral("P"), frmItemLookup::SearchRows);
        }
    }

    // The request list in its four filters.
    for (const bool processed : {false, true}) {
        for (const bool verified : {false, true}) {
            const QString sql =
                frmMain::listingStatement(QStringLiteral("E01"), processed, verified);
            const db::Statement translated = dialect.translate(sql, {});
            int rows = 0;
            const Spread ours = timeIt([&] { rows = connection.OpenRecordset(sql).RecordCount(); });
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
        const db::Statement translated = dialect.translate(frmMain::nextNumberStatement(), {});
        QString next;
        const Spread ours = timeIt([&] {
            next = connection.OpenRecordset(frmMain::nextNumberStatement())
                       .Fields(QStringLiteral("DocNum"))
                       .toText();
        });
        const Spread direct = timeIt([&] { rawsqlite::run(raw, translated); });
        report("next", QStringLiteral("gives %1").arg(next), 1, ours, direct);
    }

    // The request window, from its construction to its first showing (after the sign-in).
    modInventory::LoadHospitalInfo();
    modInventory::isAutoWithdrawRequestNumber = false; // "NEW": the save numbers the request
    modInventory::DefaultLocationID = made.supplyingLocation;
    modInventory::InventoryTypeAccess = QStringLiteral("A");
    std::unique_ptr<frmMain> window;
    {
        const Spread ours = timeIt([&] {
            window.reset();
            window = std::make_unique<frmMain>();
            window->show();
            QCoreApplication::processEvents();
        });
        report("start-up", QStringLiteral("window shown"), window->grdListing->Rows() - 1, ours,
               Spread{});
    }

    // Opening the large request into the window's grid, as a double-click on its list row does.
    {
        frmMain &w = *window;
        const Spread ours = timeIt([&] {
            w.grdListing->setRows(2);
            w.grdListing->setTextMatrix(1, 0, made.largeRequest);
            w.grdListing->setRow(1);
            w.LoadRequest(true);
        });
        const db::Statement translated =
            dialect.translate(QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '") +
                                  db::sqlText(made.largeRequest) + QStringLiteral("'"),
                              {});
        const Spread direct = timeIt([&] { rawsqlite::run(raw, translated); });
        report("open+grid", QStringLiteral("request %1").arg(made.largeRequest),
               w.grdDetails->Rows() - 2, ours, direct);
    }

    // Saving 1,000 lines under a new number: the window's own save, from the number to the
    // commit. Raw replays the statements it sent, translated, between BEGIN IMMEDIATE and COMMIT.
    {
        ui::ScopedRecordingResponder messages;
        frmMain &w = *window;
        w.cmdNew->click();
        w.cboLocation->setEditText(QStringLiteral("CENTRAL SUPPLY"));
        w.cboTargetLocation->setEditText(
            connection
                .OpenRecordset(QStringLiteral("Select Location From INVENTORY..tbInvLocation "
                                              "Where LocationID = '") +
                               db::sqlText(made.requestingLocation) + QStringLiteral("'"))
                .Fields(0)
                .toText());
        if (!w.cboLocation_Validate() || !w.cboTargetLocation_Validate()) {
            std::fprintf(stderr, "the request window refused its locations: %s\n",
                         qPrintable(messages.messages().isEmpty()
                                        ? QString()
                                        : messages.messages().front().text));
            return 1;
        }
        w.txtRemarks->setText(QStringLiteral("for tomorrow's O.R. schedule"));
        const int lines = 1000;
        w.grdDetails->setRows(lines + 2);
        for (int n = 0; n < lines; ++n) {
            const int r = n + 1;
            w.grdDetails->setTextMatrix(r, 0, QString::number(100000 + (n * 7919) % scale.items));
            w.grdDetails->setTextMatrix(r, 2, QString::number(1 + n % 40));
            w.grdDetails->setTextMatrix(r, 3, QStringLiteral("12.5000"));
            w.grdDetails->setTextMatrix(r, 5, QLatin1String(n % 10 == 0 ? "Y" : "N"));
            w.grdDetails->setTextMatrix(r, 6, QLatin1String(n % 25 == 0 ? "Y" : "N"));
        }
        bool saved = true;
        const Spread ours = timeIt([&] { saved = w.SaveRequest() && saved; },
                                   [&] { w.txtDocNum->setText(QStringLiteral("NEW")); });
        if (!saved || !messages.messages().isEmpty()) {
            std::fprintf(stderr, "the save failed: %s\n",
                         qPrintable(messages.messages().isEmpty()
                                        ? QString()
                                        : messages.messages().front().text));
            return 1;
        }

        // One more save with the SQL log on, for the statements to replay.
        QStringList sent;
        {
            testsupport::SqlLog log;
            w.txtDocNum->setText(QStringLiteral("NEW"));
            w.SaveRequest();
            sent = log.statements();
        }
        std::vector<db::Statement> replay;
        for (const QString &written : std::as_const(sent)) {
            if (written != QLatin1String("BEGIN TRANSACTION") && written != QLatin1String("COMMIT"))
                replay.push_back(dialect.translate(written, {}));
        }
        const Spread direct = timeIt([&] {
            rawExec(raw, "BEGIN IMMEDIATE");
            for (const db::Statement &statement : replay)
                rawsqlite::run(raw, statement);
            rawExec(raw, "COMMIT");
        });
        report("save", QStringLiteral("%1 lines, %2 statements").arg(lines).arg(replay.size()),
               lines, ours, direct);

        const db::Statement translated = dialect.translate(frmMain::nextNumberStatement(), {});
        const Spread nextOurs =
            timeIt([&] { connection.OpenRecordset(frmMain::nextNumberStatement()); });
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
    for (const bool locationForm : {false, true}) {
        plan(raw,
             locationForm ? "keystroke, location form \"PA\"" : "keystroke, master form \"PA\"",
             dialect.translate(frmItemLookup::productSearchStatement(
                                   QStringLiteral("PA"), locationForm, made.supplyingLocation,
                                   made.requestingLocation, frmItemLookup::KeystrokeRows + 1),
                               {}));
    }
    plan(raw, "listing, open unverified",
         dialect.translate(frmMain::listingStatement(QStringLiteral("E01"), false, false), {}));
    plan(raw, "listing, processed verified",
         dialect.translate(frmMain::listingStatement(QStringLiteral("E01"), true, true), {}));
    plan(raw, "open",
         dialect.translate(QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '") +
                               made.largeRequest + QStringLiteral("'"),
                           {}));
    plan(raw, "next number", dialect.translate(frmMain::nextNumberStatement(), {}));
    std::printf("    (%s)\n",
                qPrintable(dialect.translate(frmMain::nextNumberStatement(), {}).sql));

    std::printf("\npeak memory (ru_maxrss): %ld MB\n", peakKb() / 1024);
    window.reset();
    sqlite3_close(raw);
    modInventory::objCurrentUser = nullptr;
    return 0;
}
