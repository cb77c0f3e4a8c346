#pragma once

#include <QSet>
#include <QString>
#include <QVariantList>

#include <memory>

namespace db {

class ProcedureCatalog;

// A statement ready for the server: its text and the values bound to its "?" placeholders.
struct Statement
{
    QString sql;
    QVariantList params;
};

// Turns the program's T-SQL into what the server speaks. Only what differs is overridden.
class Dialect
{
public:
    virtual ~Dialect() = default;

    virtual QString name() const = 0;
    virtual bool isSqlite() const { return false; }
    // Throws DbError (with the statement) when the statement cannot be carried over faithfully.
    virtual Statement translate(const QString &tsql, const QVariantList &params = {}) const = 0;
};

// SQL Server speaks the program's language: statements pass through unchanged.
class SqlServerDialect final : public Dialect
{
public:
    QString name() const override { return QStringLiteral("SQL Server"); }
    Statement translate(const QString &tsql, const QVariantList &params) const override;
};

// SQLite, embedded or over its ODBC driver: a token-level translation of the T-SQL the program
// sends (see sqlitedialect.cpp for the list of rewrites).
class SqliteDialect final : public Dialect
{
public:
    // nativeFunctions: GetDate() and PatIndex() are registered on the connection's handle; over
    // ODBC they are not, and the translator writes SQLite's own expressions instead.
    SqliteDialect(std::shared_ptr<const ProcedureCatalog> procedures, bool nativeFunctions);

    QString name() const override { return QStringLiteral("SQLite"); }
    bool isSqlite() const override { return true; }
    Statement translate(const QString &tsql, const QVariantList &params) const override;

    // Names of the columns that hold text in every table that has them: a "+" next to one of
    // them joins strings.
    void setTextColumns(QSet<QString> lowerCaseNames) { m_textColumns = std::move(lowerCaseNames); }
    const QSet<QString> &textColumns() const { return m_textColumns; }

private:
    std::shared_ptr<const ProcedureCatalog> m_procedures;
    bool m_nativeFunctions;
    QSet<QString> m_textColumns;
};

} // namespace db
