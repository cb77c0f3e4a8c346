#include "platform/db/postgresnative.h"

#include "platform/db/dberror.h"
#include "platform/db/sqllog.h"

#include <QDate>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QLocale>
#include <QTime>

#include <libpq-fe.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <thread>

#include <poll.h>

namespace db::postgres {

namespace {

// Type numbers of pg_type (catalog/pg_type_d.h), for the types the program reads.
enum : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    RegprocOid = 24,
    XidOid = 28,
    CidOid = 29,
    Float4Oid = 700,
    Float8Oid = 701,
    AbstimeOid = 702,
    ReltimeOid = 703,
    DateOid = 1082,
    TimeOid = 1083,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    TimeTzOid = 1266,
    NumericOid = 1700,
};

QMetaType typeOf(Oid type)
{
    switch (type) {
    case BoolOid:
        return QMetaType::fromType<bool>();
    case Int8Oid:
        return QMetaType::fromType<qlonglong>();
    case Int2Oid:
    case Int4Oid:
    case RegprocOid:
    case XidOid:
    case CidOid:
        return QMetaType::fromType<int>();
    case NumericOid:
    case Float4Oid:
    case Float8Oid:
        return QMetaType::fromType<double>();
    case AbstimeOid:
    case ReltimeOid:
    case DateOid:
        return QMetaType::fromType<QDate>();
    case TimeOid:
    case TimeTzOid:
        return QMetaType::fromType<QTime>();
    case TimestampOid:
    case TimestampTzOid:
        return QMetaType::fromType<QDateTime>();
    case ByteaOid:
        return QMetaType::fromType<QByteArray>();
    default:
        return QMetaType::fromType<QString>();
    }
}

// Calls f(position) for each "?" outside strings, quoted names and comments.
template <typename F> void forEachPlaceholder(const QString &sql, F &&f)
{
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // The closing quote; a doubled one stays inside.
            for (++i; i < n; ++i) {
                if (sql.at(i) == c) {
                    if (i + 1 < n && sql.at(i + 1) == c)
                        ++i;
                    else
                        break;
                }
            }
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 1;
        } else if (c == QLatin1Char('?')) {
            f(i);
        }
    }
}

// The value as the server reads it from text; nullopt for a Null.
std::optional<QByteArray> textOf(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        return QByteArray(v.toBool() ? "true" : "false");
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate).toLatin1();
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1();
    case QMetaType::QDateTime:
        // The time on the workstation's clock, as the program's own date literals are.
        return v.toDateTime()
            .toLocalTime()
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
            .toLatin1();
    case QMetaType::QByteArray:
        return QByteArray("\\x") + v.toByteArray().toHex();
    default:
        return v.toString().toUtf8();
    }
}

} // namespace

QString numberedPlaceholders(const QString &sql)
{
    QString out;
    qsizetype from = 0;
    int number = 0;
    forEachPlaceholder(sql, [&](qsizetype at) {
        out += QStringView(sql).mid(from, at - from);
        out += QLatin1Char('$') + QString::number(++number);
        from = at + 1;
    });
    if (number == 0)
        return sql;
    out += QStringView(sql).mid(from);
    return out;
}

QString withLiterals(PGconn *connection, const QString &sql, const QVariantList &params)
{
    if (params.isEmpty())
        return sql; // a "?" of its own (an operator) stays as written
    QString out;
    qsizetype from = 0;
    qsizetype next = 0;
    forEachPlaceholder(sql, [&](qsizetype at) {
        out += QStringView(sql).mid(from, at - from);
        from = at + 1;
        const std::optional<QByteArray> text =
            next < params.size() ? textOf(params.at(next)) : std::nullopt;
        ++next;
        if (!text) {
            out += QLatin1String("NULL");
            return;
        }
        char *literal = PQescapeLiteral(connection, text->constData(), size_t(text->size()));
        if (!literal)
            throw DbError(errorText(connection, nullptr), sql);
        out += QString::fromUtf8(literal);
        PQfreemem(literal);
    });
    if (next == 0)
        return sql;
    out += QStringView(sql).mid(from);
    return out;
}

