#include "platform/session/sessionsettings.h"

#include "platform/error.h"
#include "platform/session/secretstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <sys/stat.h>

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

SessionSettings::ServerDefaults SessionSettings::defaultsFor(Kind kind)
{
    if (kind == Kind::PostgreSQL)
        return {5432, QStringLiteral("inventory"), QStringLiteral("inventory_app")};
    return {1433, QStringLiteral("INVENTORY"), QStringLiteral("sa")};
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
    const ServerDefaults defaults = defaultsFor(s.kind);
    s.port = ini.value(QStringLiteral("Database/Port"), defaults.port).toInt();
    s.database = ini.value(QStringLiteral("Database/Name"), defaults.database).toString();
    s.user = ini.value(QStringLiteral("Database/User"), defaults.user).toString();
    s.password = ini.value(QStringLiteral("Database/Password")).toString();
    if (ini.value(QStringLiteral("Database/PasswordInKeyring")).toBool())
        s.password = secretstore::load(s.passwordKey()).value_or(QString());
    s.driver = ini.value(QStringLiteral("Database/Driver"), s.driver).toString();
    s.connectionString = ini.value(QStringLiteral("Database/ConnectionString")).toString();
    bool isNumber = false;
    const int timeout = ini.value(QStringLiteral("Database/Timeout")).toInt(&isNumber);
    if (isNumber && timeout > 0)
        s.timeoutSeconds = timeout;
    s.lastEmployee = ini.value(QStringLiteral("SignIn/LastEmployee")).toString();
    return s;
}

namespace {

// The file holds a server password: its owner alone may read it, from the moment it is created.
// QSettings writes a new file each time (a temporary one renamed over the old, with the old one's
// permissions): while this lives, every file and folder made is its owner's alone, the folder is
// made so, and a file left readable by others (by an older version, or by hand) is closed first.
class OwnerOnlyWrite
{
public:
    OwnerOnlyWrite() : m_mask(::umask(S_IRWXG | S_IRWXO))
    {
        const QString folder = QFileInfo(SessionSettings::settingsFile()).absolutePath();
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        restrictToOwner();
    }
    ~OwnerOnlyWrite()
    {
        restrictToOwner();
        ::umask(m_mask);
    }
    OwnerOnlyWrite(const OwnerOnlyWrite &) = delete;
    OwnerOnlyWrite &operator=(const OwnerOnlyWrite &) = delete;

private:
    static void restrictToOwner()
    {
        const QString path = SessionSettings::settingsFile();
        if (QFile::exists(path))
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    mode_t m_mask;
};

QString kindName(SessionSettings::Kind kind)
{
    switch (kind) {
    case SessionSettings::Kind::SqlServer:
        return QStringLiteral("SqlServer");
    case SessionSettings::Kind::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    case SessionSettings::Kind::Odbc:
        return QStringLiteral("Odbc");
    case SessionSettings::Kind::Embedded:
        break;
    }
    return QStringLiteral("Embedded");
}

} // namespace

QString SessionSettings::passwordKey() const
{
    return QStringLiteral("%1@%2/%3").arg(user, server, database);
}

void SessionSettings::save() const
{
    const OwnerOnlyWrite ownerOnly;
    QSettings ini(settingsFile(), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Database/Kind"), kindName(kind));
    ini.setValue(QStringLiteral("Database/File"), file);
    ini.setValue(QStringLiteral("Database/Server"), server);
    ini.setValue(QStringLiteral("Database/Port"), port);
    ini.setValue(QStringLiteral("Database/Name"), database);
    ini.setValue(QStringLiteral("Database/User"), user);
    // The password goes to the desktop's keyring where there is one, else stays in this file.
    const bool inKeyring = !password.isEmpty() && secretstore::store(passwordKey(), password);
    if (inKeyring)
        ini.remove(QStringLiteral("Database/Password"));
    else
        ini.setValue(QStringLiteral("Database/Password"), password);
    ini.setValue(QStringLiteral("Database/PasswordInKeyring"), inKeyring);
    ini.setValue(QStringLiteral("Database/ConnectionString"), connectionString);
    ini.setValue(QStringLiteral("Database/Timeout"), timeoutSeconds);
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw AppError(0, QStringLiteral("SessionSettings"),
                       QStringLiteral("The settings cannot be written to %1.").arg(settingsFile()));
}

void SessionSettings::saveLastEmployee() const
{
    const OwnerOnlyWrite ownerOnly;
    QSettings ini(settingsFile(), QSettings::IniFormat);
    ini.setValue(QStringLiteral("SignIn/LastEmployee"), lastEmployee);
    ini.sync();
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
    return {server, port, database, user, password, timeoutSeconds};
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
