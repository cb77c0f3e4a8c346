// The program's main statements on a hospital-sized database, each against the same statement
// run straight on the engine: SQLite, or a PostgreSQL server.
//
// Builds a temporary embedded database (see gen_large.h: items, 200 locations, 50 users, requests
// of 1-30 lines in every state and one of 10,000 lines) and times, over several repeats:
//   keystroke  the product search of both forms for name starts of 1-4 letters and a code
//   listing    the request list in its four filters, for the first user
//   open       loading the 10,000-line request (sp_Inv_LoadWithdrawalRequest)
//   save       storing 1,000 lines under a new number: the next number, the delete, the inserts,
//              in one transaction
//   next       the next document number alone
//   item       clsItem::LoadItem of one item at the central store (in a row, then in turn with
//              the baseline's runs)
// Each row gives min / median / max in milliseconds through the program's code (db::Connection,
// or the class), the same for the translated statement through the engine's C API (sqlite3, or
// libpq) with every cell read as text, and the ratio of the medians. Query plans of the slow
// statements follow, then the peak memory.
//
// Run: bench_hospital [items] [requests] [--repeats N] [--keep FILE]
//                     [--postgres DATABASE [--latency MS,MS,... [--latency-repeats N]]]
// Defaults: 200000 items, 40000 requests, 15 repeats. --keep writes the database to FILE (which
// must not exist) and leaves it there, for trying indexes or plans by hand afterwards.
//
// --postgres runs the same measures on the server INVENTORY_TEST_POSTGRES names ("host=...
// port=... user=... password=..."), in DATABASE, which hospital_pgload made from the kept FILE;
// the baseline is then libpq (PQexecParams, every cell read as text). --latency then repeats the
// measures that talk to the server most (keystroke, listing, open into the grid, save, item)
// through a relay that holds each packet back half the given round-trip time each way, ours and
// libpq alike, and counts the round trips of each: a table per round-trip time, then a summary.
// There, ours and libpq's runs of a measure are taken in turn, keystrokes and listings at least
// 15 times.

#include "gen_large.h"
#include "rawpostgres.h"
#include "rawsqlite.h"
#include "support/serverdatabase.h"

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
#include "support/tcpproxy.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTemporaryDir>

#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

int g_repeats = 15;

// A measure is run at least this many times while one of these lives. A look-up of one row takes
// a third of a millisecond: a few runs of it measure the machine's noise more than the look-up
// (the same build gave 1.13x and 1.57x of libpq in two runs of 5), so it is run at least
// OneRow times; a keystroke or a listing through the relay, whose ratio to libpq's is judged at
// every delay, at least Short times (five runs of a 5 ms keystroke gave 1.07x to 1.20x).
class MinimumRepeats
{
public:
    enum : int { OneRow = 201, Short = 15 };
    explicit MinimumRepeats(int least) : m_saved(g_repeats)
    {
        g_repeats = std::max(g_repeats, least);
    }
    ~MinimumRepeats() { g_repeats = m_saved; }
    MinimumRepeats(const MinimumRepeats &) = delete;
    MinimumRepeats &operator=(const MinimumRepeats &) = delete;

private:
    int m_saved;
};

// Counts the round trips to the server while a measure runs; -1 when nothing counts them.
std::function<int()> g_roundTrips;
std::function<void()> g_resetRoundTrips;

struct Spread
{
    double min = 0;
    double median = 0;
    double max = 0;
    double roundTrips = -1; // per run, when counted
};

Spread timeIt(const std::function<void()> &work, const std::function<void()> &before = {})
{
    std::vector<double> times;
    if (before)
        before();
    work(); // warm the caches first
    if (g_resetRoundTrips)
        g_resetRoundTrips();
    for (int i = 0; i < g_repeats; ++i) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    Spread spread{times.front(), times[times.size() / 2], times.back()};
    if (g_roundTrips)
        spread.roundTrips = double(g_roundTrips()) / g_repeats;
    return spread;
}

