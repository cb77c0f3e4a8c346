#pragma once

// The test database server, for the tests and for the workstation processes they start.
//
// test.sh starts a throwaway PostgreSQL cluster and names it in INVENTORY_TEST_POSTGRES
// ("host=127.0.0.1 port=NNNN user=postgres password=..."). A worker is told which database to
// open as a target: a file of the embedded database, "odbc:CONNECTION STRING" or
// "postgresql:DATABASE" on that server.

#include "platform/db/connection.h"
#include "platform/db/dberror.h"

#include <QString>

#include <optional>

namespace testsupport {

// The server's logon for database, or nothing when no server is configured.
inline std::optional<db::PostgresLogon> testServerLogon(const QString &database)
{
    const QString conninfo = qEnvironmentVariable("INVENTORY_TEST_POSTGRES");
    if (conninfo.trimmed().isEmpty())
        return std::nullopt;
    db::PostgresLogon logon;
    logon.database = database;
    for (const QString &pair : conninfo.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString key = pair.left(eq);
        const QString value = pair.mid(eq + 1);
        if (key == QLatin1String("host"))
            logon.host = value;
        else if (key == QLatin1String("port"))
            logon.port = value.toInt();
        else if (key == QLatin1String("user"))
            logon.user = value;
        else if (key == QLatin1String("password"))
            logon.password = value;
    }
    return logon;
}

// The ODBC connection string of the embedded file at path, through the SQLite ODBC driver.
inline QString sqliteOdbcString(const QString &path, int busyTimeoutMs = 5000)
{
    return QStringLiteral("DRIVER=SQLite3;Database=%1;Timeout=%2").arg(path).arg(busyTimeoutMs);
}

// The SQL Server connection string of the tests, or empty when none is configured.
inline QString testSqlServerString()
{
    return qEnvironmentVariable("INVENTORY_TEST_SQLSERVER").trimmed();
}

inline std::unique_ptr<db::Connection> openTarget(const QString &target, int busyTimeoutMs = 60000)
{
    if (target.startsWith(QLatin1String("odbc:")))
        return db::Connection::openOdbc(target.mid(5));
    if (target.startsWith(QLatin1String("postgresql:"))) {
        const auto logon = testServerLogon(target.mid(11));
        if (!logon)
            throw db::DbError(QStringLiteral("INVENTORY_TEST_POSTGRES names no test server."));
        return db::Connection::openPostgres(*logon);
    }
    return db::Connection::openSqlite(target, db::Connection::Create::No, busyTimeoutMs);
}

} // namespace testsupport
