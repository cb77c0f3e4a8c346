#pragma once

#include "platform/db/connection.h"

#include <QString>

// Which database the program works on, kept by the current-user component in
// $XDG_CONFIG_HOME/inventory-request/session.ini:
//
//   [Database]
//   Kind=Embedded          ; Embedded (default), SqlServer, PostgreSQL or Odbc
//   File=...               ; Embedded: the file (default: inventory.db in
//                          ; $XDG_DATA_HOME/inventory-request/)
//   Server=dbserver        ; SqlServer: FreeTDS over ODBC; PostgreSQL: its own driver
//   Port=1433              ; when not given: 1433, INVENTORY and sa for SqlServer;
//   Name=INVENTORY         ; 5432, inventory and inventory_app for PostgreSQL (the names
//   User=sa                ; sql/postgresql/README.md sets up)
//   Password=...
//   Driver=FreeTDS
//   ConnectionString=...   ; Odbc: a whole ODBC connection string
//   Timeout=30             ; the longest wait for a server, in seconds (to connect, to answer)
//   [SignIn]
//   LastEmployee=E01
struct SessionSettings
{
    enum class Kind { Embedded, SqlServer, PostgreSQL, Odbc };

    Kind kind = Kind::Embedded;
    QString file;
    QString server;
    int port = 1433;
    QString database = QStringLiteral("INVENTORY");
    QString user = QStringLiteral("sa");
    QString password;
    QString driver = QStringLiteral("FreeTDS");
    QString connectionString;
    int timeoutSeconds = db::DefaultTimeoutSeconds;
    QString lastEmployee;

    // What a server logon of each kind starts from: the names its scripts in sql/ set up.
    struct ServerDefaults
    {
        int port;
        QString database;
        QString user;
    };
    static ServerDefaults defaultsFor(Kind kind);

    static SessionSettings load();
    // Writes the database keys (not the sign-in's) to the settings file, which only its owner
    // may read, since it holds the server password: the file and its folder are made so, and no
    // copy of it is ever readable by others. Throws AppError when it cannot be written.
    void save() const;
    void saveLastEmployee() const;
    // Where the keyring keeps the server password of these settings.
    QString passwordKey() const;
    static QString settingsFile();
    static QString defaultDatabaseFile();

    // The ODBC connection string for a server logon (with the password: never log it).
    QString odbcConnectionString() const;
    // The PostgreSQL logon (with the password: never log it).
    db::PostgresLogon postgresLogon() const;
    // What the sign-in dialog shows: the file, or server and database.
    QString description() const;
};
