// The embedded file's statements, run on its own handle and translated once per shape: which
// literals become bound values, the same rows, value types and stored values as the same
// statements through QtSql's SQLite driver, a shape reused with other values, the kept statements
// after a schema change or a failure, and a clean close.
#include "support/databases.h"
#include "support/translatedform.h"

#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/procedures.h"
#include "platform/db/sqlitefunctions.h"
#include "platform/db/sqlitestatements.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

using namespace db;

namespace {

const char *const Fixture = R"(
INSERT INTO tbInvLocation (LocationID, Location, Status) VALUES
    ('19', 'MAIN STORE', 'A'), ('27', 'WARD 3', NULL), ('8', 'O''BRIEN WARD', '');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ListCost, ItemStatus, Packing) VALUES
    ('12', 'PARACETAMOL', '500MG TAB', 1.25, 0, 100),
    ('9', 'PARACETAMOL', '250MG/5ML SYRUP', 45.5, 0, 1),
    ('P0007', 'AMOXICILLIN', '500MG CAP', 3.5, NULL, 100);
INSERT INTO tbInvent (ItemID, LocationID, OnHand, ItemStatus) VALUES
    ('12', '19', 500, 0), ('9', '19', 0, 1), ('P0007', '19', 7, 0);
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, LocationID,
                                  TargetLocationID, TransDate, UserID, Remarks) VALUES
    ('7', '12', 5, 1.1, '19', '27', '2026-03-02 09:00:00', 'E01', 'WARD STOCK');
CREATE TABLE tbTypes (K INTEGER PRIMARY KEY, T VARCHAR(20), N NUMERIC, R REAL, I INTEGER,
                      B BLOB, D DATETIME);
)";

// A cell as text that tells its type and its exact value apart.
QString describe(const QVariant &v)
{
    const QString type = QString::fromLatin1(v.typeName() ? v.typeName() : "invalid");
    if (v.isNull())
        return type + QStringLiteral(":null");
    if (v.typeId() == QMetaType::Double)
        return type + QLatin1Char(':') + QString::number(v.toDouble(), 'g', 17);
    if (v.typeId() == QMetaType::QByteArray)
        return type + QLatin1Char(':') + QString::fromLatin1(v.toByteArray().toHex());
    return type + QLatin1Char(':') + v.toString();
}

struct Result
{
    bool open = false;
    QStringList names;
    QStringList rows; // cells described, "|" between them
    int affected = -1;

    bool operator==(const Result &) const = default;
};

QDebug operator<<(QDebug d, const Result &r) // shown when a comparison fails
{
    return d << r.open << r.names << r.rows << r.affected;
}

char *toString(const Result &r)
{
    QString text;
    QDebug(&text) << r;
    return qstrdup(text.toUtf8().constData());
}

Result resultOf(const Recordset &rs, int affected)
{
    Result r;
    r.affected = affected;
    r.open = rs.IsOpen();
    if (!r.open)
        return r;
    r.names = rs.FieldNames();
    for (int row = 0; row < rs.RecordCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < rs.FieldCount(); ++c)
            cells << describe(rs.value(row, c));
        r.rows << cells.join(QLatin1Char('|'));
    }
    return r;
}

// The way every statement ran before: QtSql's SQLite driver on a handle of its own, with the
// program's functions registered on it.
class QtSqlPath
{
public:
    explicit QtSqlPath(const QString &path) : m_name(QStringLiteral("qtsql-%1").arg(++s_count))
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setDatabaseName(path);
        if (!m_db.open())
            qFatal("cannot open %s", qPrintable(path));
        const QVariant handle = m_db.driver()->handle();
        registerSqliteFunctions(*static_cast<sqlite3 *const *>(handle.data()));
    }
    ~QtSqlPath()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

    Result run(const Statement &statement)
    {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        bool ok = q.prepare(statement.sql);
        for (const QVariant &v : statement.params)
            q.addBindValue(v);
        ok = ok && q.exec();
        if (!ok)
            qFatal("QtSql failed: %s", qPrintable(q.lastError().text()));
        Result r;
        r.affected = q.numRowsAffected();
        r.open = q.isSelect();
        if (!r.open)
            return r;
        const QSqlRecord record = q.record();
        for (int i = 0; i < record.count(); ++i)
            r.names << record.fieldName(i);
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < record.count(); ++i)
                cells << describe(q.value(i));
            r.rows << cells.join(QLatin1Char('|'));
        }
        return r;
    }

    Result run(const QString &sql) { return run(Statement{sql, {}, {}, {}}); }

