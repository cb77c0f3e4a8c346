#include "platform/db/serverreach.h"

#include <libpq-fe.h>
#include <poll.h>

namespace db {

struct ServerReach::Private
{
    PGconn *connection = nullptr;
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;

    ~Private() { PQfinish(connection); }
};

ServerReach::ServerReach(const PostgresLogon &logon) : d(std::make_unique<Private>())
{
    const QByteArray host = logon.host.toUtf8();
    const QByteArray port = QByteArray::number(logon.port);
    const QByteArray database = logon.database.toUtf8();
    const QByteArray user = logon.user.toUtf8();
    const QByteArray password = logon.password.toUtf8();
    const QByteArray timeout = QByteArray::number(logon.timeoutSeconds);
    const char *keys[] = {
        "host", "port", "dbname", "user", "password", "connect_timeout", "application_name",
        nullptr};
    const char *values[] = {
        host.constData(),     port.constData(),    database.constData(), user.constData(),
        password.constData(), timeout.constData(), "inventory-request",  nullptr};
    d->connection = PQconnectStartParams(keys, values, 0);
    if (!d->connection || PQstatus(d->connection) == CONNECTION_BAD)
        d->status = PGRES_POLLING_FAILED; // the connection itself will say why
}

ServerReach::~ServerReach() = default;

bool ServerReach::step(int waitMs)
{
    PostgresPollingStatusType &status = d->status;
    if (status == PGRES_POLLING_OK || status == PGRES_POLLING_FAILED)
        return true;
    pollfd socket{};
    socket.fd = PQsocket(d->connection);
    if (socket.fd < 0)
        return true;
    socket.events = status == PGRES_POLLING_WRITING ? POLLOUT : POLLIN;
    if (::poll(&socket, 1, waitMs) <= 0)
        return false;
    status = PQconnectPoll(d->connection);
    return status == PGRES_POLLING_OK || status == PGRES_POLLING_FAILED;
}

} // namespace db
