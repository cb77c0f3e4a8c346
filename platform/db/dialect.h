#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

namespace db {

class ProcedureCatalog;

// A statement ready for the server: its text and the values bound to its "?" placeholders.
struct Statement
{
    QString sql;
    QVariantList params;
    // Run first, in the same transaction, when one is open: the locks SQL Server's hints took.
    QStringList lockFirst;
    // The program's spelling of the names in the statement, by lower-case name: a server that
    // folds unquoted names to lower case gives its result columns back under these.
    QHash<QString, QString> spellings;
    // Its rows are taken one by one as the server sends them, each made into values while the
    // server still makes the next: a procedure's, whose rows leave the server as they are made.
    bool rowByRow = false;
};

// Turns the program's T-SQL into what the server speaks. Only what differs is overridden.
class Dialect
{
public:
    virtual ~Dialect() = default;

    virtual QString name() const = 0;
    virtual bool isSqlite() const { return false; }
    // Every transaction holds the database's write lock from its start (SQLite's BEGIN
    // IMMEDIATE): a read made only for the locks its hints take has nothing left to do.
    virtual bool transactionsHoldTheWriteLock() const { return false; }
    // The database keeps every stock row under its item's name (tbInvStockName, kept by its own
    // triggers: sql/postgresql/01_schema.sql), so a location's products can be read in name order.
    virtual bool stockNamesKept() const { return false; }
    // The engine makes a distinct list's rows distinct only after every join and every column's
    // subquery, line by line (PostgreSQL): a list of requests read from their many lines is
    // better made distinct first.
    virtual bool distinctAfterJoins() const { return false; }
    // Throws DbError (with the statement) when the statement cannot be carried over faithfully.
    virtual Statement translate(const QString &tsql, const QVariantList &params = {}) const = 0;
};

// SQL Server speaks the program's language: statements pass through unchanged.
class SqlServerDialect final : public Dialect
{
public:
    QString name() const override { return QStringLiteral("SQL Server"); }
    Statement translate(const QString &tsql, const QVariantList &params) const override;

    // A hospital's table made before the numbered column DocumentNo (02_schema.sql not run on
    // it): the next number is then read by the plain statement, which needs no such column.
    void setHasNumberedColumn(bool has) { m_hasNumberedColumn = has; }

private:
    bool m_hasNumberedColumn = true;
};

// A server other than SQL Server: the T-SQL is translated token by token (tsqltranslator.h).
class TranslatingDialect : public Dialect
{
public:
    // Names of the columns that hold text in every table that has them: a "+" next to one of
    // them joins strings.
    void setTextColumns(QSet<QString> lowerCaseNames) { m_textColumns = std::move(lowerCaseNames); }
    const QSet<QString> &textColumns() const { return m_textColumns; }
    // A query of the database's catalog whose rows are a column's name in lower case and
    // whether it holds text in every table that has it (true or 1).
    virtual QString textColumnsQuery() const = 0;

protected:
    explicit TranslatingDialect(std::shared_ptr<const ProcedureCatalog> procedures)
        : m_procedures(std::move(procedures))
    {
    }

    std::shared_ptr<const ProcedureCatalog> m_procedures;
    QSet<QString> m_textColumns;
};

// SQLite, embedded or over its ODBC driver (see sqlitedialect.cpp for its own rewrites).
class SqliteDialect final : public TranslatingDialect
{
public:
    // nativeFunctions: GetDate() and PatIndex() are registered on the connection's handle; over
    // ODBC they are not, and the translator writes SQLite's own expressions instead.
    SqliteDialect(std::shared_ptr<const ProcedureCatalog> procedures, bool nativeFunctions);

    QString name() const override { return QStringLiteral("SQLite"); }
    bool isSqlite() const override { return true; }
    bool transactionsHoldTheWriteLock() const override { return true; }
    QString textColumnsQuery() const override;
    Statement translate(const QString &tsql, const QVariantList &params) const override;

private:
    bool m_nativeFunctions;
};

// PostgreSQL (see postgresdialect.cpp for its own rewrites). The procedures' names and
// parameters come from the catalog; their bodies are functions of the database
// (sql/postgresql/02_functions.sql).
class PostgresDialect final : public TranslatingDialect
{
public:
    explicit PostgresDialect(std::shared_ptr<const ProcedureCatalog> procedures);

    QString name() const override { return QStringLiteral("PostgreSQL"); }
    QString textColumnsQuery() const override;
    Statement translate(const QString &tsql, const QVariantList &params) const override;

    bool stockNamesKept() const override { return m_stockNamesKept; }
    bool distinctAfterJoins() const override { return true; }
    void setStockNamesKept(bool kept) { m_stockNamesKept = kept; }

private:
    bool m_stockNamesKept = false;
};

// The PostgreSQL dialect's translations kept by the statement's shape (statementshape.h): each
// shape is translated once, with its lifted literals as "?", and a statement of that shape is its
// translation with the literals written back in at those places as the translator writes them.
// The text sent is the dialect's own translation of the statement, to the byte: a literal stays
// a literal (the server types a literal 1.5 as numeric, the same value bound as a parameter by
// the column it is compared with). The most recently used shapes are kept; all of them are
// forgotten when the dialect's text columns or its stock rows by name change.
class PostgresTranslations
{
public:
    explicit PostgresTranslations(const PostgresDialect &dialect) : m_dialect(dialect) {}

    // What dialect.translate(tsql, params) gives.
    Statement translate(const QString &tsql, const QVariantList &params = {});

    // How many shapes are kept (for the tests).
    int kept() const { return static_cast<int>(m_kept.size()); }

    static constexpr int Capacity = 256;

private:
    struct Kept
    {
        Statement statement; // the shape's translation; its params: none
        // Where the translation has the "?" of each of the shape's values.
        QList<qsizetype> marks;
        bool scanned = false;   // a statement shaped (else its whole text, as translated)
        bool asWritten = false; // the marks could not be told: translated as written each time
        quint64 used = 0;
    };

    const PostgresDialect &m_dialect;
    QSet<QString> m_textColumns; // those the kept translations were made with
    bool m_stockNamesKept = false;
    QHash<QString, Kept> m_kept;
    quint64 m_clock = 0;
};

} // namespace db