private:
    static inline int s_count = 0;
    QString m_name;
    QSqlDatabase m_db;
};

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

// Columns that hold text, as the connection reads them from the embedded file.
template <typename D> D withTextColumns(D dialect)
{
    dialect.setTextColumns({q("itemid"), q("itemname"), q("itemdesc"), q("location"),
                            q("locationid"), q("remarks"), q("documentnumber"), q("userid")});
    return dialect;
}

} // namespace

class TestSqliteStatements : public QObject
{
    Q_OBJECT

private slots:
    // Which literals become bound values, and which stay in the text for the translator.
    void shapes_data()
    {
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QVariantList>("params");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("comparisons")
            << q("Select A From T Where B = 'x' And C <> -5 And D >= 1.25 And E < - 0.5")
            << QVariantList() << q("Select A From T Where B = ? And C <> ? And D >= ? And E < ?")
            << QVariantList{q("x"), qlonglong(-5), 1.25, -0.5};
        QTest::newRow("insert values, N strings and doubled quotes")
            << q("Insert INVENTORY..T (A, B, C, D) Values ('O''Brien', N'caf\u00e9 ''x''', -2, "
                 "007)")
            << QVariantList() << q("Insert INVENTORY..T (A, B, C, D) Values (?, ?, ?, ?)")
            << QVariantList{q("O'Brien"), q("caf\u00e9 'x'"), qlonglong(-2), qlonglong(7)};
        QTest::newRow("several rows; a date stays")
            << q("Insert T (A, D) Values ('x', '12/08/2026 01:13:29 PM'), (1, N'1/2/2027')")
            << QVariantList()
            << q("Insert T (A, D) Values (?, '12/08/2026 01:13:29 PM'), (?, N'1/2/2027')")
            << QVariantList{q("x"), qlonglong(1)};
        QTest::newRow("bound values keep their places")
            << q("Select A From T Where B = ? And C = 'x' And D = ?") << QVariantList{1, q("y")}
            << q("Select A From T Where B = ? And C = ? And D = ?")
            << QVariantList{1, q("x"), q("y")};
        QTest::newRow("comments kept as they are")
            << q("Select A /* B = 'x' */ From T -- C = 'y'\nWhere C = 'z'") << QVariantList()
            << q("Select A /* B = 'x' */ From T -- C = 'y'\nWhere C = ?") << QVariantList{q("z")};
        QTest::newRow("subqueries outside the select list")
            << q("Select (A) As A From T Where B In (Select C From U Where D = 'x') Order By 1")
            << QVariantList()
            << q("Select (A) As A From T Where B In (Select C From U Where D = ?) Order By 1")
            << QVariantList{q("x")};
        QTest::newRow("insert of a select")
            << q("Insert T (A) Select B From U Where C = 3 Order By 1") << QVariantList()
            << q("Insert T (A) Select B From U Where C = ? Order By 1")
            << QVariantList{qlonglong(3)};
        // Nothing lifted: the statement as written.
        const QStringList unchanged = {
            q("Select A From T Where B = 'x' + C"),
            q("Select A From T Where B + 'x' = C"),
            q("Select Top 5 A From T Where B Like 'x%' Order By 1"),
            q("Update T Set A = 5 * B, C = (1), D = 1 - 2 Where E In ('a', 'b')"),
            q("Select A From T Where B Between 1 And 2 And C = 'x' Collate NoCase"),
            q("Insert T (A, B) Values ((1), 'x' + 'y')"),
            q("Select A From T Where B = 1.1"), // no reading of SQLite's for it here
            q("Select A From T Where B = 99999999999999999999 And C = 1.0000000000000001"),
            q("Select A From T Where D = '12/08/2026' And E = '1/2/27'"),
            q("Select A = 1, Case When B = 'x' Then 1 End, (Select C From U Where D = 2) From T"),
            q("Inventory..sp_Inv_UserLocation 'E01'"),
            q("EXEC Inventory..sp_Inv_KitofItems_PerItem K001, 12"),
            q("Pragma user_version = 5"),
            q("Select A From T Where B = 'x"),
        };
        for (const QString &tsql : unchanged)
            QTest::newRow(qPrintable(tsql)) << tsql << QVariantList() << tsql << QVariantList();
        QTest::newRow("values for marks that are not there: unchanged")
            << q("Select A From T Where B = 'x'") << QVariantList{1}
            << q("Select A From T Where B = 'x'") << QVariantList{1};
    }

