#include "platform/db/sqlitestatements.h"

#include "platform/db/dberror.h"
#include "platform/db/sqllog.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QDateTime>
#include <QStringView>
#include <QVarLengthArray>

#include <sqlite3.h>

namespace db {

SqliteStatements::SqliteStatements(sqlite3 *handle, const SqliteDialect &dialect)
    : m_handle(handle), m_dialect(dialect), m_textColumns(dialect.textColumns()),
      m_realOf([this](QStringView decimal) { return realOf(decimal); })
{
}

SqliteStatements::~SqliteStatements()
{
    for (const Prepared &p : std::as_const(m_statements))
        sqlite3_finalize(p.stmt);
    sqlite3_finalize(m_cast);
}

// The parser and a cast from text read a decimal by the same routine.
std::optional<double> SqliteStatements::realOf(QStringView decimal)
{
    const QString text = decimal.toString();
    if (const auto it = m_reals.constFind(text); it != m_reals.constEnd())
        return it.value();
    if (!m_cast && sqlite3_prepare_v3(m_handle, "SELECT CAST(?1 AS REAL)", -1,
                                      SQLITE_PREPARE_PERSISTENT, &m_cast, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_cast);
        m_cast = nullptr;
        return std::nullopt;
    }
    const QByteArray utf8 = text.toUtf8();
    std::optional<double> value;
    if (sqlite3_bind_text(m_cast, 1, utf8.constData(), static_cast<int>(utf8.size()),
                          SQLITE_STATIC) == SQLITE_OK &&
        sqlite3_step(m_cast) == SQLITE_ROW && sqlite3_column_type(m_cast, 0) == SQLITE_FLOAT)
        value = sqlite3_column_double(m_cast, 0);
    sqlite3_reset(m_cast);
    sqlite3_clear_bindings(m_cast);
    if (!value)
        return std::nullopt;
    if (m_reals.size() >= 4096)
        m_reals.clear();
    m_reals.insert(text, *value);
    return value;
}

Statement SqliteStatements::translate(const QString &tsql, const QVariantList &params)
{
    // The translation reads which columns hold text: a new list makes every kept one stale.
    if (!(m_textColumns == m_dialect.textColumns())) {
        m_translations.clear();
        m_textColumns = m_dialect.textColumns();
    }
    const StatementShape shape = statementShape(tsql, params, m_realOf);
    // A statement with values of its own is kept apart from the same text without: a procedure
    // call takes none, and the translator refuses it with them.
    QString key = shape.text;
    if (!shape.values.isEmpty())
        key += QChar(0); // no statement text holds one (the scan never lifts one)
    auto it = m_translations.find(key);
    if (it == m_translations.end()) {
        Statement made;
        try {
            made = m_dialect.translate(shape.text, shape.values);
        } catch (const DbError &) {
            if (!shape.lifted)
                throw;
            // The statement as written, for the message to name it.
            return m_dialect.translate(tsql, params);
        }
        if (!shape.values.isEmpty())
            made.params.clear();
        if (m_translations.size() >= Capacity) {
            auto oldest = m_translations.begin();
            for (auto i = m_translations.begin(); i != m_translations.end(); ++i)
                if (i->used < oldest->used)
                    oldest = i;
            m_translations.erase(oldest);
        }
        it = m_translations.insert(key, {std::move(made), 0});
    }
    it->used = ++m_clock;
    Statement out = it->statement;
    if (!shape.values.isEmpty())
        out.params = shape.values;
    return out;
}

void SqliteStatements::fail(const QString &written, const QString &sql, const QString &message)
{
    const QString text = withoutSecrets(message);
    qCWarning(lcSql).noquote() << "failed:" << withoutSecrets(written.isEmpty() ? sql : written)
                               << "--" << text;
    throw DbError(text, written.isEmpty() ? sql : written);
}

SqliteStatements::Prepared &SqliteStatements::prepared(const QString &written, const QString &sql)
{
    const auto it = m_statements.find(sql);
    if (it != m_statements.end()) {
        it->used = ++m_clock;
        return *it;
    }
    sqlite3_stmt *stmt = nullptr;
    const void *tail = nullptr;
    const int rc = sqlite3_prepare16_v3(m_handle, sql.utf16(), static_cast<int>(sql.size() * 2),
                                        SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_handle));
        sqlite3_finalize(stmt);
        fail(written, sql, message);
    }
    if (!stmt)
        fail(written, sql, QStringLiteral("The statement is empty."));
    if (tail) {
        const auto *end = static_cast<const char16_t *>(tail);
        const qsizetype used = end - reinterpret_cast<const char16_t *>(sql.utf16());
        if (!QStringView(sql).mid(used).trimmed().isEmpty()) {
            sqlite3_finalize(stmt);
            fail(written, sql, QStringLiteral("Unable to execute multiple statements at a time"));
        }
    }
    if (m_statements.size() >= Capacity) {
        auto oldest = m_statements.begin();
        for (auto i = m_statements.begin(); i != m_statements.end(); ++i)
            if (i->used < oldest->used)
                oldest = i;
        sqlite3_finalize(oldest->stmt);
        m_statements.erase(oldest);
    }
    return *m_statements.insert(sql, {stmt, ++m_clock, {}, {}});
}

