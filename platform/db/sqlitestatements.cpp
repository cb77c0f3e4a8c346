#include "platform/db/sqlitestatements.h"

#include "platform/db/dberror.h"
#include "platform/db/sqllog.h"
#include "platform/db/tsqltokens.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QDateTime>
#include <QStringView>
#include <QVarLengthArray>

#include <sqlite3.h>

namespace db {

namespace {

// A token of the statement by its place in the text: tokenize()'s rules, without copying any text.
struct Lexeme
{
    Token::Kind kind;
    int start;
    int size;
};

using Lexemes = QVarLengthArray<Lexeme, 256>;

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#');
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
           c == QLatin1Char('#') || c == QLatin1Char('$');
}

// False where tokenize() would fail (an unterminated string, name or comment): such a statement
// is left to the translator, which says what is wrong with it.
bool scan(const QString &sql, Lexemes &out)
{
    const int n = static_cast<int>(sql.size());
    const QChar *s = sql.constData();
    int i = 0;
    while (i < n) {
        const QChar c = s[i];
        const int start = i;
        Token::Kind kind;
        if (c.isSpace()) {
            while (i < n && s[i].isSpace())
                ++i;
            kind = Token::Space;
        } else if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
            while (i < n && s[i] != QLatin1Char('\n'))
                ++i;
            kind = Token::Comment;
        } else if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
            const int end = static_cast<int>(sql.indexOf(QLatin1String("*/"), i + 2));
            if (end < 0)
                return false;
            i = end + 2;
            kind = Token::Comment;
        } else if (c == QLatin1Char('\'') || ((c == QLatin1Char('N') || c == QLatin1Char('n')) &&
                                              i + 1 < n && s[i + 1] == QLatin1Char('\''))) {
            i += (c == QLatin1Char('\'')) ? 1 : 2;
            for (;;) {
                if (i >= n)
                    return false;
                if (s[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('\'')) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            kind = Token::String;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = (c == QLatin1Char('[')) ? QLatin1Char(']') : QLatin1Char('"');
            const int end = static_cast<int>(sql.indexOf(close, i + 1));
            if (end < 0)
                return false;
            i = end + 1;
            kind = Token::QuotedName;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s[i + 1].isDigit() &&
                                   (out.isEmpty() || out.last().kind != Token::Word))) {
            while (i < n && (s[i].isDigit() || s[i] == QLatin1Char('.')))
                ++i;
            kind = Token::Number;
        } else if (isWordStart(c)) {
            while (i < n && isWordChar(s[i]))
                ++i;
            kind = Token::Word;
        } else {
            static const char *const pairs[] = {"<=", ">=", "<>", "!=", "||", "!<", "!>"};
            i += 1;
            if (start + 1 < n) {
                const QStringView two(s + start, 2);
                for (const char *pair : pairs)
                    if (two == QLatin1String(pair))
                        i = start + 2;
            }
            kind = Token::Punct;
        }
        out.append({kind, start, i - start});
    }
    return true;
}

class Shaper
{
public:
    Shaper(const QString &sql, const Lexemes &lexemes, const RealOf &realOf)
        : m_sql(sql), m_lx(lexemes), m_realOf(realOf)
    {
        for (int i = 0; i < m_lx.size(); ++i)
            if (m_lx[i].kind != Token::Space && m_lx[i].kind != Token::Comment)
                m_sig.append(i);
    }

