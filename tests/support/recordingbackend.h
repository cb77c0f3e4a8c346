#pragma once

// A stand-in for a database engine with one engine's traits and dialect, that records each message
// the connection would send it: what the queue, the read-ahead and the transactions make of the
// program's statements, on every engine, without one.

#include "platform/db/backend.h"
#include "platform/db/dberror.h"

#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

namespace testsupport {

class RecordingBackend final : public db::backend::Backend
{
public:
    enum class Engine { Sqlite, PostgreSQL, SqlServer };

    // The connection over a recording backend; the backend stays reachable through the pointer.
    static std::unique_ptr<db::Connection> connection(Engine engine, RecordingBackend **backend);

    explicit RecordingBackend(Engine engine);

    // Each message as the texts of its statements: a statement of the program's by its text as
    // written ("[lock] " before a lock taken for it), the connection's own (BEGIN, COMMIT) by
    // theirs; a driver's transaction call as "<begin>", "<commit>", "<rollback>".
    QVector<QStringList> messages;

    // Called as each message is sent, before it is recorded.
    std::function<void()> onSend;
    // The next message fails with this kind of failure.
    std::optional<db::DbError::Kind> failNext;

    db::backend::Traits traits() const override { return m_traits; }
    const db::Dialect &dialect() const override { return *m_dialect; }
    QString dbmsName() const override;
    QString databaseName() const override { return QStringLiteral("recorded"); }

    // A wanted statement's result: one row, its column "statement" holding its text as written.
    QVector<db::Recordset> send(const QVector<db::backend::Outgoing> &message, bool inTransaction,
                                int *recordsAffected) override;
    void beginTransaction() override { messages << QStringList{QStringLiteral("<begin>")}; }
    void commitTransaction() override { messages << QStringList{QStringLiteral("<commit>")}; }
    void rollbackTransaction() override { messages << QStringList{QStringLiteral("<rollback>")}; }

private:
    Engine m_engine;
    db::backend::Traits m_traits;
    std::unique_ptr<db::Dialect> m_dialect;
};

} // namespace testsupport
