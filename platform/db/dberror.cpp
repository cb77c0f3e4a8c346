#include "platform/db/dberror.h"

namespace db {

DbError::DbError(QString description, QString statement)
    : AppError(Number, QStringLiteral("Database"), std::move(description)),
      m_statement(std::move(statement))
{
}

} // namespace db