    int count() const { return static_cast<int>(m_sig.size()); }
    const Lexeme &at(int p) const { return m_lx[m_sig[p]]; }
    QStringView text(int p) const { return QStringView(m_sql).mid(at(p).start, at(p).size); }
    bool isWord(int p, QLatin1String word) const
    {
        return p >= 0 && p < count() && at(p).kind == Token::Word &&
               text(p).compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isPunct(int p, QLatin1String punct) const
    {
        return p >= 0 && p < count() && at(p).kind == Token::Punct && text(p) == punct;
    }

    // A plain value's operator: the comparisons (LIKE is not one here).
    bool isComparison(int p) const
    {
        static const char *const operators[] = {"=", "<>", "!=", "<", ">", "<=", ">="};
        for (const char *op : operators)
            if (isPunct(p, QLatin1String(op)))
                return true;
        return false;
    }

    // What may follow a plain value: the end, a closing parenthesis, a comma, a clause's keyword.
    bool endsValue(int p) const
    {
        static const char *const keywords[] = {"and",    "or",    "then",  "else",
                                               "when",   "end",   "order", "group",
                                               "having", "union", "from",  "where"};
        if (p >= count() || isPunct(p, QLatin1String(")")) || isPunct(p, QLatin1String(",")))
            return true;
        for (const char *keyword : keywords)
            if (isWord(p, QLatin1String(keyword)))
                return true;
        return false;
    }

    // A word that ends a select list.
    bool isClauseAfterSelectList(int p) const
    {
        static const char *const keywords[] = {"from",   "where", "group",  "order",
                                               "having", "union", "except", "intersect"};
        for (const char *keyword : keywords)
            if (isWord(p, QLatin1String(keyword)))
                return true;
        return false;
    }

    // The elements of an Insert's Values rows that are one literal each (a number may have its
    // minus sign): marked at their first token.
    void markInsertValues(QVarLengthArray<bool, 256> &slot) const
    {
        int depth = 0;
        int values = -1;
        for (int p = 1; p < count(); ++p) {
            if (isPunct(p, QLatin1String("(")))
                ++depth;
            else if (isPunct(p, QLatin1String(")")))
                --depth;
            else if (depth == 0 && isWord(p, QLatin1String("values")) &&
                     isPunct(p - 1, QLatin1String(")"))) {
                values = p;
                break;
            }
        }
        if (values < 0)
            return;
        int p = values + 1;
        while (isPunct(p, QLatin1String("("))) {
            int from = p + 1; // the first token of the element
            int nested = 0;
            int q = from;
            for (; q < count(); ++q) {
                if (isPunct(q, QLatin1String("("))) {
                    ++nested;
                } else if (isPunct(q, QLatin1String(")")) && nested > 0) {
                    --nested;
                } else if (nested == 0 &&
                           (isPunct(q, QLatin1String(",")) || isPunct(q, QLatin1String(")")))) {
                    const int size = q - from;
                    if (size == 1 || (size == 2 && isPunct(from, QLatin1String("-"))))
                        slot[from] = true;
                    if (isPunct(q, QLatin1String(")")))
                        break;
                    from = q + 1;
                }
            }
            if (q >= count())
                return;
            p = isPunct(q + 1, QLatin1String(",")) ? q + 2 : count();
        }
    }

    // The value of the literal at p (negated when asked); invalid when it is not lifted.
    QVariant literal(int p, bool negative) const
    {
        const QStringView t = text(p);
        if (at(p).kind == Token::String) {
            if (negative)
                return {};
            QStringView body = t;
            if (body.front() != QLatin1Char('\''))
                body = body.mid(1); // N'..'
            body = body.mid(1, body.size() - 2);
            // A text that may read as a date is rewritten by the translator, by its column.
            if (body.size() >= 2 && body[0].isDigit() &&
                (body[1] == QLatin1Char('/') ||
                 (body.size() >= 3 && body[1].isDigit() && body[2] == QLatin1Char('/'))))
                return {};
            QString value = body.toString();
            if (value.contains(QChar(0)))
                return {};
            value.replace(QLatin1String("''"), QLatin1String("'"));
            return value;
        }
        // A whole number as a 64-bit integer, a decimal of up to 15 digits as a double: the
        // values SQLite itself reads from those literals.
        int digits = 0;
        int dots = 0;
        int decimals = 0;
        qint64 significand = 0;
        for (const QChar c : t) {
            if (c == QLatin1Char('.')) {
                ++dots;
                continue;
            }
            ++digits;
            decimals += dots;
            if (digits <= 15)
                significand = significand * 10 + c.digitValue();
        }
        if (dots == 0) {
            bool ok = false;
            const qlonglong value = t.toLongLong(&ok);
            if (!ok)
                return {};
            return negative ? -value : value;
        }
        if (dots > 1 || digits == 0 || digits > 15)
            return {};
        bool ok = false;
        double value = t.toDouble(&ok);
        if (!ok)
            return {};
        // A decimal that a double holds exactly reads the same whichever way it is read; another
        // one is read by SQLite's own conversion, which may differ from the nearest double in
        // its last bit.
        qint64 power = 1;
        for (int k = 0; k < decimals; ++k)
            power *= 5;
        if (significand % power != 0) {
            if (!m_realOf)
                return {};
            const std::optional<double> read = m_realOf(t);
            if (!read)
                return {};
            value = *read;
        }
        return negative ? -value : value;
    }

private:
    const QString &m_sql;
    const Lexemes &m_lx;
    const RealOf &m_realOf;
    QVarLengthArray<int, 256> m_sig;
};

} // namespace

