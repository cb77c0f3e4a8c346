#include "platform/db/backend.h"

#include "platform/db/dberror.h"

#include <QThread>

namespace db::backend {

Recordset runOwn(Backend &backend, const QString &sql)
{
    return backend.send({Outgoing{QString(), sql, {}, {}, true}}, false, nullptr).constLast();
}

void takeTextColumns(TranslatingDialect &dialect, Recordset catalog)
{
    QSet<QString> text;
    for (; !catalog.Eof(); catalog.MoveNext())
        if (catalog.Fields(1).toBool())
            text.insert(catalog.Fields(0).toText());
    dialect.setTextColumns(std::move(text));
}

void refreshTextColumns(Backend &backend)
{
    if (TranslatingDialect *dialect = backend.translating())
        takeTextColumns(*dialect, runOwn(backend, dialect->textColumnsQuery()));
}

void useWriteAheadLog(Backend &backend)
{
    Recordset mode = runOwn(backend, QStringLiteral("PRAGMA journal_mode"));
    if (!mode.Eof() &&
        mode.Fields(0).toText().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        return;
    // Another program opening the same file may be making the switch right now: it does not wait
    // on the busy timeout, so wait here, a little at a time.
    for (int attempt = 0;; ++attempt) {
        try {
            runOwn(backend, QStringLiteral("PRAGMA journal_mode=WAL"));
            return;
        } catch (const DbError &e) {
            if (attempt >= 50 || !e.description().contains(QLatin1String("locked")))
                throw;
            QThread::msleep(100);
        }
    }
}

QString joined(const QStringList &statements)
{
    QStringList parts;
    for (QString statement : statements) {
        statement = statement.trimmed();
        while (statement.endsWith(QLatin1Char(';')))
            statement.chop(1);
        parts << statement;
    }
    return parts.join(QLatin1String("\n;\n"));
}

} // namespace db::backend