    void shapes()
    {
        QFETCH(QString, tsql);
        QFETCH(QVariantList, params);
        QFETCH(QString, shape);
        QFETCH(QVariantList, values);
        const StatementShape made = statementShape(tsql, params);
        QCOMPARE(made.text, shape);
        QCOMPARE(made.lifted, shape != tsql);
        QCOMPARE(made.values.size(), values.size());
        for (int i = 0; i < values.size(); ++i) {
            QCOMPARE(made.values.at(i).typeId(), values.at(i).typeId());
            QCOMPARE(made.values.at(i), values.at(i));
        }
    }

    // A statement's shape, with its lifted values bound, translates as the statement as written
    // (a refusal of both counts as the same): a literal the translator reads (a date, a string
    // joined by "+", a procedure's argument) must stay in the text.
    void shapeTranslatesAsWritten_data()
    {
        QTest::addColumn<QString>("dialect");
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QVariantList>("params");
        QTest::addColumn<bool>("lifts");
        const auto row = [](const char *name, const QString &tsql, const QVariantList &params,
                            bool lifts) {
            for (const char *dialect : {"SQLite", "PostgreSQL"})
                QTest::addRow("%s, %s", name, dialect) << q(dialect) << tsql << params << lifts;
        };
        row("doubled quotes",
            q("Select ItemName From tbInvMaster Where ItemID = 'O''Brien' And ItemStatus = 0"), {},
            true);
        row("N strings", q("Select A From T Where B = N'caf\u00e9 ''x''' Or C <> N''"), {}, true);
        row("comments", q("Select A /* B = 'x' */ From T -- C = 'y'\nWhere C = 'z' And D = /**/ 5"),
            {}, true);
        row("bracketed names",
            q("Select [Item Name] From [tbInvMaster] Where [ItemID] = '12' And [ListCost] >= 1.25"),
            {}, true);
        row("negative and decimal numbers",
            q("Delete T Where A = -5 And B <> - 0.5 And C > .5 And D = 007 And E = 1.0 And F = "
              "10."),
            {}, true);
        row("numbers that stay",
            q("Delete T Where A = 99999999999999999999 And B = 1.0000000000000001 And C = 1.1 "
              "And D = 1.2.3"),
            {}, false);
        row("exponents", q("Select A From T Where B = 1e3 And C < 2.5E-2 And D = 1"), {}, true);
        row("dates", q("Update T Set D = '12/08/2026 01:13:29 PM' Where K = 3 And E > '1/2/2027'"),
            {}, true);
        row("ISO dates against a date column",
            q("Select DocumentNumber From tbInvWithdrawRequest Where TransDate >= '2026-03-02' And "
              "TransDate < '2026-03-03 00:00:00'"),
            {}, true);
        row("like", q("Select A From T Where B Like 'x%' And C = 'y' And D Not Like N'%z'"), {},
            true);
        row("top", q("Select Top 5 A From T Where B = 2 Order By A"), {}, true);
        row("plus",
            q("Select A From T Where ItemName = 'x' + ItemDesc And D = C + 'y' And E = 1 + 2 "
              "And F = 'z'"),
            {}, true);
        row("insert values",
            q("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
              "TransDate, Remarks) Values ('8', '12', -3, 12.5, '12/08/2026 01:13:29 PM', "
              "'for O''Brien''s ward'), ('9', N'13', (1), 'a' + 'b', GetDate(), Null)"),
            {}, true);
        row("insert of a select",
            q("Insert T (A, B) Select B, 'k' From U Where C = 3 And D <> 'x' Order By 1"), {},
            true);
        row("update",
            q("Update tbInvMaster Set ItemName = 'PARA', ListCost = 1.5 Where ItemID = 'P0007'"),
            {}, true);
        row("select list and case",
            q("Select A = 1, Case When B = 'x' Then 1 Else 2 End As C, (Select D From U Where "
              "E = 2) From T Where F = 'z' And IsNull(G, '') = 'w'"),
            {}, true);
        row("subquery and having",
            q("Select A, Count(*) From T Where B In (Select C From U Where D = 'x') Group By A "
              "Having Count(*) > 2 Order By 2"),
            {}, true);
        row("date conversion",
            q("Select A From T Where Convert(datetime, D) >= '12/01/2026' And E = 'x'"), {}, true);
        row("procedure call", q("Inventory..sp_Inv_UserLocation 'E01'"), {}, false);
        row("procedure call with exec", q("EXEC Inventory..sp_Inv_KitofItems_PerItem 'K001', 12"),
            {}, false);
        row("values already bound",
            q("Select A From T Where B = ? And C = 'x' And D = ? And E = -1"), {1, q("y")}, true);
        row("insert with values already bound", q("Insert T (A, B, C, D) Values (?, 'x', ?, 4)"),
            {q("a"), 2.5}, true);
        row("unterminated string", q("Select A From T Where B = 'x"), {}, false);
        row("nothing to lift", q("Select A From T"), {}, false);
    }

