#pragma once

#include "platform/db/dialect.h"
#include "platform/db/recordset.h"
#include "platform/db/statementshape.h"

#include <QHash>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

// The embedded file's statements run straight on its sqlite3 handle. Each shape is translated once
// and each translated text prepared once: both are kept, the most recently used of them, until
// the connection closes. A query's rows come back with the value types QtSql's SQLite driver gives
// (integer qlonglong, real double, text QString, blob QByteArray, Null a null QString).
class SqliteStatements
{
public:
    SqliteStatements(sqlite3 *handle, const SqliteDialect &dialect);
    ~SqliteStatements(); // finalizes every kept statement: the handle can then be closed
    SqliteStatements(const SqliteStatements &) = delete;
    SqliteStatements &operator=(const SqliteStatements &) = delete;

    // The dialect's translation of the program's statement, by its shape.
    Statement translate(const QString &tsql, const QVariantList &params = {});

    // Runs a statement in the engine's own language; written is the program's text, for messages.
    Recordset run(const QString &written, const QString &sql, const QVariantList &params,
                  int *recordsAffected, const QHash<QString, QString> *spellings = nullptr);

    // How many translations and prepared statements are kept (for the tests).
    int translationsKept() const { return static_cast<int>(m_translations.size()); }
    int statementsKept() const { return static_cast<int>(m_statements.size()); }

    static constexpr int Capacity = 128;

private:
    struct Translation
    {
        Statement statement; // its params: those the translation itself made (a procedure's)
        quint64 used = 0;
    };
    struct Prepared
    {
        sqlite3_stmt *stmt = nullptr;
        quint64 used = 0;
        // Its result's columns as last read, and the names they were made from.
        std::shared_ptr<const Recordset::Columns> columns;
        QVector<QByteArray> names;
    };

    Prepared &prepared(const QString &written, const QString &sql);
    static std::shared_ptr<const Recordset::Columns>
    columnsOf(Prepared &prepared, int count, const QHash<QString, QString> *spellings);
    std::optional<double> realOf(QStringView decimal);
    void forget(const QString &sql);
    [[noreturn]] void fail(const QString &written, const QString &sql, const QString &message);

    sqlite3 *m_handle;
    const SqliteDialect &m_dialect;
    QSet<QString> m_textColumns; // those the kept translations were made with
    QHash<QString, Translation> m_translations;
    QHash<QString, Prepared> m_statements;
    quint64 m_clock = 0;
    RealOf m_realOf;
    sqlite3_stmt *m_cast = nullptr; // SQLite's reading of a decimal, as its parser reads one
    QHash<QString, double> m_reals;
};

} // namespace db
