#include "platform/db/dberror.h"

#include "platform/db/sqllog.h"

namespace db {

DbError::DbError(QString description, QString statement, Kind kind)
    : AppError(Number, QStringLiteral("Database"), withoutSecrets(std::move(description))),
      m_statement(withoutSecrets(std::move(statement))), m_kind(kind)
{
}

} // namespace db