    void shapeTranslatesAsWritten()
    {
        QFETCH(QString, dialect);
        QFETCH(QString, tsql);
        QFETCH(QVariantList, params);
        QFETCH(bool, lifts);
        const auto procedures = ProcedureCatalog::builtIn();
        const SqliteDialect sqlite = withTextColumns(SqliteDialect(procedures, true));
        const PostgresDialect postgres = withTextColumns(PostgresDialect(procedures));
        const Dialect &d = dialect == q("SQLite") ? static_cast<const Dialect &>(sqlite)
                                                  : static_cast<const Dialect &>(postgres);
        const StatementShape shape = statementShape(tsql, params);
        QCOMPARE(shape.lifted, lifts);
        QCOMPARE(testsupport::translatedForm(d, shape.text, shape.values),
                 testsupport::translatedForm(d, tsql, params));
    }

    // Each statement through the connection and through QtSql on a twin of the same file: the
    // same result, and the same stored values in the table it changed.
    void sameAsQtSql_data()
    {
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QVariantList>("params");
        QTest::addColumn<QString>("table"); // read from both files afterwards; "" for a query
        const QString requests = q("Select * From tbInvWithdrawRequest Order By LineID");
        const QString types = q("Select K, typeof(T), T, typeof(N), N, typeof(R), R, typeof(I), "
                                "I, typeof(B), B, typeof(D), D From tbTypes Order By K");
        const QString items = q("Select * From tbInvMaster Order By ItemID");
        QTest::newRow("save line: date inline, quotes, decimals")
            << q("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, "
                 "UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, "
                 "Remarks) Values ('8','12',3,12.5,'N', '0', '19', '27', "
                 "'12/08/2026 01:13:29 PM', 'E01', 'for O''Brien''s ward')")
            << QVariantList() << requests;
        QTest::newRow("numbers of every kind") << q("Insert tbTypes (K, T, N, R, I, D) Values (1, "
                                                    "5481.365499, -0.1, 8322595.55406219, "
                                                    "007, -12.75)")
                                               << QVariantList() << types;
        QTest::newRow("N strings and date-like text")
            << q("Insert tbTypes (K, T, N, D) Values (2, N'caf\u00e9 ''q''', '12', '12/08/2026'),"
                 " (3, '12/08/2026', N'', '1/2/2027 1:05 PM')")
            << QVariantList() << types;
        QTest::newRow("update compared with numbers")
            << q("Update INVENTORY..tbInvMaster Set ListCost = 2.75, ItemDesc = 'TAB ''500''', "
                 "Packing = -1 Where ItemID = '12' And Packing >= 100")
            << QVariantList() << items;
        QTest::newRow("delete") << q("Delete INVENTORY..tbInvWithdrawRequest Where "
                                     "DocumentNumber = '7'")
                                << QVariantList() << requests;
        QTest::newRow("bound values of every type")
            << q("Insert tbTypes (K, T, N, R, I, B, D) Values (?, ?, ?, 1.5, ?, ?, ?)")
            << QVariantList{4,
                            QString(),
                            QString(""),
                            true,
                            QByteArray("\0x", 2),
                            QDateTime(QDate(2026, 12, 8), QTime(13, 13, 29, 5))}
            << types;
        QTest::newRow("bound values of other types")
            << q("Insert tbTypes (K, T, N, R, I, B, D) Values (?, ?, ?, ?, ?, ?, ?)")
            << QVariantList{qlonglong(5),   2.5,         uint(7), QVariant(), QDate(2026, 1, 2),
                            QTime(1, 2, 3), QByteArray()}
            << types;
        QTest::newRow("like prefix") << q("Select ItemID, ItemName From INVENTORY..tbInvMaster "
                                          "Where ItemName Like 'PARA%' Order By ItemID")
                                     << QVariantList() << QString();
        QTest::newRow("top and order by position")
            << q("Select Top 2 ItemID, ListCost From tbInvMaster Where Packing > 1 Order By 2 Desc")
            << QVariantList() << QString();
        QTest::newRow("concatenation")
            << q("Select ItemName + ' (' + ItemDesc + ')' As Name From tbInvMaster "
                 "Where ItemName + '' = 'PARACETAMOL' Order By 1")
            << QVariantList() << QString();
        QTest::newRow("negative and decimal comparisons")
            << q("Select ItemID, ListCost * 2, Packing From tbInvMaster Where ListCost > -1.5 And "
                 "ListCost <> 45.5 Order By 1")
            << QVariantList() << QString();
        QTest::newRow("procedure")
            << q("Inventory..sp_Inv_SearchItem_In_Invent '12','19'") << QVariantList() << QString();
        QTest::newRow("procedure, unquoted arguments")
            << q("EXEC Inventory..sp_Inv_KitofItems_PerItem K001, 12") << QVariantList()
            << QString();
        QTest::newRow("bound values among literals")
            << q("Select ItemID From tbInvMaster Where ItemName = ? And Packing = 100 And "
                 "ItemDesc <> ? Order By ItemID")
            << QVariantList{q("PARACETAMOL"), q("x")} << QString();
        QTest::newRow("value types")
            << q("Select 1 As I, 1.5 As R, 'x' As T, NULL As N, X'00FF' As B, zeroblob(0) As E, "
                 "'' As S, 9223372036854775807 As Big, 1e300 As F, GetDate() > '2020' As G")
            << QVariantList() << QString();
        QTest::newRow("column names")
            << q("Select A.ItemName, A.ItemID As \"a.b\", 1 As [x \"y\"], count(*), "
                 "PatIndex('%CET%', A.ItemName) From tbInvMaster A Group By A.ItemName, A.ItemID "
                 "Order By 2")
            << QVariantList() << QString();
        QTest::newRow("comparisons named by their text")
            << q("Select ItemID = '12', Case When Packing > 50 Then 'big' End, ItemID From "
                 "tbInvMaster Where ItemID <> 'x' Order By 3")
            << QVariantList() << QString();
        QTest::newRow("no rows") << q("Select ItemID, ListCost From tbInvMaster Where ItemID = 'x'")
                                 << QVariantList() << QString();
        QTest::newRow("no rows changed")
            << q("Update tbInvMaster Set Packing = 2 Where ItemID = 'none'") << QVariantList()
            << items;
    }

