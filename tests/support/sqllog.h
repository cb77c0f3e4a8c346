#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace testsupport {

// Captures the program's SQL log while it lives: every statement as the program wrote it (the
// category's debug lines, switched on for the capture and off again after it) and every failure
// (its warning lines). Other messages go on to the handler that was installed before. Captures
// nest: the innermost one records.
class SqlLog
{
public:
    SqlLog();
    ~SqlLog();
    SqlLog(const SqlLog &) = delete;
    SqlLog &operator=(const SqlLog &) = delete;

    // The statements sent, in order, as written (with the transaction's edges: "BEGIN
    // TRANSACTION", "COMMIT", "ROLLBACK").
    const QStringList &statements() const { return m_statements; }
    // The first statement that starts with `start`; empty when none does.
    QString startingWith(const QString &start) const;
    // Statements and failures in the order they came, as "debug <line>" and "warning <line>".
    const QStringList &entries() const { return m_entries; }
    void clear();

    // Called with each statement as it is logged, before it is sent.
    void onStatement(std::function<void(const QString &)> callback)
    {
        m_onStatement = std::move(callback);
    }

private:
    friend struct SqlLogHandler;

    QStringList m_statements;
    QStringList m_entries;
    std::function<void(const QString &)> m_onStatement;
    SqlLog *m_outer = nullptr;
};

} // namespace testsupport
