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

    // What kind of failure: the server refused the statement, gave no answer within the bound,
    // went away, or went silent while the commit's answer was awaited (the outcome unknown).
    enum class Kind { Failed, TimedOut, ConnectionLost, OutcomeUnknown };

    DbError(QString description, QString statement = {}, Kind kind = Kind::Failed);

    const QString &statement() const { return m_statement; }
    Kind kind() const { return m_kind; }

private:
    QString m_statement;
    Kind m_kind = Kind::Failed;
};

} // namespace db
