#include "platform/db/dberror.h"

#include "platform/db/sqllog.h"

namespace db {

DbError::DbError(QString description, QString statement, Kind kind, int timeoutSeconds)
    : AppError(Number, QStringLiteral("Database"), withoutSecrets(std::move(description))),
      m_statement(withoutSecrets(std::move(statement))), m_kind(kind),
      m_timeoutSeconds(timeoutSeconds)
{
}

DbError DbError::timedOut(int seconds, bool committing, QString statement)
{
    if (committing)
        return DbError(QStringLiteral("The server did not confirm the save within %1 s; whether "
                                      "it was stored is not known yet.")
                           .arg(seconds),
                       std::move(statement), Kind::OutcomeUnknown, seconds);
    return DbError(QStringLiteral("The server did not answer within %1 s.").arg(seconds),
                   std::move(statement), Kind::TimedOut, seconds);
}

} // namespace db
