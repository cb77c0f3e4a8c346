#pragma once

#include "platform/error.h"

namespace db {

// A failure of the database layer: the server's (or the translator's) message as the description,
// and the statement as the program wrote it, so a log or a test can tell which one failed.
class DbError : public AppError
{
public:
    // The number a database failure carries, like the provider errors of the old data access layer.
    static constexpr long Number = static_cast<long>(0x80004005);

    DbError(QString description, QString statement = {});

    const QString &statement() const { return m_statement; }

private:
    QString m_statement;
};

} // namespace db
