#include "platform/db/embeddeddatabase.h"

#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/sqllog.h"

#include <QFile>
#include <QFileInfo>

namespace db {

QString embeddedScript(const QString &name)
{
    QFile file(QStringLiteral(":/sql/sqlite/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("The program's script %1 is missing.").arg(name));
    return QString::fromUtf8(file.readAll());
}

namespace {

// The query planner's statistics for the tables that grow with a hospital's work, set to a large
// hospital's (a million items, 200 locations, years of requests) when a file is made: the plans
// chosen on a new, nearly empty file are then the ones that stay fast as it grows (measured on
// such a hospital's data, the planner's own statistics choose the same). SQLite only replaces them
// when a table grows well past these sizes.
const QString LargeHospitalStatistics = QStringLiteral(
    "DELETE FROM sqlite_stat1 "
    "WHERE tbl IN ('tbInvMaster', 'tbInvent', 'tbInvWithdrawRequest');\n"
    "INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES "
    "('tbInvMaster', 'sqlite_autoindex_tbInvMaster_1', '1000000 1'), "
    "('tbInvMaster', 'ixInvMaster_Name', '1000000 4 3 1 1'), "
    "('tbInvMaster', 'ixInvMaster_BarCode', '1000000 1'), "
    "('tbInvMaster', 'ixInvMaster_Kit', '1000000 10'), "
    "('tbInvent', 'sqlite_autoindex_tbInvent_1', '3500000 4 1'), "
    "('tbInvent', 'ixInvent_Location', '3500000 17500 1 1'), "
    "('tbInvWithdrawRequest', 'ixInvWithdrawRequest_Document', '3000000 15'), "
    "('tbInvWithdrawRequest', 'ixInvWithdrawRequest_No', '3000000 15'), "
    "('tbInvWithdrawRequest', 'ixInvWithdrawRequest_Location', '3000000 15000 5000 15');\n"
    // Read again at once, for this connection's plans.
    "ANALYZE sqlite_schema;");

bool hasDocumentNo(Connection &connection)
{
    // table_xinfo lists generated columns too; no row at all means the table is not there.
    Recordset rs = connection.query(
        QStringLiteral("SELECT name FROM pragma_table_xinfo('tbInvWithdrawRequest')"), {});
    if (rs.Eof())
        return true;
    for (; !rs.Eof(); rs.MoveNext()) {
        if (rs.Fields(0).toText().compare(QLatin1String("DocumentNo"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The name index of an older file holds the name and description only (or nothing: not there).
bool hasShortNameIndex(Connection &connection)
{
    Recordset rs = connection.query(
        QStringLiteral("SELECT count(*) FROM pragma_index_info('ixInvMaster_Name')"), {});
    const int columns = int(rs.Fields(0).toLong());
    return columns > 0 && columns < 4;
}

// Files made before numbering counted request numbers only took any text's leading digits as its
// number ("12abc" as 12, an 11-digit number as itself), so a new number could be one no request
// may have.
bool hasLooseDocumentNo(Connection &connection)
{
    Recordset rs = connection.query(
        QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = 'tbInvWithdrawRequest' "
                       "AND sql LIKE '%CAST(DocumentNumber AS INTEGER)) VIRTUAL%'"),
        {});
    return rs.Fields(0).toLong() > 0;
}

const char DocumentNoColumn[] =
    "ALTER TABLE tbInvWithdrawRequest ADD COLUMN DocumentNo INTEGER GENERATED ALWAYS AS (\n"
    "    CASE WHEN length(trim(DocumentNumber, ' ' || char(9, 10, 11, 12, 13))) BETWEEN 1 AND 9\n"
    "          AND trim(DocumentNumber, ' ' || char(9, 10, 11, 12, 13)) NOT GLOB '*[^0-9]*'\n"
    "         THEN CAST(trim(DocumentNumber, ' ' || char(9, 10, 11, 12, 13)) AS INTEGER) END) "
    "VIRTUAL;\n"
    "CREATE INDEX IF NOT EXISTS ixInvWithdrawRequest_No ON tbInvWithdrawRequest (DocumentNo);";

// Files made before requests kept their versions have no history table: it is added as a new file
// has it.
bool hasHistory(Connection &connection)
{
    Recordset rs = connection.query(
        QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND "
                       "name = 'tbInvRequestHistory'"),
        {});
    return rs.Fields(0).toLong() > 0;
}

const char HistoryTable[] =
    "CREATE TABLE tbInvRequestHistory (\n"
    "    DocumentNumber              VARCHAR(10)  COLLATE NOCASE NOT NULL,\n"
    "    Version                     INTEGER NOT NULL,\n"
    "    Action                      VARCHAR(10)  COLLATE NOCASE NOT NULL,\n"
    "    EmployeeID                  VARCHAR(20)  COLLATE NOCASE NOT NULL,\n"
    "    ActionDate                  DATETIME NOT NULL,\n"
    "    LocationID                  VARCHAR(10)  COLLATE NOCASE,\n"
    "    TargetLocationID            VARCHAR(10)  COLLATE NOCASE,\n"
    "    TransDate                   DATETIME,\n"
    "    UserID                      VARCHAR(20)  COLLATE NOCASE,\n"
    "    Remarks                     VARCHAR(500) COLLATE NOCASE,\n"
    "    VerifiedBy                  VARCHAR(20)  COLLATE NOCASE,\n"
    "    Lines                       TEXT NOT NULL,\n"
    "    PRIMARY KEY (DocumentNumber, Version)\n"
    ");";

bool upToDate(Connection &connection)
{
    return hasDocumentNo(connection) && !hasLooseDocumentNo(connection) &&
           !hasShortNameIndex(connection) && hasHistory(connection);
}

} // namespace

void upgradeSchema(Connection &connection)
{
    if (upToDate(connection))
        return;
    Transaction transaction(connection);
    // Another program may have made the changes while this one waited for the lock.
    if (hasLooseDocumentNo(connection)) {
        connection.runScript(QStringLiteral("DROP INDEX IF EXISTS ixInvWithdrawRequest_No;\n"
                                            "ALTER TABLE tbInvWithdrawRequest DROP COLUMN "
                                            "DocumentNo;"));
    }
    if (!hasDocumentNo(connection))
        connection.runScript(QString::fromLatin1(DocumentNoColumn));
    if (hasShortNameIndex(connection)) {
        connection.runScript(QStringLiteral("DROP INDEX ixInvMaster_Name;\n"
                                            "CREATE INDEX ixInvMaster_Name ON tbInvMaster "
                                            "(ItemName, ItemDesc, ItemID, ItemStatus);"));
    }
    if (!hasHistory(connection))
        connection.runScript(QString::fromLatin1(HistoryTable));
    transaction.commit();
}

void bringUpToDate(Connection &connection)
{
    if (!connection.dialect().isSqlite())
        return;
    try {
        upgradeSchema(connection);
    } catch (const DbError &e) {
        qCWarning(lcSql).noquote()
            << "the database could not be brought up to date:" << e.description();
    }
}

std::unique_ptr<Connection> createEmbeddedDatabase(const QString &path, Contents contents)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("The database file %1 already exists.").arg(path));
    auto removeFiles = [&path] {
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(path + QLatin1String(suffix));
    };
    try {
        auto connection = Connection::openSqlite(path, Connection::Create::IfMissing);
        Transaction transaction(*connection);
        connection->runScript(embeddedScript(QStringLiteral("schema.sql")));
        if (contents == Contents::DemoData)
            connection->runScript(embeddedScript(QStringLiteral("demo_data.sql")));
        transaction.commit();
        connection->runScript(QStringLiteral("ANALYZE"));
        connection->runScript(LargeHospitalStatistics);
        return connection;
    } catch (const DbError &) {
        removeFiles();
        throw;
    }
}

} // namespace db