TextParams::TextParams(const QVariantList &params)
{
    storage.reserve(size_t(params.size()));
    values.reserve(size_t(params.size()));
    for (const QVariant &v : params) {
        const std::optional<QByteArray> text = textOf(v);
        storage.push_back(text.value_or(QByteArray()));
        values.push_back(text ? storage.back().constData() : nullptr);
    }
}

std::optional<InsertRow> singleRowInsert(QStringView sql)
{
    if (sql.contains(u'\\') || sql.contains(u'$'))
        return std::nullopt;
    const QStringView statement = sql.trimmed();
    if (!statement.startsWith(u"insert", Qt::CaseInsensitive) || statement.size() < 7 ||
        !statement.at(6).isSpace())
        return std::nullopt;
    const auto isNamePart = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
    const qsizetype n = statement.size();
    int depth = 0;
    qsizetype headEnd = -1; // just after VALUES
    qsizetype rowStart = -1;
    qsizetype rowEnd = -1;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = statement.at(i);
        if (rowEnd >= 0) {
            if (!c.isSpace())
                return std::nullopt; // anything after the row
            continue;
        }
        if (c == u'\'' || c == u'"') {
            // A doubled quote inside reads as the end of one string and the start of the next:
            // the same for finding the statement's parts.
            const qsizetype close = statement.indexOf(c, i + 1);
            if (close < 0)
                return std::nullopt;
            i = close;
            continue;
        }
        if (c == u';' || (c == u'-' && i + 1 < n && statement.at(i + 1) == u'-') ||
            (c == u'/' && i + 1 < n && statement.at(i + 1) == u'*'))
            return std::nullopt;
        if (c == u'(') {
            if (depth++ == 0 && headEnd >= 0)
                rowStart = i;
            continue;
        }
        if (c == u')') {
            if (--depth < 0)
                return std::nullopt;
            if (depth == 0 && rowStart >= 0)
                rowEnd = i + 1;
            continue;
        }
        if (depth > 0 || c.isSpace())
            continue;
        if (headEnd >= 0)
            return std::nullopt; // something between VALUES and its row
        if ((c == u'v' || c == u'V') && (i == 0 || !isNamePart(statement.at(i - 1))) &&
            statement.mid(i, 6).compare(u"values", Qt::CaseInsensitive) == 0 &&
            (i + 6 == n || !isNamePart(statement.at(i + 6)))) {
            headEnd = i + 6;
            i += 5;
        }
    }
    if (rowEnd < 0)
        return std::nullopt;
    return InsertRow{statement.left(headEnd), statement.mid(rowStart, rowEnd - rowStart)};
}

