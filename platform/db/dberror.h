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

    // What kind of failure it was, so that a window can word it and decide what to do next.
    enum class Kind {
        Failed,         // the server (or the program) refused the statement
        TimedOut,       // no answer within the bound; nothing of the action was stored
        ConnectionLost, // the connection broke before the action's commit was sent
        OutcomeUnknown, // the commit was sent but not confirmed: it may or may not have been stored
    };

    DbError(QString description, QString statement = {}, Kind kind = Kind::Failed,
            int timeoutSeconds = 0);

    // "The server did not answer within N s." (TimedOut), or, when the wait was for a commit,
    // "The server did not confirm the save within N s; ..." (OutcomeUnknown).
    static DbError timedOut(int seconds, bool committing, QString statement = {});

    const QString &statement() const { return m_statement; }
    Kind kind() const { return m_kind; }
    // The bound that was reached, in seconds, for a failure that timed out; 0 otherwise.
    int timeoutSeconds() const { return m_timeoutSeconds; }

private:
    QString m_statement;
    Kind m_kind;
    int m_timeoutSeconds;
};

} // namespace db