StatementShape statementShape(const QString &tsql, const QVariantList &params, const RealOf &realOf)
{
    StatementShape shape{tsql, params, false};
    Lexemes lexemes;
    if (!scan(tsql, lexemes))
        return shape;
    const Shaper s(tsql, lexemes, realOf);
    if (s.count() == 0 ||
        !(s.isWord(0, QLatin1String("select")) || s.isWord(0, QLatin1String("insert")) ||
          s.isWord(0, QLatin1String("update")) || s.isWord(0, QLatin1String("delete"))))
        return shape;
    int marks = 0;
    for (int p = 0; p < s.count(); ++p)
        marks += s.isPunct(p, QLatin1String("?")) ? 1 : 0;
    if (marks != params.size())
        return shape;
    QVarLengthArray<bool, 256> slot(s.count(), false);
    if (s.isWord(0, QLatin1String("insert")))
        s.markInsertValues(slot);

    QString text;
    QVariantList values;
    int copied = 0; // the text up to here is in text
    int param = 0;
    // Nothing in a select list is lifted, at any depth: a column without an alias is named by
    // its expression as written.
    struct Scope
    {
        bool inherited;
        bool selectList;
    };
    QVarLengthArray<Scope, 16> scopes;
    scopes.append({false, false});
    const auto inSelectList = [&] { return scopes.last().inherited || scopes.last().selectList; };
    for (int p = 0; p < s.count(); ++p) {
        if (s.isPunct(p, QLatin1String("?"))) {
            values << params.at(param++);
            continue;
        }
        if (s.isPunct(p, QLatin1String("("))) {
            scopes.append({inSelectList(), false});
            continue;
        }
        if (s.isPunct(p, QLatin1String(")"))) {
            if (scopes.size() > 1)
                scopes.removeLast();
            continue;
        }
        if (s.at(p).kind == Token::Word) {
            if (s.isWord(p, QLatin1String("select")))
                scopes.last().selectList = true;
            else if (s.isClauseAfterSelectList(p))
                scopes.last().selectList = false;
            continue;
        }
        if (inSelectList())
            continue;
        const bool negative = s.isPunct(p, QLatin1String("-")) && p + 1 < s.count() &&
                              s.at(p + 1).kind == Token::Number;
        const int last = negative ? p + 1 : p;
        if (!negative && s.at(p).kind != Token::String && s.at(p).kind != Token::Number)
            continue;
        if (!slot[p] && !(s.isComparison(p - 1) && s.endsValue(last + 1)))
            continue;
        const QVariant value = s.literal(last, negative);
        if (!value.isValid())
            continue;
        if (text.isEmpty())
            text.reserve(tsql.size());
        text += QStringView(tsql).mid(copied, s.at(p).start - copied);
        text += QLatin1Char('?');
        copied = s.at(last).start + s.at(last).size;
        values << value;
        p = last;
    }
    if (copied == 0)
        return shape;
    text += QStringView(tsql).mid(copied);
    return {text, values, true};
}

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
