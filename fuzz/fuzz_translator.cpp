// Arbitrary statement text through the T-SQL to SQLite translation, as a connection to the
// embedded database runs it: with the registered functions (QtSql's driver) and without them (the
// ODBC driver). Refusing a statement is a normal outcome; a crash, leak or hang is not, nor is a
// translation that differs between two runs of the same text, or one that no longer reads as a
// single statement: text the tokenizer refuses, a comment (comments are dropped, so one in the
// result was made by joining the pieces around it) or a ";" between statements.
#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/procedures.h"
#include "platform/db/tsqltokens.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Columns that hold text in the embedded schema, as the connection reads them from the file.
db::SqliteDialect makeDialect(bool nativeFunctions)
{
    db::SqliteDialect dialect(db::ProcedureCatalog::builtIn(), nativeFunctions);
    QSet<QString> text;
    for (const char *name : {"itemid", "itemname", "itemdesc", "lastname", "firstname", "location",
                             "locationid", "remarks", "documentnumber", "userid", "status",
                             "node_key", "suppliername", "unitofmeasure", "verifiedby"})
        text.insert(QString::fromLatin1(name));
    dialect.setTextColumns(text);
    return dialect;
}

[[noreturn]] void fault(const char *what, const QString &tsql, const QString &sql)
{
    std::fprintf(stderr, "translation fault: %s\n  statement: %s\n  result:    %s\n", what,
                 qUtf8Printable(tsql), qUtf8Printable(sql));
    std::abort();
}

void translate(const db::SqliteDialect &dialect, const QString &tsql, const QVariantList &params)
{
    db::Statement first;
    try {
        first = dialect.translate(tsql, params);
    } catch (const AppError &) {
        return;
    }
    try {
        const db::Statement again = dialect.translate(tsql, params);
        if (again.sql != first.sql || again.params != first.params)
            fault("two runs differ", tsql,
                  first.sql + QStringLiteral("\n  again:     ") + again.sql);
    } catch (const AppError &) {
        fault("refused on the second run", tsql, first.sql);
    }
    QVector<db::Token> tokens;
    try {
        tokens = db::tokenize(first.sql);
    } catch (const AppError &) {
        fault("the result does not tokenize", tsql, first.sql);
    }
    for (const db::Token &t : tokens) {
        if (t.kind == db::Token::Comment)
            fault("a comment in the result", tsql, first.sql);
        if (t.isPunct(QLatin1String(";")))
            fault("a statement separator in the result", tsql, first.sql);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const db::SqliteDialect native = makeDialect(true);
    static const db::SqliteDialect odbc = makeDialect(false);
    const QString tsql =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    translate(native, tsql, {});
    translate(odbc, tsql, {QStringLiteral("O'Neil")}); // a bound value, as "?" statements have
    return 0;
}
