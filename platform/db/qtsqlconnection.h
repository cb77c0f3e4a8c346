#pragma once

// A driver connection of QtSql's, as the backends open them (backend.h): the database layer's own.

#include "platform/db/recordset.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>

class QSqlError;
class QSqlQuery;

namespace db::backend {

// A QtSql connection under a name of its own, closed and removed with this.
class QtSqlConnection
{
public:
    explicit QtSqlConnection(const QString &driver);
    ~QtSqlConnection();
    QtSqlConnection(const QtSqlConnection &) = delete;
    QtSqlConnection &operator=(const QtSqlConnection &) = delete;

    QSqlDatabase &db() { return m_db; }
    // The driver's native handle when it is handed out under one of these type names.
    void *handle(std::initializer_list<const char *> typeNames) const;

private:
    QString m_name;
    QSqlDatabase m_db;
};

// The driver's message for a failure, secrets masked.
QString errorText(const QSqlError &error);

// The rows of an executed query, its column names given back the statement's own spelling.
Recordset rowsOf(QSqlQuery &query, const QHash<QString, QString> *spellings = nullptr);

} // namespace db::backend
