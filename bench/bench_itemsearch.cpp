// How fast the product search answers on a large catalogue. Every change of the search box runs
// the search, so each keystroke costs one of these statements.
//
// Builds a temporary embedded database with 100,000 items in stock at a supplying location (19)
// and, for most of them, at a requesting department (27); then, for both forms of the search (the
// whole item master, the products held at the two locations) and a few search texts, times:
//   connection  the statement through db::Connection (translation, the query, the row snapshot);
//   sqlite3     the translated statement through the sqlite3 C API, every cell read as text: the
//               floor any layer over SQLite can reach;
//   grid        showing the rows in the dialog's grid (ui::FlexGrid::setRecordset).
// Each figure is the median of several runs in milliseconds. The query plans are printed too.
//
// Run: bench_itemsearch [items] [--analyze]
// --analyze gathers the planner's statistics (ANALYZE) before timing. QT_QPA_PLATFORM=offscreen
// is set when no platform is chosen.

#include "rawsqlite.h"

#include "dialogs/frmItemLookup.h"
#include "platform/db/connection.h"
#include "platform/db/dialect.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/ui/flexgrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

const char *const Syllables[] = {"PA",  "RA",  "CE", "TA", "MOL", "AM",  "OX",  "I",  "CIL",
                                 "LIN", "ZO",  "LE", "DO", "ME",  "TH",  "SAL", "BU", "TOL",
                                 "GLU", "CO",  "SE", "NA", "PRO", "FEN", "KE",  "VI", "DI",
                                 "HY",  "QUI", "NE", "UR", "WA",  "YO",  "JE",  "E",  "O"};

const char *const Forms[] = {"TAB", "CAP", "SYRUP", "AMP", "VIAL", "CREAM", "BOX", "PCS"};

QString itemName(std::mt19937 &random)
{
    std::uniform_int_distribution<int> count(2, 4);
    std::uniform_int_distribution<int> pick(0, int(std::size(Syllables)) - 1);
    QString name;
    for (int i = count(random); i > 0; --i)
        name += QLatin1String(Syllables[pick(random)]);
    return name;
}