QVariant value(const PGresult *result, int row, int column)
{
    const Oid type = PQftype(result, column);
    if (PQgetisnull(result, row, column))
        return QVariant(typeOf(type));
    const char *text = PQgetvalue(result, row, column);
    const int length = PQgetlength(result, row, column);
    switch (type) {
    case BoolOid:
        return QVariant(text[0] == 't');
    case Int8Oid:
        // A positive number comes as unsigned, a negative one as signed, as the driver gives them.
        if (text[0] == '-')
            return QByteArray::fromRawData(text, length).toLongLong();
        return QByteArray::fromRawData(text, length).toULongLong();
    case Int2Oid:
    case Int4Oid:
    case RegprocOid:
    case XidOid:
    case CidOid:
        return QVariant(atoi(text));
    case NumericOid:
    case Float4Oid:
    case Float8Oid: {
        // The server writes a number in the shortest form that reads back exactly, and both
        // readers round exactly: the quick one, then Qt's for what it does not take.
        double number = 0;
        if (const auto [end, error] = std::from_chars(text, text + length, number);
            error == std::errc() && end == text + length)
            return QVariant(number);
        bool ok = false;
        number = QByteArray::fromRawData(text, length).toDouble(&ok);
        if (!ok) {
            if (qstricmp(text, "NaN") == 0)
                number = std::numeric_limits<double>::quiet_NaN();
            else if (qstricmp(text, "Infinity") == 0)
                number = std::numeric_limits<double>::infinity();
            else if (qstricmp(text, "-Infinity") == 0)
                number = -std::numeric_limits<double>::infinity();
            else
                return QVariant();
        }
        return QVariant(number);
    }
    case AbstimeOid:
    case ReltimeOid:
    case DateOid:
        return QVariant(QDate::fromString(QString::fromLatin1(text, length), Qt::ISODate));
    case TimeOid:
    case TimeTzOid:
        return QVariant(QTime::fromString(QString::fromLatin1(text, length), Qt::ISODate));
    case TimestampOid:
        // The server's ISO form without a zone is the engines' stored form: read without the
        // general parser.
        if (const std::optional<QDateTime> local =
                storedDateTime(QString::fromLatin1(text, length)))
            return QVariant(*local);
        [[fallthrough]];
    case TimestampTzOid:
        return QVariant(
            QDateTime::fromString(QString::fromLatin1(text, length), Qt::ISODate).toLocalTime());
    case ByteaOid: {
        size_t size = 0;
        unsigned char *bytes =
            PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &size);
        QByteArray array(reinterpret_cast<const char *>(bytes), qsizetype(size));
        PQfreemem(bytes);
        return QVariant(array);
    }
    default:
        return QVariant(QString::fromUtf8(text, length));
    }
}

namespace {

std::shared_ptr<const Recordset::Columns> columnsOf(const PGresult *result,
                                                    const QHash<QString, QString> *spellings)
{
    const int columns = PQnfields(result);
    QStringList names;
    names.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        const QString name = QString::fromUtf8(PQfname(result, c));
        names << (spellings ? spellings->value(name, name) : name);
    }
    return std::make_shared<const Recordset::Columns>(std::move(names));
}

} // namespace

std::shared_ptr<const Recordset::Columns>
ResultColumns::of(const PGresult *result, const QHash<QString, QString> *spellings)
{
    QByteArray names;
    for (int c = 0; c < PQnfields(result); ++c)
        names.append(PQfname(result, c)).append('\0');
    static const QHash<QString, QString> none;
    const QHash<QString, QString> &spelt = spellings ? *spellings : none;
    for (Kept &kept : m_kept) {
        if (kept.names == names && kept.spellings == spelt) {
            kept.used = ++m_clock;
            return kept.columns;
        }
    }
    Kept made{std::move(names), spelt, columnsOf(result, spellings), ++m_clock};
    if (m_kept.size() < std::size_t(Capacity)) {
        m_kept.push_back(std::move(made));
        return m_kept.back().columns;
    }
    Kept &oldest = *std::min_element(m_kept.begin(), m_kept.end(),
                                     [](const Kept &a, const Kept &b) { return a.used < b.used; });
    oldest = std::move(made);
    return oldest.columns;
}

namespace {

// The cells of row `row` of a result appended, after those of the row above it (row `aboveRow`
// of `above`, if any). A value the same as the one above it in its column (a request's date, its
// location, its requester on every line) is not read again: it is shared.
void appendRow(QVector<QVariant> &cells, const PGresult *result, int row, const PGresult *above,
               int aboveRow)
{
    const int columns = PQnfields(result);
    for (int c = 0; c < columns; ++c) {
        if (above && PQgetisnull(result, row, c) == PQgetisnull(above, aboveRow, c)) {
            const int length = PQgetlength(result, row, c);
            if (length == PQgetlength(above, aboveRow, c) &&
                memcmp(PQgetvalue(result, row, c), PQgetvalue(above, aboveRow, c),
                       size_t(length)) == 0) {
                cells.emplaceBack(cells.at(cells.size() - columns));
                continue;
            }
        }
        cells.emplaceBack(value(result, row, c));
    }
}

} // namespace

