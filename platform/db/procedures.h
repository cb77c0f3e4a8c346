#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

namespace db {

// The stored procedures of the embedded database, read from a script of SELECT statements:
//
//   -- PROCEDURE sp_Name @First, @Second
//   SELECT ... WHERE Column = @First ...;
//
// A procedure's body runs with its parameters bound, never pasted into the text.
class ProcedureCatalog
{
public:
    struct Procedure
    {
        QString name;
        QStringList parameters; // declared order, without '@'
        QString sql;            // body with every parameter reference turned into "?"
        QVector<int>
            parameterSlots; // for each "?" of sql, the index of the parameter it stands for
    };

    // Throws DbError when the script is malformed.
    static std::shared_ptr<ProcedureCatalog> fromScript(const QString &script);
    // The procedures shipped with the program (sql/sqlite/procedures.sql).
    static std::shared_ptr<const ProcedureCatalog> builtIn();

    const Procedure *find(const QString &name) const;
    QStringList names() const;

private:
    QHash<QString, Procedure> m_procedures; // by lower-case name
};

} // namespace db
