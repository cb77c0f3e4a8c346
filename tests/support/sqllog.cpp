#include "support/sqllog.h"

#include "platform/db/sqllog.h"

#include <QLoggingCategory>

namespace testsupport {

namespace {

SqlLog *g_current = nullptr;
QtMessageHandler g_previous = nullptr;

} // namespace

struct SqlLogHandler
{
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        SqlLog *log = g_current;
        const bool sql =
            log && context.category && qstrcmp(context.category, lcSql().categoryName()) == 0;
        if (sql && type == QtDebugMsg) {
            log->m_statements << message;
            log->m_entries << QStringLiteral("debug ") + message;
            if (log->m_onStatement)
                log->m_onStatement(message);
        } else if (sql && type == QtWarningMsg) {
            log->m_entries << QStringLiteral("warning ") + message;
        } else if (g_previous) {
            g_previous(type, context, message);
        }
    }
};

SqlLog::SqlLog() : m_outer(g_current)
{
    if (!m_outer) {
        g_previous = qInstallMessageHandler(SqlLogHandler::handle);
        QLoggingCategory::setFilterRules(QStringLiteral("inventory.sql.debug=true"));
    }
    g_current = this;
}

SqlLog::~SqlLog()
{
    g_current = m_outer;
    if (!m_outer) {
        QLoggingCategory::setFilterRules(QStringLiteral("inventory.sql.debug=false"));
        qInstallMessageHandler(g_previous);
    }
}

QString SqlLog::startingWith(const QString &start) const
{
    for (const QString &statement : m_statements)
        if (statement.startsWith(start))
            return statement;
    return {};
}

void SqlLog::clear()
{
    m_statements.clear();
    m_entries.clear();
}

} // namespace testsupport