// Two ways of doing the same taken in turn, one run of each at a time (which goes first changes
// from run to run): each is timed in the conditions the other leaves, rather than each in a row of
// its own runs, in which the one of the two that touches less memory keeps the server's session
// warm in the processor's caches between its runs.
std::pair<Spread, Spread> timeInTurn(const std::function<void()> &ours,
                                     const std::function<void()> &raw)
{
    ours(); // warm the caches first
    raw();
    std::vector<double> times[2];
    double trips[2] = {0, 0};
    for (int i = 0; i < g_repeats; ++i) {
        for (const int side : {i % 2, 1 - i % 2}) {
            if (g_resetRoundTrips)
                g_resetRoundTrips();
            QElapsedTimer timer;
            timer.start();
            (side == 0 ? ours : raw)();
            times[side].push_back(double(timer.nsecsElapsed()) / 1e6);
            if (g_roundTrips)
                trips[side] += g_roundTrips();
        }
    }
    Spread spreads[2];
    for (const int side : {0, 1}) {
        std::vector<double> &t = times[side];
        std::sort(t.begin(), t.end());
        spreads[side] = Spread{t.front(), t[t.size() / 2], t.back()};
        if (g_roundTrips)
            spreads[side].roundTrips = trips[side] / g_repeats;
    }
    return {spreads[0], spreads[1]};
}

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// What the measures of a latency run gave, for the summary at the end: by measure and case, the
// round-trip time's results in the order they ran.
struct LatencyResult
{
    int roundTripMs = 0;
    Spread ours;
    Spread raw;
};
std::vector<std::pair<QString, std::vector<LatencyResult>>> g_latencyResults;
int g_roundTripMs = -1; // the latency run under way, -1 outside one

// Ours and libpq's: through the relay in turn (a ratio judged at every delay then does not
// depend on which of the two ran while the shared machine was slower); elsewhere each in a row, as
// the figures before them were taken.
std::pair<Spread, Spread> timeBoth(const std::function<void()> &ours,
                                   const std::function<void()> &raw)
{
    if (g_roundTripMs >= 0)
        return timeInTurn(ours, raw);
    const Spread first = timeIt(ours);
    return {first, timeIt(raw)};
}

void report(const char *measure, const QString &detail, int rows, const Spread &ours,
            const Spread &raw)
{
    std::printf("%-10s %-22s %6d | %8.2f %8.2f %8.2f | %8.2f %8.2f %8.2f | %5.2fx", measure,
                qPrintable(detail), rows, ours.min, ours.median, ours.max, raw.min, raw.median,
                raw.max, raw.median > 0 ? ours.median / raw.median : 0.0);
    if (ours.roundTrips >= 0)
        std::printf(" | %7.1f %7.1f", ours.roundTrips, raw.roundTrips);
    std::printf("\n");
    std::fflush(stdout);
    if (g_roundTripMs >= 0) {
        const QString key = QString::fromLatin1(measure).trimmed() + QLatin1Char('|') + detail;
        auto found = std::find_if(g_latencyResults.begin(), g_latencyResults.end(),
                                  [&](const auto &entry) { return entry.first == key; });
        if (found == g_latencyResults.end()) {
            g_latencyResults.push_back({key, {}});
            found = std::prev(g_latencyResults.end());
        }
        found->second.push_back({g_roundTripMs, ours, raw});
    }
}

// The baseline: a translated statement straight through the engine's C API.
class Raw
{
public:
    explicit Raw(sqlite3 *handle) : m_sqlite(handle) {}
    explicit Raw(PGconn *handle) : m_postgres(handle) {}
    ~Raw()
    {
        if (m_sqlite)
            sqlite3_close(m_sqlite);
        if (m_postgres)
            PQfinish(m_postgres);
    }
    Raw(const Raw &) = delete;
    Raw &operator=(const Raw &) = delete;

    const char *name() const { return m_postgres ? "libpq" : "sqlite3"; }

    int run(const db::Statement &statement) const
    {
        return m_postgres ? rawpostgres::run(m_postgres, statement)
                          : rawsqlite::run(m_sqlite, statement);
    }

    void exec(const char *sql) const
    {
        if (m_postgres) {
            rawpostgres::exec(m_postgres, sql);
            return;
        }
        char *error = nullptr;
        if (sqlite3_exec(m_sqlite, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "%s: %s\n", sql, error);
            sqlite3_free(error);
        }
    }

    // A transaction that holds the write lock from the start, as the program's does.
    void begin() const { exec(m_postgres ? "BEGIN" : "BEGIN IMMEDIATE"); }