    void sameAsQtSql()
    {
        QFETCH(QString, tsql);
        QFETCH(QVariantList, params);
        QFETCH(QString, table);
        QTemporaryDir dir;
        const QString ours = dir.filePath(QStringLiteral("ours.db"));
        const QString theirs = dir.filePath(QStringLiteral("theirs.db"));
        auto connection = createEmbeddedDatabase(ours, Contents::SchemaOnly);
        connection->runScript(q(Fixture));
        auto twin = createEmbeddedDatabase(theirs, Contents::SchemaOnly);
        twin->runScript(q(Fixture));

        // Twice: the second run takes the kept translation and statement.
        for (int pass = 0; pass < 2; ++pass) {
            Result got;
            try {
                int affected = -1;
                if (params.isEmpty()) {
                    const Recordset rs = connection->Execute(tsql, &affected);
                    got = resultOf(rs, affected);
                } else {
                    got = resultOf(connection->query(tsql, params), -1);
                }
            } catch (const DbError &e) {
                QFAIL(qPrintable(e.description()));
            }
            QtSqlPath qtsql(theirs);
            Result expected = qtsql.run(twin->dialect().translate(tsql, params));
            // Rows touched: of an action statement only (a query leaves the count of the last
            // change, and QtSql's handle made none).
            if (!params.isEmpty() || expected.open)
                got.affected = expected.affected = -1;
            QCOMPARE(got, expected);
            if (!table.isEmpty()) {
                QtSqlPath reader(ours);
                QCOMPARE(reader.run(table).rows, qtsql.run(table).rows);
            }
            if (!table.isEmpty() && tsql.startsWith(QLatin1String("Insert")))
                break; // a second insert of the same keys fails on both
        }
    }

