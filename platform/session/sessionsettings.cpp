#include "platform/session/sessionsettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString Folder = QStringLiteral("inventory-request");

} // namespace

QString SessionSettings::settingsFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(Folder + QStringLiteral("/session.ini"));
}

QString SessionSettings::defaultDatabaseFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(Folder + QStringLiteral("/inventory.db"));
}

SessionSettings SessionSettings::load()
{
    QSettings ini(settingsFile(), QSettings::IniFormat);
    SessionSettings s;
    const QString kind = ini.value(QStringLiteral("Database/Kind")).toString().trimmed();
    if (kind.compare(QLatin1String("SqlServer"), Qt::CaseInsensitive) == 0)
        s.kind = Kind::SqlServer;
    else if (kind.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0)
        s.kind = Kind::PostgreSQL;
    else if (kind.compare(QLatin1String("Odbc"), Qt::CaseInsensitive) == 0)
        s.kind = Kind::Odbc;
    s.file = ini.value(QStringLiteral("Database/File"), defaultDatabaseFile()).toString();
    s.server = ini.value(QStringLiteral("Database/Server")).toString();
    s.port = ini.value(QStringLiteral("Database/Port"), s.kind == Kind::PostgreSQL ? 5432 : 1433)
                 .toInt();
    s.database = ini.value(QStringLiteral("Database/Name"), s.database).toString();
    s.user = ini.value(QStringLiteral("Database/User"), s.user).toString();
    s.password = ini.value(QStringLiteral("Database/Password")).toString();
    s.driver = ini.value(QStringLiteral("Database/Driver"), s.driver).toString();
    s.connectionString = ini.value(QStringLiteral("Database/ConnectionString")).toString();
    s.lastEmployee = ini.value(QStringLiteral("SignIn/LastEmployee")).toString();
    return s;
}

void SessionSettings::saveLastEmployee() const
{
    QSettings ini(settingsFile(), QSettings::IniFormat);
    ini.setValue(QStringLiteral("SignIn/LastEmployee"), lastEmployee);
}

QString SessionSettings::odbcConnectionString() const
{
    if (kind == Kind::Odbc)
        return connectionString;
    // Every value between braces ("}" doubled inside), so a ';' or '=' in a password stays in it.
    auto braced = [](QString value) {
        return QLatin1Char('{') + value.replace(QLatin1Char('}'), QLatin1String("}}")) +
               QLatin1Char('}');
    };
    return QStringLiteral("DRIVER=%1;Server=%2;Port=%3;Database=%4;UID=%5;PWD=%6;TDS_Version=7.4")
        .arg(braced(driver), braced(server))
        .arg(port)
        .arg(braced(database), braced(user), braced(password));
}

db::PostgresLogon SessionSettings::postgresLogon() const
{
    return {server, port, database, user, password};
}

QString SessionSettings::description() const
{
    switch (kind) {
    case Kind::Embedded:
        return file;
    case Kind::SqlServer:
    case Kind::PostgreSQL:
        return QStringLiteral("%1 on %2").arg(database, server);
    case Kind::Odbc:
        break;
    }
    return QStringLiteral("ODBC data source");
}