Recordset recordset(const PGresult *result, const QHash<QString, QString> *spellings,
                    ResultColumns *kept)
{
    const int columns = PQnfields(result);
    const int rowCount = PQntuples(result);
    QVector<QVariant> cells;
    cells.reserve(qsizetype(rowCount) * columns);
    for (int r = 0; r < rowCount; ++r)
        appendRow(cells, result, r, r > 0 ? result : nullptr, r - 1);
    return Recordset(kept ? kept->of(result, spellings) : columnsOf(result, spellings),
                     std::move(cells), rowCount);
}

void ResultRows::add(PGresult *row, const QHash<QString, QString> *spellings, ResultColumns *kept,
                     const RowWatcher *watcher)
{
    std::unique_ptr<PGresult, FreeResult> owned(row);
    if (!m_columns)
        m_columns = kept ? kept->of(row, spellings) : columnsOf(row, spellings);
    const int width = PQnfields(row);
    for (int r = 0; r < PQntuples(row); ++r) {
        appendRow(m_cells, row, r, r > 0 ? row : m_above.get(), r > 0 ? r - 1 : m_aboveRow);
        ++m_rows;
        if (watcher && *watcher) {
            try {
                (*watcher)(*m_columns, m_rows - 1,
                           m_cells.constData() + qsizetype(m_rows - 1) * width);
            } catch (...) {
                // A watcher that throws breaks its promise; the rows are read on regardless.
            }
        }
    }
    if (PQntuples(row) > 0) {
        m_aboveRow = PQntuples(row) - 1;
        m_above = std::move(owned);
    }
}

Recordset ResultRows::finish(const PGresult *last, const QHash<QString, QString> *spellings,
                             ResultColumns *kept)
{
    if (m_rows == 0)
        return recordset(last, spellings, kept);
    Recordset rs(m_columns, std::move(m_cells), m_rows);
    clear();
    return rs;
}

void ResultRows::clear()
{
    m_columns.reset();
    m_cells = {};
    m_rows = 0;
    m_above.reset();
    m_aboveRow = 0;
}

void ResultRows::FreeResult::operator()(PGresult *result) const
{
    PQclear(result);
}

QString errorText(PGconn *connection, const PGresult *result)
{
    QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : "").trimmed();
    if (text.isEmpty())
        text = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
    if (text.isEmpty())
        text = QStringLiteral("The server gave no answer.");
    const char *code = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    if (code && *code)
        text += QStringLiteral(" (%1)").arg(QLatin1String(code));
    return withoutSecrets(text);
}

Readiness awaitResult(PGconn *connection, const QDeadlineTimer &deadline,
                      const std::function<int()> &pause)
{
    for (;;) {
        const int flushed = PQflush(connection); // 0: all sent, 1: more to send, -1: failed
        if (flushed < 0)
            return Readiness::Broken;
        if (flushed == 0 && !PQisBusy(connection))
            return Readiness::Ready;
        const qint64 left = deadline.remainingTime(); // -1: no deadline
        if (left == 0)
            return Readiness::TimedOut;
        qint64 wait = pause ? std::max(1, pause()) : 100;
        if (left > 0)
            wait = std::min(wait, left);
        pollfd socket{};
        socket.fd = PQsocket(connection);
        if (socket.fd < 0)
            return Readiness::Broken;
        socket.events = short(POLLIN | (flushed == 1 ? POLLOUT : 0));
        const int ready = ::poll(&socket, 1, int(wait));
        if (ready < 0 && errno != EINTR)
            return Readiness::Broken;
        if (ready > 0 && (socket.revents & (POLLIN | POLLERR | POLLHUP)) &&
            !PQconsumeInput(connection))
            return Readiness::Broken;
    }
}

void cancelInBackground(PGconn *connection)
{
    PGcancel *cancel = connection ? PQgetCancel(connection) : nullptr;
    if (!cancel)
        return;
    std::thread([cancel] {
        char message[256];
        PQcancel(cancel, message, int(sizeof message));
        PQfreeCancel(cancel);
    }).detach();
}

} // namespace db::postgres