    // One shape, other values: each run gives its own values' rows and stores its own values.
    void shapeReusedWithOtherValues()
    {
        QTemporaryDir dir;
        auto connection =
            createEmbeddedDatabase(dir.filePath(QStringLiteral("reuse.db")), Contents::SchemaOnly);
        connection->runScript(q(Fixture));
        const QStringList ids = {q("12"), q("9"), q("none"), q("P0007"), q("12")};
        for (const QString &id : ids) {
            const QStringList rows = testsupport::rows(
                *connection, q("Select ItemID From tbInvMaster Where ItemID = '") + id + q("'"));
            QCOMPARE(rows, id == q("none") ? QStringList() : QStringList{id});
            // A procedure's arguments are bound to its one statement.
            const QStringList stock = testsupport::rows(
                *connection, q("Inventory..sp_Inv_SearchItem_In_Invent '") + id + q("','19'"));
            QCOMPARE(stock.size(), id == q("none") ? 0 : 1);
        }
        for (int k = 10; k < 14; ++k) {
            connection->Execute(
                QStringLiteral("Insert tbTypes (K, T, R) Values (%1, 'n%1', %1.25)").arg(k));
        }
        QCOMPARE(testsupport::rows(*connection, q("Select K, T, R From tbTypes Order By K")),
                 (QStringList{q("10|n10|10.25"), q("11|n11|11.25"), q("12|n12|12.25"),
                              q("13|n13|13.25")}));
        // A bound Null is no stale value of the run before.
        connection->query(q("Update tbTypes Set T = ? Where K = 10"), {q("x")});
        connection->query(q("Update tbTypes Set T = ? Where K = 11"), {QVariant()});
        QCOMPARE(testsupport::rows(*connection, q("Select T From tbTypes Where K In (10, 11) "
                                                  "Order By K")),
                 (QStringList{q("x"), q("<null>")}));
    }

