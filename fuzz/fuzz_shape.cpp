// Arbitrary statement text through the statement shaping that the embedded database's translation
// cache keys on: the shape, with the values lifted out of it bound, must translate exactly as the
// statement as written (tests/support/translatedform.h reads a literal and a bound value alike),
// on the SQLite dialect with and without the registered functions and on the PostgreSQL dialect.
// A refusal of both is the same; a difference means the cache would run another statement than
// the one written.
#include "support/translatedform.h"

#include "platform/db/dialect.h"
#include "platform/db/procedures.h"
#include "platform/db/statementshape.h"
#include "platform/db/tsqltokens.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

template <typename D> D withTextColumns(D dialect)
{
    QSet<QString> text;
    for (const char *name : {"itemid", "itemname", "itemdesc", "location", "locationid", "remarks",
                             "documentnumber", "userid", "status", "unitofmeasure"})
        text.insert(QString::fromLatin1(name));
    dialect.setTextColumns(text);
    return dialect;
}

[[noreturn]] void fault(const db::Dialect &dialect, const QString &tsql,
                        const db::StatementShape &shape, const QStringList &shaped,
                        const QStringList &written)
{
    std::fprintf(stderr,
                 "translation fault: the shape translates differently (%s)\n"
                 "  statement: %s\n  shape:     %s\n  shaped:    %s\n  written:   %s\n",
                 qUtf8Printable(dialect.name()), qUtf8Printable(tsql), qUtf8Printable(shape.text),
                 qUtf8Printable(shaped.join(QLatin1Char(' '))),
                 qUtf8Printable(written.join(QLatin1Char(' '))));
    std::abort();
}

void check(const db::Dialect &dialect, const QString &tsql, const QVariantList &params,
           const db::RealOf &realOf)
{
    const db::StatementShape shape = db::statementShape(tsql, params, realOf);
    if (!shape.lifted)
        return;
    const QStringList shaped = testsupport::translatedForm(dialect, shape.text, shape.values);
    const QStringList written = testsupport::translatedForm(dialect, tsql, params);
    if (shaped != written)
        fault(dialect, tsql, shape, shaped, written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const auto procedures = db::ProcedureCatalog::builtIn();
    static const db::SqliteDialect native = withTextColumns(db::SqliteDialect(procedures, true));
    static const db::SqliteDialect odbc = withTextColumns(db::SqliteDialect(procedures, false));
    static const db::PostgresDialect postgres = withTextColumns(db::PostgresDialect(procedures));
    // Decimals read as the nearest double, as the form reads the literals written.
    static const db::RealOf nearest = [](QStringView decimal) -> std::optional<double> {
        bool ok = false;
        const double value = decimal.toDouble(&ok);
        return ok ? std::optional<double>(value) : std::nullopt;
    };
    const QString tsql =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QVector<db::Token> tokens;
    try {
        tokens = db::tokenize(tsql);
    } catch (const AppError &) {
        return 0;
    }
    // A value for each "?" already in the statement, as the program binds them.
    QVariantList params;
    for (const db::Token &t : tokens)
        if (t.isPunct(QLatin1String("?")))
            params << (params.size() % 2 ? QVariant(qlonglong(7))
                                         : QVariant(QStringLiteral("O'Neil")));
    check(native, tsql, params, {});
    check(odbc, tsql, params, nearest);
    check(postgres, tsql, params, nearest);
    return 0;
}