    void plan(const char *title, const db::Statement &statement) const
    {
        std::printf("  %s:\n", title);
        if (m_postgres)
            rawpostgres::printPlan(m_postgres, statement);
        else
            rawsqlite::printPlan(m_sqlite, statement);
    }

private:
    sqlite3 *m_sqlite = nullptr;
    PGconn *m_postgres = nullptr;
};

db::Connection &session()
{
    return *modInventory::objCurrentUser->sqlconnection();
}

// The product search: every change of the text runs the search, statement and list (the first
// KeystrokeRows products); Enter lists up to SearchRows. Ours is the statement through the
// connection, then the dialog's own search, list included; raw is its statement alone.
void measureKeystrokes(const benchgen::Contents &made, const Raw &raw, const QStringList &texts,
                       bool withStatementAlone, bool withEnter)
{
    frmItemLookup lookup;
    lookup.setRequestLocationCodes(made.supplyingLocation, made.requestingLocation);
    for (const bool locationForm : {false, true}) {
        lookup.setLocationCode(locationForm ? made.supplyingLocation : QString());
        const auto measure = [&](const char *what, const QString &text, int maxRows) {
            // The statement the dialog sends (on a server that keeps its stock rows by name, the
            // location form's search by name walks them).
            const QString sql = lookup.searchStatement(text, maxRows);
            const db::Statement translated = session().dialect().translate(sql, {});
            const QString detail =
                QStringLiteral("%1 \"%2\"")
                    .arg(QLatin1String(locationForm ? "location" : "master"), text);
            std::optional<MinimumRepeats> least;
            if (text == made.sampleItem)
                least.emplace(MinimumRepeats::OneRow);
            else if (!withStatementAlone)
                least.emplace(MinimumRepeats::Short);
            const auto direct = [&] { raw.run(translated); };
            const auto listing = [&] { lookup.SearchProducts(text, maxRows); };
            if (!withStatementAlone) {
                const auto [listed, theirs] = timeBoth(listing, direct);
                report("keystroke", detail, lookup.grdLookup->Rows() - 1, listed, theirs);
                return;
            }
            const Spread theirs = timeIt(direct);
            int rows = 0;
            const Spread statement = timeIt([&] { rows = session().Execute(sql).RecordCount(); });
            report(what, detail, rows, statement, theirs);
            const Spread listed = timeIt(listing);
            report("  +list", detail, lookup.grdLookup->Rows() - 1, listed, theirs);
        };
        for (const QString &text : texts)
            measure("keystroke", text, frmItemLookup::KeystrokeRows);
        if (withEnter)
            measure("enter", QStringLiteral("P"), frmItemLookup::SearchRows);
    }
}

// The request list for the first user, in the filters given as (processed, verified).
void measureListings(const Raw &raw, const std::vector<std::pair<bool, bool>> &filters)
{
    std::optional<MinimumRepeats> least;
    if (g_roundTripMs >= 0)
        least.emplace(MinimumRepeats::Short);
    for (const auto &[processed, verified] : filters) {
        const QString sql = frmMain::listingStatement(QStringLiteral("E01"), processed, verified,
                                                      session().dialect().distinctAfterJoins());
        const db::Statement translated = session().dialect().translate(sql, {});
        int rows = 0;
        const auto [ours, direct] =
            timeBoth([&] { rows = session().OpenRecordset(sql).RecordCount(); },
                     [&] { raw.run(translated); });
        report("listing",
               QStringLiteral("%1, %2").arg(QLatin1String(processed ? "processed" : "open"),
                                            QLatin1String(verified ? "verified" : "unverified")),
               rows, ours, direct);
    }
}

QString openStatement(const benchgen::Contents &made)
{
    return QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '") +
           db::sqlText(made.largeRequest) + QStringLiteral("'");
}

// Opening the large request into the window's grid, as a double-click on its list row does.
void measureOpenIntoGrid(frmMain &w, const benchgen::Contents &made, const Raw &raw)
{
    const db::Statement translated = session().dialect().translate(openStatement(made), {});
    const auto [ours, direct] = timeBoth(
        [&] {
            w.grdListing->setRows(2);
            w.grdListing->setTextMatrix(1, 0, made.largeRequest);
            w.grdListing->setRow(1);
            w.LoadRequest(true);
        },
        [&] { raw.run(translated); });
    report("open+grid", QStringLiteral("request %1").arg(made.largeRequest),
           w.grdDetails->Rows() - 2, ours, direct);
}