    // The kept statements follow the schema, and a failure leaves them usable and reset: another
    // connection can still write and checkpoint the journal.
    void keptAcrossSchemaChangesAndFailures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kept.db"));
        auto connection = createEmbeddedDatabase(path, Contents::SchemaOnly);
        connection->runScript(q(Fixture));
        const QString all = q("Select * From tbTypes Where K = 1");
        connection->Execute(q("Insert tbTypes (K, T) Values (1, 'a')"));
        QCOMPARE(connection->Execute(all).FieldCount(), 7);
        connection->runScript(q("ALTER TABLE tbTypes ADD COLUMN Z VARCHAR(5) DEFAULT 'z'"));
        QCOMPARE(connection->Execute(all).FieldCount(), 8);
        QCOMPARE(connection->Execute(all).Fields(q("Z")).toText(), q("z"));

        // A failed insert, then the same shape with another key.
        try {
            connection->Execute(q("Insert tbTypes (K, T) Values (1, 'b')"));
            QFAIL("the duplicate key was stored");
        } catch (const DbError &e) {
            QVERIFY2(e.description().contains(q("UNIQUE")), qPrintable(e.description()));
            QCOMPARE(e.statement(), q("Insert tbTypes (K, T) Values (1, 'b')"));
        }
        connection->Execute(q("Insert tbTypes (K, T) Values (2, 'b')"));
        // A query that fails after its first row, twice, and a table gone and made again.
        const QString overflow = q("Select abs(K - 9223372036854775807 - 3) From tbTypes "
                                   "Order By K");
        for (int i = 0; i < 2; ++i)
            QVERIFY_THROWS_EXCEPTION(DbError, connection->Execute(overflow));
        connection->runScript(q("DROP TABLE tbTypes"));
        QVERIFY_THROWS_EXCEPTION(DbError, connection->Execute(all));
        connection->runScript(q("CREATE TABLE tbTypes (K INTEGER PRIMARY KEY, T TEXT)"));
        connection->Execute(q("Insert tbTypes (K, T) Values (1, 'again')"));
        QCOMPARE(testsupport::rows(*connection, all), QStringList{q("1|again")});

        auto other = Connection::openSqlite(path);
        other->Execute(q("Insert tbTypes (K, T) Values (3, 'other')"));
        sqlite3 *raw = nullptr;
        QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        const int rc =
            sqlite3_wal_checkpoint_v2(raw, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_close(raw);
        QCOMPARE(rc, SQLITE_OK);
    }

    // The last connection to close checkpoints the journal and removes it: it cannot while a
    // statement of it is left unfinalized.
    void closesWithKeptStatements()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("close.db"));
        {
            auto connection = createEmbeddedDatabase(path, Contents::SchemaOnly);
            connection->runScript(q(Fixture));
            for (int k = 0; k < SqliteStatements::Capacity + 10; ++k)
                connection->Execute(QStringLiteral("Select %1, ItemID From tbInvMaster Where "
                                                   "ItemID = '%1'")
                                        .arg(k));
            QVERIFY(QFile::exists(path + q("-wal")));
        }
        QVERIFY(!QFile::exists(path + q("-wal")));
    }
};

INVENTORY_DB_TEST_MAIN(TestSqliteStatements)
#include "tst_sqlitestatements.moc"
