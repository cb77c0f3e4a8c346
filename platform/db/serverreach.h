#pragma once

#include "platform/db/connection.h"

#include <memory>

namespace db {

// An attempt to reach a PostgreSQL server that never blocks the caller: started at once, then
// taken a step further whenever the caller likes, until the server has answered (either way).
// Opening the connection itself blocks until the server answers; a window reaches it first this
// way, so that it can show the wait and let it be given up.
class ServerReach
{
public:
    explicit ServerReach(const PostgresLogon &logon);
    ~ServerReach();
    ServerReach(const ServerReach &) = delete;
    ServerReach &operator=(const ServerReach &) = delete;

    // Waits at most waitMs for the server, then goes on as far as it can without waiting; true
    // once the attempt is over: the server answered, refused, or cannot be reached at all.
    bool step(int waitMs = 0);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace db