// Fills the window with a new request of `lines` lines from the central store to the first
// user's ward; false (and the window's message on stderr) when it refuses the locations.
bool prepareNewRequest(frmMain &w, const benchgen::Contents &made, const benchgen::Scale &scale,
                       int lines)
{
    ui::ScopedRecordingResponder messages;
    w.cmdNew->click();
    w.cboLocation->setEditText(QStringLiteral("CENTRAL SUPPLY"));
    w.cboTargetLocation->setEditText(
        session()
            .OpenRecordset(QStringLiteral("Select Location From INVENTORY..tbInvLocation "
                                          "Where LocationID = '") +
                           db::sqlText(made.requestingLocation) + QStringLiteral("'"))
            .Fields(0)
            .toText());
    if (!w.cboLocation_Validate() || !w.cboTargetLocation_Validate()) {
        std::fprintf(stderr, "the request window refused its locations: %s\n",
                     qPrintable(messages.messages().isEmpty() ? QString()
                                                              : messages.messages().front().text));
        return false;
    }
    w.txtRemarks->setText(QStringLiteral("for tomorrow's O.R. schedule"));
    w.grdDetails->setRows(lines + 2);
    for (int n = 0; n < lines; ++n) {
        const int r = n + 1;
        w.grdDetails->setTextMatrix(r, 0, QString::number(100000 + (n * 7919) % scale.items));
        w.grdDetails->setTextMatrix(r, 2, QString::number(1 + n % 40));
        w.grdDetails->setTextMatrix(r, 3, QStringLiteral("12.5000"));
        w.grdDetails->setTextMatrix(r, 5, QLatin1String(n % 10 == 0 ? "Y" : "N"));
        w.grdDetails->setTextMatrix(r, 6, QLatin1String(n % 25 == 0 ? "Y" : "N"));
    }
    return true;
}

// The warning before saving a request like an open one, answered with Enter: the runs save the
// same request again and again.
class SaveAnyway : public ui::MessageResponder
{
public:
    explicit SaveAnyway(ui::MessageResponder &next) : m_next(next) {}
    ui::Answer respond(const ui::Message &message) override
    {
        if (message.text.contains(QLatin1String("Save this request anyway?")))
            return ui::Answer::OK;
        return m_next.respond(message);
    }

private:
    ui::MessageResponder &m_next;
};

// The requests the benchmark saved, marked cancelled: each measured save is of a request no
// open one is like (the warning before a duplicate would otherwise list every earlier run's). On
// the server the lines' old versions are vacuumed away at once, as a store's steady state has
// them, rather than left for the look at the open lines to step over: their index entries too
// (a plain VACUUM leaves those when the dead rows are under 2 % of the table's pages, and the
// look at the open lines then visited 72,000 of them: 14 ms a read).
void cancelSavedRequests(const benchgen::Contents &made, const Raw &raw)
{
    session().Execute(QStringLiteral("Update INVENTORY..tbInvWithdrawRequest Set Status = 'D' "
                                     "Where DocumentNo > ") +
                      made.largeRequest + QStringLiteral(" And IsNull(Status, '') = ''"));
    if (QLatin1String(raw.name()) == QLatin1String("libpq"))
        raw.exec("VACUUM (INDEX_CLEANUP ON) tbInvWithdrawRequest");
}

// The statements a save of the window's request sends, as the program wrote them, between the
// transaction's edges.
QStringList statementsOfASave(frmMain &w)
{
    ui::ScopedRecordingResponder messages;
    SaveAnyway saveAnyway(messages);
    const ui::ResponderScope answeringWarnings(saveAnyway);
    testsupport::SqlLog log;
    w.txtDocNum->setText(QStringLiteral("NEW"));
    w.SaveRequest();
    QStringList sent;
    for (const QString &written : log.statements()) {
        if (written != QLatin1String("BEGIN TRANSACTION") && written != QLatin1String("COMMIT"))
            sent << written;
    }
    return sent;
}