// The names as the statement gives them now (a schema change may have changed them), made into
// columns again only when they differ from the last result's.
std::shared_ptr<const Recordset::Columns>
SqliteStatements::columnsOf(Prepared &prepared, int count, const QHash<QString, QString> *spellings)
{
    bool same = prepared.columns && prepared.names.size() == count;
    for (int c = 0; same && c < count; ++c)
        same = prepared.names.at(c) == sqlite3_column_name(prepared.stmt, c);
    if (same && (!spellings || spellings->isEmpty()))
        return prepared.columns;
    prepared.names.clear();
    QStringList names;
    names.reserve(count);
    for (int c = 0; c < count; ++c) {
        const char *raw = sqlite3_column_name(prepared.stmt, c);
        prepared.names << QByteArray(raw);
        QString name = QString::fromUtf8(raw);
        name.remove(QLatin1Char('"'));
        names << (spellings ? spellings->value(name, name) : name);
    }
    auto columns = std::make_shared<const Recordset::Columns>(std::move(names));
    if (!spellings || spellings->isEmpty())
        prepared.columns = columns;
    else
        prepared.columns.reset();
    return columns;
}

namespace {

// Null as QtSql's SQLite driver binds it: a null variant, string, byte array or date.
bool isNullValue(const QVariant &value)
{
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString *>(value.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray *>(value.constData())->isNull();
    case QMetaType::QDateTime:
        return !static_cast<const QDateTime *>(value.constData())->isValid();
    case QMetaType::QDate:
        return !static_cast<const QDate *>(value.constData())->isValid();
    case QMetaType::QTime:
        return !static_cast<const QTime *>(value.constData())->isValid();
    default:
        return false;
    }
}

int bindText(sqlite3_stmt *stmt, int slot, const QString &text)
{
    return sqlite3_bind_text16(stmt, slot, text.utf16(), static_cast<int>(text.size() * 2),
                               SQLITE_TRANSIENT);
}

int bindValue(sqlite3_stmt *stmt, int slot, const QVariant &value)
{
    if (isNullValue(value))
        return sqlite3_bind_null(stmt, slot);
    switch (value.typeId()) {
    case QMetaType::QByteArray: {
        const auto *bytes = static_cast<const QByteArray *>(value.constData());
        return sqlite3_bind_blob(stmt, slot, bytes->constData(), static_cast<int>(bytes->size()),
                                 SQLITE_TRANSIENT);
    }
    case QMetaType::Int:
    case QMetaType::Bool:
        return sqlite3_bind_int(stmt, slot, value.toInt());
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, slot, value.toDouble());
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(stmt, slot, value.toLongLong());
    case QMetaType::QDateTime:
        return bindText(stmt, slot, value.toDateTime().toString(Qt::ISODateWithMs));
    case QMetaType::QTime:
        return bindText(stmt, slot, value.toTime().toString(QStringLiteral("hh:mm:ss.zzz")));
    case QMetaType::QString:
        return bindText(stmt, slot, *static_cast<const QString *>(value.constData()));
    default:
        return bindText(stmt, slot, value.toString());
    }
}

// A text equal to the same column's in the row before shares its string: the lines of one
// request repeat their header, and a list repeats its units and classes.
QVariant columnValue(sqlite3_stmt *stmt, int column, QString &previous)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(stmt, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(stmt, column)));
    }
    default: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
        const QUtf8StringView utf8(text, sqlite3_column_bytes(stmt, column));
        if (previous.isNull() || !QAnyStringView::equal(previous, utf8))
            previous = utf8.toString();
        return QVariant(previous);
    }
    }
}

// Leaves the statement ready for its next use whatever happens: a statement left mid-way holds
// a read snapshot, which keeps writers and checkpoints waiting.
struct ResetOnExit
{
    sqlite3_stmt *stmt;
    ~ResetOnExit()
    {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

} // namespace

Recordset SqliteStatements::run(const QString &written, const QString &sql,
                                const QVariantList &params, int *recordsAffected,
                                const QHash<QString, QString> *spellings)
{
    Prepared &kept = prepared(written, sql);
    sqlite3_stmt *stmt = kept.stmt;
    const ResetOnExit reset{stmt};
    if (sqlite3_bind_parameter_count(stmt) != params.size())
        fail(written, sql, QStringLiteral("Parameter count mismatch"));
    for (int i = 0; i < params.size(); ++i) {
        if (bindValue(stmt, i + 1, params.at(i)) != SQLITE_OK)
            fail(written, sql, QString::fromUtf8(sqlite3_errmsg(m_handle)));
    }
    // The columns are counted after the first step: a kept statement is prepared again there
    // when the schema changed, and "Select *" may then have more of them.
    int rc = sqlite3_step(stmt);
    const int columns = sqlite3_column_count(stmt);
    QVector<QVariant> cells;
    int rows = 0;
    QVarLengthArray<QString, 32> previous(columns);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt), ++rows) {
        const qsizetype at = cells.size();
        if (cells.capacity() < at + columns)
            cells.reserve(qMax<qsizetype>(2 * cells.capacity(), at + columns));
        cells.resize(at + columns);
        QVariant *row = cells.data() + at;
        for (int c = 0; c < columns; ++c)
            row[c] = columnValue(stmt, c, previous[c]);
    }
    if (rc != SQLITE_DONE)
        fail(written, sql, QString::fromUtf8(sqlite3_errmsg(m_handle)));
    if (recordsAffected)
        *recordsAffected = sqlite3_changes(m_handle);
    if (columns == 0)
        return Recordset();
    return Recordset(columnsOf(kept, columns, spellings), std::move(cells), rows);
}

} // namespace db
