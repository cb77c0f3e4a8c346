// The connection on every engine the machine has (the embedded file over QtSql's SQLite driver
// and over the SQLite ODBC driver, the PostgreSQL test server): quoting, procedures, functions,
// logging, and the failures a user can meet.
#include "support/databases.h"
#include "support/sqllog.h"

#include "support/serverdatabase.h"

#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlquote.h"

#include <QFile>
#include <QRegularExpression>

using namespace db;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvLocation (LocationID, Location, Status, isWarehouse, isDispensingArea, AllowOrder)
    VALUES ('19', 'CENTRAL SUPPLY', 'A', 1, 0, 1);
INSERT INTO tbInvLocation (LocationID, Location, Status, isWarehouse, isDispensingArea, AllowOrder)
    VALUES ('27', 'WARD 3', NULL, 0, 0, 1);
INSERT INTO tbInvLocation (LocationID, Location, Status, isWarehouse, isDispensingArea, AllowOrder)
    VALUES ('30', 'OLD WING', 'I', 0, 0, 0);
INSERT INTO tbinvUserLocation (UserID, LocationID) VALUES ('E01', '19');
INSERT INTO tbinvUserLocation (UserID, LocationID) VALUES ('E01', '27');
INSERT INTO tbinvUserLocation (UserID, LocationID) VALUES ('E01', '30');
)";

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_fixtures = 0;

    // A new fixture database on the row's engine (a file of its own on the embedded ones).
    std::unique_ptr<Connection> open()
    {
        m_path = m_dir.filePath(QStringLiteral("conn%1.db").arg(++m_fixtures));
        auto c =
            testsupport::newDatabase(m_dir, Contents::SchemaOnly, QFileInfo(m_path).fileName());
        c->runScript(QString::fromLatin1(Fixture));
        return c;
    }

    static bool overOdbc()
    {
        return testsupport::currentEngine() == testsupport::Engine::SqliteOdbc;
    }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }

    void init() { INVENTORY_USE_ENGINE_OF_ROW(); }

    void cleanup() { testsupport::useEngine(testsupport::Engine::Sqlite, nullptr); }

    void dialectChosenByServer()
    {
        auto c = open();
        const bool server = !testsupport::onEmbeddedFile();
        QCOMPARE(c->dialect().isSqlite(), !server);
        QCOMPARE(c->dbmsName(), server ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"));
    }

    void quotedValuesStoredAsTyped_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QStringLiteral("WARD 9");
        QTest::newRow("apostrophe") << QStringLiteral("O'BRIEN WARD");
        QTest::newRow("injection") << QStringLiteral("X'); Delete INVENTORY..tbInvLocation --");
        QTest::newRow("doubled") << QStringLiteral("''");
    }

    void quotedValuesStoredAsTyped()
    {
        QFETCH(QString, value);
        auto c = open();
        c->Execute(QStringLiteral(
                       "Insert INVENTORY..tbInvLocation (LocationID, Location) Values ('40', '") +
                   sqlText(value) + QStringLiteral("')"));
        Recordset rs = c->OpenRecordset(
            QStringLiteral("Select * From INVENTORY..tbInvLocation Where Location = '") +
            sqlText(value) + QStringLiteral("'"));
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.Fields(QStringLiteral("Location")).toText(), value);
        QCOMPARE(
            testsupport::rows(*c, QStringLiteral("Select Count(*) From INVENTORY..tbInvLocation")),
            QStringList{QStringLiteral("4")});
    }

    // Text SQLite would read otherwise than it was written (UTF-16 it takes as a pair, a
    // byte-order mark), or an engine would cut at a NUL, reaches every engine in its storable
    // form, the same on each: written into a statement through the quote helper or bound, it is
    // stored, found and given back so.
    void unstorableTextStoredInItsStorableForm_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored");
        const QChar high(0xD83D);
        const QChar low(0xDE00);
        const QChar replacement(QChar::ReplacementCharacter);
        QTest::newRow("high surrogate before a quote")
            << QStringLiteral("A") + high + QStringLiteral("'B")
            << QStringLiteral("A") + replacement + QStringLiteral("'B");
        QTest::newRow("high surrogate at the end")
            << QStringLiteral("AB") + high << QStringLiteral("AB") + replacement;
        QTest::newRow("low surrogate alone")
            << QStringLiteral("A") + low + QStringLiteral("B")
            << QStringLiteral("A") + replacement + QStringLiteral("B");
        QTest::newRow("leading byte-order mark")
            << QChar(0xFEFF) + QStringLiteral("AB") << QStringLiteral("AB");
        QTest::newRow("leading swapped byte-order mark")
            << QChar(0xFFFE) + QStringLiteral("AB") << QStringLiteral("AB");
        QTest::newRow("NUL inside")
            << QStringLiteral("AB") + QChar(0) + QStringLiteral("CD") << QStringLiteral("ABCD");
        QTest::newRow("pair kept") << QStringLiteral("A") + high + low + QStringLiteral("'B")
                                   << QStringLiteral("A") + high + low + QStringLiteral("'B");
    }

    void unstorableTextStoredInItsStorableForm()
    {
        QFETCH(QString, value);
        QFETCH(QString, stored);
        if (overOdbc() &&
            std::any_of(stored.cbegin(), stored.cend(), [](QChar c) { return c.isSurrogate(); }))
            QSKIP("The SQLite ODBC driver misreads a character beyond the first 65,536 even when "
                  "it is written as a proper pair.");
        auto c = open();
        c->Execute(QStringLiteral(
                       "Insert INVENTORY..tbInvLocation (LocationID, Location) Values ('40', '") +
                   sqlText(value) + QStringLiteral("')"));
        QCOMPARE(c->execute(
                     QStringLiteral("Insert INVENTORY..tbInvLocation (LocationID, Location) Values "
                                    "(?, ?)"),
                     {QStringLiteral("41"), value}),
                 1);
        const QStringList both{QStringLiteral("40|") + stored, QStringLiteral("41|") + stored};
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select LocationID, Location From "
                                                      "INVENTORY..tbInvLocation Where LocationID "
                                                      "In ('40', '41') Order By LocationID")),
                 both);
        // Found by what was written, and by the stored form itself: nothing unseen (a
        // byte-order mark the reading drops) was kept.
        for (const QString &sought : {value, stored})
            QCOMPARE(testsupport::rows(*c, QStringLiteral("Select LocationID, Location From "
                                                          "INVENTORY..tbInvLocation Where "
                                                          "Location = '") +
                                               sqlText(sought) +
                                               QStringLiteral("' Order By LocationID")),
                     both);
        Recordset bound = c->query(QStringLiteral("Select Location From INVENTORY..tbInvLocation "
                                                  "Where Location = ? Order By LocationID"),
                                   {value});
        QCOMPARE(bound.RecordCount(), 2);
        QCOMPARE(bound.Fields(QStringLiteral("Location")).toText(), stored);
    }

    void textComparesWithoutCase()
    {
        auto c = open();
        QCOMPARE(
            testsupport::rows(*c, QStringLiteral("Select LocationID From INVENTORY..tbInvLocation "
                                                 "Where Location = 'ward 3'")),
            QStringList{QStringLiteral("27")});
        QCOMPARE(
            testsupport::rows(*c, QStringLiteral("Select LocationID From INVENTORY..tbInvLocation "
                                                 "Where Location Like 'cent%'")),
            QStringList{QStringLiteral("19")});
    }

    void procedureWithBoundArguments()
    {
        auto c = open();
        QCOMPARE(testsupport::rows(*c, QStringLiteral("INVENTORY..sp_Inv_UserLocation 'E01'")),
                 (QStringList{QStringLiteral("CENTRAL SUPPLY|19"), QStringLiteral("WARD 3|27")}));
        QCOMPARE(testsupport::rows(
                     *c, QStringLiteral("INVENTORY..sp_Inv_UserLocation 'E01'' or ''1''=''1'")),
                 QStringList());
    }

    void serverFunctions()
    {
        auto c = open();
        Recordset rs = c->OpenRecordset(QStringLiteral(
            "Select GetDate() as Now, PatIndex('%.%', '12.3') as Dot, "
            "PatIndex('%.%', '45') as None From INVENTORY..tbInvLocation Where LocationID = '19'"));
        const QDateTime now = rs.Fields(QStringLiteral("Now")).toDate();
        QVERIFY2(qAbs(now.secsTo(QDateTime::currentDateTime())) < 60, qPrintable(now.toString()));
        QCOMPARE(rs.Fields(QStringLiteral("Dot")).toLong(), 3);
        QCOMPARE(rs.Fields(QStringLiteral("None")).toLong(), 0);
    }

    // A stored date and time comes back as the local date and time written, to the millisecond.
    void storedTimesReadBack_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QDateTime>("read");
        QTest::newRow("whole seconds") << QStringLiteral("2026-12-10 08:30:15")
                                       << QDateTime(QDate(2026, 12, 10), QTime(8, 30, 15));
        QTest::newRow("tenths") << QStringLiteral("2026-12-10 23:59:59.5")
                                << QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59, 500));
        QTest::newRow("milliseconds") << QStringLiteral("2024-02-29 00:00:00.007")
                                      << QDateTime(QDate(2024, 2, 29), QTime(0, 0, 0, 7));
        QTest::newRow("no date yet")
            << QStringLiteral("1899-12-30 00:00:00") << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    }

    void storedTimesReadBack()
    {
        QFETCH(QString, written);
        QFETCH(QDateTime, read);
        auto c = open();
        c->Execute(QStringLiteral("Insert INTO INVENTORY..tbInvWithdrawRequest (DocumentNumber, "
                                  "ItemID, LocationID, TransDate) Values ('77', 'X', '19', '%1')")
                       .arg(written));
        const Recordset rs = c->OpenRecordset(QStringLiteral(
            "Select TransDate From INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '77'"));
        QCOMPARE(rs.Fields(QStringLiteral("TransDate")).toDate(), read);
    }

    void actionStatementsReportRows()
    {
        auto c = open();
        int affected = -1;
        const Recordset rs = c->Execute(
            QStringLiteral(
                "Update INVENTORY..tbInvLocation Set AllowOrder = 0 Where AllowOrder = 1"),
            &affected);
        QVERIFY(!rs.IsOpen());
        QCOMPARE(affected, 2);
        QCOMPARE(c->execute(QStringLiteral("Delete INVENTORY..tbInvLocation Where LocationID = ?"),
                            {QStringLiteral("30")}),
                 1);
        QCOMPARE(c->query(QStringLiteral(
                              "Select Location From INVENTORY..tbInvLocation Where LocationID = ?"),
                          {QStringLiteral("27")})
                     .Fields(0)
                     .toText(),
                 QStringLiteral("WARD 3"));
    }

    void statementsAreLogged()
    {
        auto c = open();
        testsupport::SqlLog log;
        const QString written =
            QStringLiteral("Select Location From INVENTORY..tbInvLocation Where LocationID = '19'");
        c->Execute(written);
        const QString bad = QStringLiteral("Select Nothing From INVENTORY..tbNoSuchTable");
        QVERIFY_THROWS_EXCEPTION(DbError, c->Execute(bad));
        QLoggingCategory::setFilterRules(QStringLiteral("inventory.sql.debug=false"));
        c->Execute(written);
        const QStringList entries = log.entries();

        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.at(0), QStringLiteral("debug ") + written); // as the program wrote it
        QCOMPARE(entries.at(1), QStringLiteral("debug ") + bad);
        QVERIFY2(entries.at(2).startsWith(QStringLiteral("warning failed: ") + bad),
                 qPrintable(entries.at(2)));
        QVERIFY2(entries.at(2).contains(QLatin1String("tbNoSuchTable")), qPrintable(entries.at(2)));

        // A statement of the program's own, with bound values, that cannot be translated is
        // logged as failed too, as the written statements are.
        testsupport::SqlLog bound;
        const QString untranslatable = QStringLiteral("Inventory..sp_Inv_UserLocation ?");
        QVERIFY_THROWS_EXCEPTION(DbError, c->query(untranslatable, {QStringLiteral("E01")}));
        const QStringList said = bound.entries();
        QVERIFY2(said.size() == 1 &&
                     said.first().startsWith(QStringLiteral("warning failed: ") + untranslatable),
                 qPrintable(said.join(QLatin1Char('\n'))));
    }

    // The next number counts request numbers only (1 to 9 digits, blanks around them), alike on
    // every engine: text another program wrote that is no request number, or a number no request
    // may have, never becomes the largest number.
    void numberingCountsRequestNumbersOnly_data()
    {
        QTest::addColumn<QString>("numbers");
        QTest::addColumn<QString>("next");
        QTest::newRow("ten and eleven digits") << "'41', '1000000000', '99999999999'"
                                               << "42";
        QTest::newRow("largest number") << "'41', '999999999'"
                                        << "1000000000";
        QTest::newRow("text around digits") << "'41', '99abc', 'x500', '5 0', '1e9', '-77'"
                                            << "42";
        QTest::newRow("blanks and zeros") << "' 50 ', '0060', '\t70'"
                                          << "71";
        QTest::newRow("none counted") << "'ABC', ''"
                                      << "<null>";
    }

    void numberingCountsRequestNumbersOnly()
    {
        QFETCH(QString, numbers);
        QFETCH(QString, next);
        auto c = open();
        QString values = numbers;
        values.replace(QRegularExpression(QStringLiteral("('[^']*')")),
                       QStringLiteral("(\\1, '1')"));
        c->Execute(QStringLiteral("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID) "
                                  "Values ") +
                   values);
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select (max(DocumentNo) + 1) as DocNum From "
                                                      "INVENTORY..tbInvWithdrawRequest")),
                 QStringList{next});
    }

    // A file made by an earlier version (no numbered column, or one that took any leading digits
    // as the number; a two-column name index) is brought up to date when opened and keeps its
    // lines; the next number is then read from the index, not by a scan.
    void olderFileIsBroughtUpToDate_data()
    {
        QTest::addColumn<QString>("numbered");
        QTest::newRow("no numbered column") << "";
        QTest::newRow("leading digits numbered")
            << "ALTER TABLE tbInvWithdrawRequest ADD COLUMN DocumentNo INTEGER GENERATED ALWAYS "
               "AS (CAST(DocumentNumber AS INTEGER)) VIRTUAL;"
               "CREATE INDEX ixInvWithdrawRequest_No ON tbInvWithdrawRequest (DocumentNo);";
    }

    void olderFileIsBroughtUpToDate()
    {
        QFETCH(QString, numbered);
        if (!testsupport::onEmbeddedFile())
            QSKIP("an embedded file's upgrade; the server's schema is the DBA's scripts'");
        {
            auto c = open();
            c->runScript(
                QStringLiteral("INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID) VALUES "
                               "('9', '1'), (' 12', '2'), ('007', '3'), ('12345678901', '4');"
                               "DROP INDEX ixInvWithdrawRequest_No;"
                               "ALTER TABLE tbInvWithdrawRequest DROP COLUMN DocumentNo;"
                               "DROP INDEX ixInvMaster_Name;"
                               "CREATE INDEX ixInvMaster_Name ON tbInvMaster (ItemName, ItemDesc);"
                               "DROP TABLE tbInvRequestHistory;") +
                numbered);
        }
        std::unique_ptr<Connection> c =
            overOdbc() ? Connection::openOdbc(testsupport::sqliteOdbcString(m_path))
                       : Connection::openSqlite(m_path);
        db::bringUpToDate(*c);
        const QString next = QStringLiteral(
            "Select (max(DocumentNo) + 1) as DocNum From INVENTORY..tbInvWithdrawRequest");
        QCOMPARE(testsupport::rows(*c, next), QStringList{QStringLiteral("13")});
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select DocumentNumber, DocumentNo From "
                                                      "INVENTORY..tbInvWithdrawRequest")),
                 (QStringList{QStringLiteral("9|9"), QStringLiteral(" 12|12"),
                              QStringLiteral("007|7"), QStringLiteral("12345678901|<null>")}));
        const QString plan = testsupport::rows(*c, QStringLiteral("EXPLAIN QUERY PLAN ") +
                                                       c->dialect().translate(next, {}).sql)
                                 .join(QLatin1Char('\n'));
        QVERIFY2(plan.contains(QLatin1String("ixInvWithdrawRequest_No")), qPrintable(plan));
        QVERIFY2(!plan.contains(QLatin1String("SCAN")), qPrintable(plan));
        QCOMPARE(testsupport::rows(*c, QStringLiteral("SELECT name FROM "
                                                      "pragma_index_info('ixInvMaster_Name')")),
                 (QStringList{"ItemName", "ItemDesc", "ItemID", "ItemStatus"}));
        // The requests' history table, as a new file has it, and usable.
        const QString historyTable = QStringLiteral(
            "SELECT sql FROM sqlite_schema WHERE tbl_name = 'tbInvRequestHistory' ORDER BY name");
        QTemporaryDir fresh;
        const QStringList made =
            testsupport::rows(*db::createEmbeddedDatabase(fresh.filePath(QStringLiteral("new.db")),
                                                          db::Contents::SchemaOnly),
                              historyTable);
        QCOMPARE(made.size(), 2); // the table and its primary key
        QCOMPARE(testsupport::rows(*c, historyTable), made);
        c->Execute(QStringLiteral("Insert INVENTORY..tbInvRequestHistory (DocumentNumber, Version, "
                                  "Action, EmployeeID, ActionDate, Lines) Values ('9', 1, "
                                  "'saved', 'E01', GetDate(), '[]')"));
        db::bringUpToDate(*c); // once up to date, nothing is made again
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select Count(*) From "
                                                      "INVENTORY..tbInvRequestHistory")),
                 QStringList{QStringLiteral("1")});
    }

    // On the server the next number and a search for the start of a name read their indexes,
    // whatever the case the name is typed in, and the search still finds every case.
    void serverPlansUseIndexes()
    {
        if (testsupport::currentEngine() != testsupport::Engine::PostgreSQL)
            QSKIP("the embedded file's plans are checked above and in the benchmarks");
        auto c = open();
        c->runScript(QStringLiteral("INSERT INTO tbInvMaster (ItemID, ItemName) VALUES ('1', "
                                    "'Gauze'), ('2', 'GAUZE ROLL'), "
                                    "('3', 'gauzE pad'), ('4', 'GAVEL'), ('5', 'GA_UZE');"
                                    "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID) "
                                    "VALUES ('41', '1'), (' 7', '2');"
                                    "SET enable_seqscan = off"));
        auto plan = [&c](const QString &tsql) {
            return testsupport::rows(*c, QStringLiteral("EXPLAIN ") +
                                             c->dialect().translate(tsql, {}).sql)
                .join(QLatin1Char('\n'));
        };
        const QString next = QStringLiteral("Select (max(DocumentNo) + 1) as DocNum From "
                                            "INVENTORY..tbInvWithdrawRequest");
        QCOMPARE(testsupport::rows(*c, next), QStringList{QStringLiteral("42")});
        QVERIFY2(plan(next).contains(QLatin1String("ixinvwithdrawrequest_no")),
                 qPrintable(plan(next)));
        // The lines already under the next number (written in a form the numbering does not
        // count) are found through the number's index, not by reading every line.
        const QString nextLines = QStringLiteral(
            "Select Count(*) From INVENTORY..tbInvWithdrawRequest Where DocumentNumber = "
            "(Select Cast(IsNull(max(DocumentNo), 0) + 1 As varchar(10)) From "
            "INVENTORY..tbInvWithdrawRequest)");
        QCOMPARE(testsupport::rows(*c, nextLines), QStringList{QStringLiteral("0")});
        QVERIFY2(plan(nextLines).contains(QLatin1String("Index Cond: (documentnumber = ")),
                 qPrintable(plan(nextLines)));
        const QString search = QStringLiteral("Select ItemID From INVENTORY..tbInvMaster A "
                                              "Where A.ItemName Like 'gAuZ%' Order by A.ItemName");
        QCOMPARE(testsupport::rows(*c, search),
                 (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("2")}));
        QVERIFY2(plan(search).contains(QLatin1String("Index Cond")), qPrintable(plan(search)));
        // "_" and "%" typed into the search are wildcards, as on SQL Server; a backslash is not
        // an escape.
        QCOMPARE(
            testsupport::rows(*c, QStringLiteral("Select ItemID From INVENTORY..tbInvMaster "
                                                 "Where ItemName Like 'ga_z%' Order by ItemID")),
            (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
        c->runScript(
            QStringLiteral("INSERT INTO tbInvMaster (ItemID, ItemName) VALUES ('6', 'A\\B')"));
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select ItemID From INVENTORY..tbInvMaster "
                                                      "Where ItemName Like 'a\\b%'")),
                 QStringList{QStringLiteral("6")});
        // The match next to the range keeps its value for a name that is NULL: NOT of it is
        // still unknown, so the unnamed item is left out as on the other engines.
        c->runScript(
            QStringLiteral("INSERT INTO tbInvMaster (ItemID, ItemName) VALUES ('7', NULL)"));
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select ItemID From INVENTORY..tbInvMaster "
                                                      "Where Not (ItemName Like 'gau%') "
                                                      "Order by ItemID")),
                 (QStringList{QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")}));
        // A request's lines find their items through the lowered-code index, whatever the case
        // of the code on the line.
        c->runScript(QStringLiteral("INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES "
                                    "('X9a', 'Swab', '5 cm');"
                                    "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID) "
                                    "VALUES ('43', 'x9A'), ('43', 'none')"));
        QStringList described;
        for (db::Recordset rs =
                 c->OpenRecordset(QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '43'"));
             !rs.Eof(); rs.MoveNext())
            described << rs.Fields(QStringLiteral("Description")).toText();
        QCOMPARE(described, (QStringList{QStringLiteral("Swab 5 cm"), QStringLiteral(" ")}));
        const QString openPlan =
            testsupport::rows(*c, QStringLiteral("EXPLAIN SELECT * FROM "
                                                 "sp_Inv_LoadWithdrawalRequest('43')"))
                .join(QLatin1Char('\n'));
        QVERIFY2(openPlan.contains(QLatin1String("ixinvmaster_itemkey")), qPrintable(openPlan));
    }

    void failedStatementNamesItself()
    {
        auto c = open();
        const QString bad = QStringLiteral("Update INVENTORY..tbInvLocation Set Nothing = 1");
        try {
            c->Execute(bad);
            QFAIL("the statement ran");
        } catch (const DbError &e) {
            QCOMPARE(e.statement(), bad);
            QVERIFY2(e.description().contains(QLatin1String("Nothing")),
                     qPrintable(e.description()));
        }
    }
};

INVENTORY_DB_TEST_MAIN(TestConnection)

#include "tst_connection.moc"