// The window's own save of its request under a new number, from the number to the commit,
// against the statements it sends replayed, translated, in one transaction that takes the write
// lock first. False (and the window's message on stderr) when a save failed.
bool measureSave(frmMain &w, const benchgen::Contents &made, const Raw &raw,
                 const QStringList &sent, int lines)
{
    ui::ScopedRecordingResponder messages;
    SaveAnyway saveAnyway(messages);
    const ui::ResponderScope answeringWarnings(saveAnyway);
    bool saved = true;
    const Spread ours = timeIt([&] { saved = w.SaveRequest() && saved; },
                               [&] {
                                   cancelSavedRequests(made, raw);
                                   w.txtDocNum->setText(QStringLiteral("NEW"));
                               });
    if (!saved || !messages.messages().isEmpty()) {
        std::fprintf(stderr, "the save failed: %s\n",
                     qPrintable(messages.messages().isEmpty() ? QString()
                                                              : messages.messages().front().text));
        return false;
    }
    std::vector<db::Statement> replay;
    for (const QString &written : sent) {
        const db::Statement statement = session().dialect().translate(written, {});
        // A read made only for its locks goes as its locks alone where the engine takes them by
        // statements of their own (Connection::Lock, which logs it so).
        if (written.endsWith(QLatin1String("-- its locks only"))) {
            for (const QString &lock : statement.lockFirst)
                replay.push_back(db::Statement{lock, {}, {}, {}});
            continue;
        }
        replay.push_back(statement);
    }
    const Spread direct = timeIt(
        [&] {
            raw.begin();
            for (const db::Statement &statement : replay)
                raw.run(statement);
            raw.exec("COMMIT");
        },
        [&] { cancelSavedRequests(made, raw); });
    report("save", QStringLiteral("%1 lines, %2 statements").arg(lines).arg(replay.size()), lines,
           ours, direct);
    return true;
}

// One item at the central store, as the request window's item entry reads it: each side's runs
// in a row, as every other measure, then in turn.
void measureItem(const benchgen::Contents &made, const Raw &raw)
{
    const QString sql = QStringLiteral("Inventory..sp_Inv_SearchItem_In_Invent '") +
                        db::sqlText(made.sampleItem) + QStringLiteral("','") +
                        db::sqlText(made.supplyingLocation) + QStringLiteral("'");
    const db::Statement translated = session().dialect().translate(sql, {});
    const MinimumRepeats oneRow(MinimumRepeats::OneRow);
    bool loaded = false;
    const auto load = [&] {
        clsItem item;
        loaded = item.LoadItem(made.sampleItem, made.supplyingLocation);
    };
    const auto direct = [&] { raw.run(translated); };
    const Spread ours = timeIt(load);
    const Spread theirs = timeIt(direct);
    report("item", QStringLiteral("LoadItem %1").arg(QLatin1String(loaded ? "ok" : "FAILED")), 1,
           ours, theirs);
    const auto [oursInTurn, theirsInTurn] = timeInTurn(load, direct);
    report("item", QStringLiteral("LoadItem, in turn"), 1, oursInTurn, theirsInTurn);
}

void printHeader(const char *rawName)
{
    std::printf("%-10s %-22s %6s | %-26s | %-26s | %s%s\n", "measure", "case", "rows",
                "ours ms (min median max)",
                qPrintable(QStringLiteral("%1 ms (min median max)").arg(QLatin1String(rawName))),
                "ours/raw", g_roundTrips ? " | trips: ours raw" : "");
}

