#include "platform/db/sqlitefunctions.h"

#include <QDateTime>
#include <QRegularExpression>

#include <sqlite3.h>

namespace db {

namespace {

QString likePatternToRegex(const QString &pattern)
{
    // '%' any run, '_' one character, '[...]' a set ('[^...]' its complement).
    QString rx;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('%')) {
            rx += QLatin1String(".*?");
        } else if (c == QLatin1Char('_')) {
            rx += QLatin1Char('.');
        } else if (c == QLatin1Char('[')) {
            const int end = static_cast<int>(pattern.indexOf(QLatin1Char(']'), i + 1));
            if (end < 0) {
                rx += QRegularExpression::escape(QString(c));
                continue;
            }
            QString set = pattern.mid(i + 1, end - i - 1);
            const bool negate = set.startsWith(QLatin1Char('^'));
            if (negate)
                set.remove(0, 1);
            rx += QLatin1Char('[') + QLatin1String(negate ? "^" : "");
            for (const QChar s : set)
                rx += (s == QLatin1Char('-')) ? QString(s) : QRegularExpression::escape(QString(s));
            rx += QLatin1Char(']');
            i = end;
        } else {
            rx += QRegularExpression::escape(QString(c));
        }
    }
    return rx;
}

void getDate(sqlite3_context *context, int, sqlite3_value **)
{
    const QByteArray text = currentDateTimeText().toUtf8();
    sqlite3_result_text(context, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

QString valueText(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QString::fromUtf8(text, sqlite3_value_bytes(value));
}

void patIndexFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_int(context, patIndex(valueText(argv[0]), valueText(argv[1])));
}

} // namespace

QString currentDateTimeText()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int patIndex(const QString &pattern, const QString &text)
{
    // The pattern is anchored at each end unless it begins or ends with '%'; the position is
    // where the leftmost match of what follows the leading '%' starts.
    QString core = pattern;
    const bool openStart = core.startsWith(QLatin1Char('%'));
    if (openStart)
        core.remove(0, 1);
    const bool openEnd = core.endsWith(QLatin1Char('%')) || (openStart && core.isEmpty());
    if (core.endsWith(QLatin1Char('%')))
        core.chop(1);
    QString rx = likePatternToRegex(core);
    if (!openStart)
        rx.prepend(QLatin1Char('^'));
    if (!openEnd)
        rx.append(QLatin1Char('$'));
    const QRegularExpression re(rx, QRegularExpression::CaseInsensitiveOption |
                                        QRegularExpression::DotMatchesEverythingOption);
    const auto match = re.match(text);
    return match.hasMatch() ? static_cast<int>(match.capturedStart()) + 1 : 0;
}

QString registerSqliteFunctions(sqlite3 *handle)
{
    if (!handle)
        return QStringLiteral("no SQLite handle");
    int rc = sqlite3_create_function_v2(handle, "GetDate", 0, SQLITE_UTF8, nullptr, getDate,
                                        nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(handle, "PatIndex", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                        nullptr, patIndexFunction, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? QString() : QString::fromUtf8(sqlite3_errmsg(handle));
}

} // namespace db