void buildCatalogue(db::Connection &connection, int items)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> strength(1, 200);
    std::uniform_int_distribution<int> form(0, int(std::size(Forms)) - 1);

    db::Transaction transaction(connection);
    connection.execute(QStringLiteral("INSERT INTO tbInvLocation (LocationID, Location) "
                                      "VALUES (?, ?), (?, ?)"),
                       {QStringLiteral("19"), QStringLiteral("CENTRAL SUPPLY"),
                        QStringLiteral("27"), QStringLiteral("WARD 3")});
    for (int s = 0; s < 50; ++s) {
        connection.execute(QStringLiteral("INSERT INTO tbInvSupplier (SupplierID, SupplierName) "
                                          "VALUES (?, ?)"),
                           {QStringLiteral("S%1").arg(s), QStringLiteral("SUPPLIER %1").arg(s)});
    }
    const QStringList classes = {QStringLiteral("MED"), QStringLiteral("SUP"),
                                 QStringLiteral("LAB"), QStringLiteral("XRY"),
                                 QStringLiteral("EQP")};
    for (const QString &c : classes) {
        connection.execute(QStringLiteral("INSERT INTO tbInvClassification "
                                          "(ItemClassificationID, ItemClassificationName, "
                                          "IsFixedAsset) VALUES (?, ?, ?)"),
                           {c, c + QStringLiteral(" CLASS"), c == QLatin1String("EQP") ? 1 : 0});
    }

    const QString master = QStringLiteral(
        "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, SupplierID, ItemClassificationID, "
        "ItemStatus, MarkupIn, MarkupOut, Packing, ListCost, AverageCost) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QString stock = QStringLiteral(
        "INSERT INTO tbInvent (ItemID, LocationID, ItemStatus, OnHand, Markup_In, Markup_Out) "
        "VALUES (?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < items; ++i) {
        const QString code = QString::number(100000 + i);
        const int status = percent(random) < 3 ? 1 : 0;
        connection.execute(master,
                           {code, itemName(random),
                            QStringLiteral("%1MG %2")
                                .arg(strength(random) * 5)
                                .arg(QLatin1String(Forms[form(random)])),
                            QStringLiteral("S%1").arg(i % 50), classes.at(i % classes.size()),
                            status, 10, 20, 1 + i % 12, 1.5 + i % 300, 1.25 + i % 250});
        connection.execute(stock, {code, QStringLiteral("19"), percent(random) < 2 ? 1 : 0,
                                   double(i % 500), 15, 25});
        if (percent(random) < 60)
            connection.execute(stock, {code, QStringLiteral("27"), 0, double(i % 40), 0, 0});
    }
    transaction.commit();
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    work(); // warm the caches first
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int items = 100000;
    bool analyze = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--analyze")
            analyze = true;
        else
            items = std::max(1, arg.toInt());
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("itemsearch.db"));
    auto connection = db::createEmbeddedDatabase(path, db::Contents::SchemaOnly);

    QElapsedTimer build;
    build.start();
    buildCatalogue(*connection, items);
    if (analyze)
        connection->Execute(QStringLiteral("ANALYZE"));
    std::printf("catalogue: %d items, built in %.1f s%s\n\n", items,
                double(build.elapsed()) / 1000.0, analyze ? ", statistics gathered" : "");

    sqlite3 *raw = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }

    ui::FlexGrid grid;
    grid.resize(700, 350);

    struct Case
    {
        bool locationForm;
        QString text;
    };
    // A code both forms find: an active item of an ordinary class held active at both locations.
    const db::Recordset found = connection->query(
        QStringLiteral("SELECT M.ItemID FROM tbInvMaster M "
                       "JOIN tbInvent S ON S.ItemID = M.ItemID AND S.LocationID = '19' "
                       "JOIN tbInvent T ON T.ItemID = M.ItemID AND T.LocationID = '27' "
                       "WHERE M.ItemStatus = 0 AND M.ItemClassificationID <> 'EQP' "
                       "AND S.ItemStatus = 0 AND T.ItemStatus = 0 AND M.ItemID >= ? "
                       "ORDER BY M.ItemID LIMIT 1"),
        {QString::number(100000 + items / 2)});
    const QString code =
        found.Eof() ? QString::number(100000 + items / 2) : found.Fields(0).toText();
    const std::vector<Case> cases = {
        {false, QStringLiteral("P")},
        {false, QStringLiteral("PA")},
        {false, QStringLiteral("PAR")},
        {false, QStringLiteral("Z")},
        {false, code},
        {false, QString()},
        {true, QStringLiteral("P")},
        {true, QStringLiteral("PA")},
        {true, QStringLiteral("PAR")},
        {true, QStringLiteral("Z")},
        {true, code},
        {true, QString()},
    };

    std::printf("%-9s %-8s %7s %12s %10s %7s %9s\n", "form", "text", "rows", "connection",
                "sqlite3", "ratio", "grid");
    for (const Case &c : cases) {
        const QString sql = frmItemLookup::productSearchStatement(
            c.text, c.locationForm, QStringLiteral("19"), QStringLiteral("27"));
        const db::Statement translated = connection->dialect().translate(sql, {});
        const bool large = c.text.isEmpty();
        const int runs = large ? 5 : 21;

        int rows = 0;
        db::Recordset result;
        const double viaConnection = medianMs(runs, [&] {
            result = connection->Execute(sql);
            rows = result.RecordCount();
        });
        const double viaSqlite = medianMs(runs, [&] { rawsqlite::run(raw, translated); });
        const double viaGrid = medianMs(large ? 3 : runs, [&] { grid.setRecordset(result); });

        std::printf("%-9s %-8s %7d %10.2f ms %7.2f ms %6.2fx %6.2f ms\n",
                    c.locationForm ? "location" : "master",
                    qPrintable(QLatin1Char('"') + c.text + QLatin1Char('"')), rows, viaConnection,
                    viaSqlite, viaSqlite > 0 ? viaConnection / viaSqlite : 0.0, viaGrid);
    }

    std::printf("\nquery plans (translated statements):\n");
    for (const bool locationForm : {false, true}) {
        for (const QString &text : {QStringLiteral("PA"), code}) {
            const QString sql = frmItemLookup::productSearchStatement(
                text, locationForm, QStringLiteral("19"), QStringLiteral("27"));
            std::printf("  %s form, \"%s\":\n", locationForm ? "location" : "master",
                        qPrintable(text));
            rawsqlite::printPlan(raw, connection->dialect().translate(sql, {}));
        }
    }
    sqlite3_close(raw);
    return 0;
}