QList<int> parseLatencies(const QByteArray &list)
{
    QList<int> out;
    for (const QByteArray &part : list.split(','))
        out << std::max(0, part.trimmed().toInt());
    return out;
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
    QString postgres;
    QList<int> latencies;
    int latencyRepeats = 5;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--repeats" && i + 1 < argc)
            g_repeats = std::max(1, QByteArray(argv[++i]).toInt());
        else if (arg == "--keep" && i + 1 < argc)
            keep = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--postgres" && i + 1 < argc)
            postgres = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--latency" && i + 1 < argc)
            latencies = parseLatencies(argv[++i]);
        else if (arg == "--latency-repeats" && i + 1 < argc)
            latencyRepeats = std::max(1, QByteArray(argv[++i]).toInt());
        else if (positional++ == 0)
            scale.items = std::max(100, arg.toInt());
        else
            scale.requests = std::max(10, arg.toInt());
    }
    const bool onServer = !postgres.isEmpty();
    if (onServer && (keep.isEmpty() || !QFileInfo::exists(keep))) {
        std::fprintf(stderr, "--postgres needs --keep FILE: the file the database was loaded "
                             "from (hospital_pgload), which describes it\n");
        return 2;
    }
    const std::optional<db::PostgresLogon> logon =
        onServer ? testsupport::testServerLogon(postgres) : std::nullopt;
    if (onServer && !logon) {
        std::fprintf(stderr, "INVENTORY_TEST_POSTGRES names no server\n");
        return 2;
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
    if (onServer) {
        // The server's copy of the file is what is measured.
        created.reset();
        created = db::Connection::openPostgres(*logon);
        std::printf("on PostgreSQL: database %s on %s:%d\n", qPrintable(postgres),
                    qPrintable(logon->host), logon->port);
    }
    std::printf("central store %s, requesting ward %s, sample item %s, %d repeats\n\n",
                qPrintable(made.supplyingLocation), qPrintable(made.requestingLocation),
                qPrintable(made.sampleItem), g_repeats);

    // The session: the first user signed in on the generated database, brought up to date as
    // the program's sign-in does (a file kept from an earlier build).
    db::bringUpToDate(*created);
    clsCurrentUser user;
    user.attach(std::move(created), QStringLiteral("E01"));
    modInventory::objCurrentUser = &user;
    const db::Dialect &dialect = session().dialect();

    const QString conninfo = qEnvironmentVariable("INVENTORY_TEST_POSTGRES");
    std::unique_ptr<Raw> raw;
    if (onServer) {
        PGconn *handle = rawpostgres::connect(conninfo, postgres);
        if (!handle)
            return 1;
        raw = std::make_unique<Raw>(handle);
    } else {
        sqlite3 *handle = nullptr;
        if (sqlite3_open_v2(path.toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
            return 1;
        }
        db::registerSqliteFunctions(handle);
        sqlite3_busy_timeout(handle, 5000);
        raw = std::make_unique<Raw>(handle);
    }

    printHeader(raw->name());
    const QStringList texts = {QStringLiteral("P"), QStringLiteral("PA"), QStringLiteral("PAR"),
                               QStringLiteral("PARA"), made.sampleItem};
    measureKeystrokes(made, *raw, texts, true, true);
    measureListings(*raw, {{false, false}, {false, true}, {true, false}, {true, true}});

    // Opening the large request: the statement alone.
    {
        const QString sql = openStatement(made);
        const db::Statement translated = dialect.translate(sql, {});
        int rows = 0;
        const Spread ours = timeIt([&] { rows = session().OpenRecordset(sql).RecordCount(); });
        const Spread direct = timeIt([&] { raw->run(translated); });
        report("open", QStringLiteral("request %1").arg(made.largeRequest), rows, ours, direct);
    }

    // The next document number alone.
    {
        const db::Statement translated = dialect.translate(frmMain::nextNumberStatement(), {});
        QString next;
        const Spread ours = timeIt([&] {
            next = session()
                       .OpenRecordset(frmMain::nextNumberStatement())
                       .Fields(QStringLiteral("DocNum"))
                       .toText();
        });
        const Spread direct = timeIt([&] { raw->run(translated); });
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

    measureOpenIntoGrid(*window, made, *raw);

    // Saving 1,000 lines under a new number.
    const int lines = 1000;
    if (!prepareNewRequest(*window, made, scale, lines))
        return 1;
    cancelSavedRequests(made, *raw);
    const QStringList sent = statementsOfASave(*window);
    if (!measureSave(*window, made, *raw, sent, lines))
        return 1;
    {
        const db::Statement translated = dialect.translate(frmMain::nextNumberStatement(), {});
        const Spread nextOurs =
            timeIt([&] { session().OpenRecordset(frmMain::nextNumberStatement()); });
        const Spread nextRaw = timeIt([&] { raw->run(translated); });
        report("next", QStringLiteral("after the saves"), 1, nextOurs, nextRaw);
    }

    measureItem(made, *raw);

    std::printf("\nquery plans (translated statements):\n");
    for (const bool locationForm : {false, true}) {
        raw->plan(locationForm ? "keystroke, location form \"PA\""
                               : "keystroke, master form \"PA\"",
                  dialect.translate(frmItemLookup::productSearchStatement(
                                        QStringLiteral("PA"), locationForm, made.supplyingLocation,
                                        made.requestingLocation, frmItemLookup::KeystrokeRows + 1,
                                        dialect.stockNamesKept()),
                                    {}));
    }
    raw->plan("listing, open unverified",
              dialect.translate(frmMain::listingStatement(QStringLiteral("E01"), false, false,
                                                          dialect.distinctAfterJoins()),
                                {}));
    raw->plan("listing, processed verified",
              dialect.translate(frmMain::listingStatement(QStringLiteral("E01"), true, true,
                                                          dialect.distinctAfterJoins()),
                                {}));
    raw->plan("open", dialect.translate(openStatement(made), {}));
    raw->plan("next number", dialect.translate(frmMain::nextNumberStatement(), {}));
    std::printf("    (%s)\n",
                qPrintable(dialect.translate(frmMain::nextNumberStatement(), {}).sql));

    std::printf("\npeak memory (ru_maxrss): %ld MB\n", peakKb() / 1024);

    if (onServer && !latencies.isEmpty()) {
        // The measures again, each connection (ours and libpq's) through the relay.
        testsupport::TcpProxy proxy(logon->host.toStdString(), logon->port);
        g_roundTrips = [&proxy] { return proxy.roundTrips(); };
        g_resetRoundTrips = [&proxy] { proxy.resetCount(); };
        g_repeats = latencyRepeats;
        db::PostgresLogon relayed = *logon;
        relayed.host = QStringLiteral("127.0.0.1");
        relayed.port = proxy.port();
        QString relayedConninfo;
        for (const QString &pair : conninfo.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!pair.startsWith(QLatin1String("host=")) &&
                !pair.startsWith(QLatin1String("port=")))
                relayedConninfo += pair + QLatin1Char(' ');
        }
        relayedConninfo += QStringLiteral("host=127.0.0.1 port=%1").arg(proxy.port());
        for (const int roundTripMs : std::as_const(latencies)) {
            proxy.setDelay(std::chrono::microseconds(roundTripMs * 500));
            g_roundTripMs = roundTripMs;
            user.attach(db::Connection::openPostgres(relayed), QStringLiteral("E01"));
            PGconn *handle = rawpostgres::connect(relayedConninfo, postgres);
            if (!handle)
                return 1;
            raw = std::make_unique<Raw>(handle);
            std::printf("\nround trip %d ms (%.1f ms each way), %d repeats:\n", roundTripMs,
                        roundTripMs / 2.0, g_repeats);
            printHeader(raw->name());
            {
                // What one round trip costs here: the least statement there is.
                const QString sql = QStringLiteral("Select 1 as One");
                const db::Statement translated = session().dialect().translate(sql, {});
                const Spread ours = timeIt([&] { session().Execute(sql); });
                const Spread direct = timeIt([&] { raw->run(translated); });
                report("trip", QStringLiteral("Select 1"), 1, ours, direct);
            }
            measureKeystrokes(made, *raw, {QStringLiteral("PARA")}, false, false);
            measureListings(*raw, {{false, false}});
            measureOpenIntoGrid(*window, made, *raw);
            // The open left the large request in the grid: the new request of `lines` lines again.
            if (!prepareNewRequest(*window, made, scale, lines) ||
                !measureSave(*window, made, *raw, sent, lines))
                return 1;
            measureItem(made, *raw);
        }
        g_roundTripMs = -1;
        g_roundTrips = nullptr;
        g_resetRoundTrips = nullptr;

        std::printf("\nby round-trip time (medians, ms; trips: round trips per run):\n\n");
        std::printf("| measure | case |");
        for (const int roundTripMs : std::as_const(latencies))
            std::printf(" %d ms ours | libpq |", roundTripMs);
        std::printf(" trips ours | libpq |\n|---|---|");
        for (int i = 0; i < latencies.size(); ++i)
            std::printf("---:|---:|");
        std::printf("---:|---:|\n");
        for (const auto &[key, results] : g_latencyResults) {
            const QStringList parts = key.split(QLatin1Char('|'));
            std::printf("| %s | %s |", qPrintable(parts.at(0)), qPrintable(parts.at(1)));
            for (const LatencyResult &result : results)
                std::printf(" %.2f | %.2f |", result.ours.median, result.raw.median);
            std::printf(" %.0f | %.0f |\n", results.back().ours.roundTrips,
                        results.back().raw.roundTrips);
        }
        std::printf("\npeak memory after the latency runs (ru_maxrss): %ld MB\n", peakKb() / 1024);
    }

    window.reset();
    raw.reset();
    modInventory::objCurrentUser = nullptr;
    return 0;
}
