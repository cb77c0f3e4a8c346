#include "platform/session/serverprobe.h"

#include "platform/db/dberror.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <libpq-fe.h>
#include <poll.h>

#include <memory>

namespace {

// How long the server may take before the dialog shows: a server nearby answers before anything
// needs to be shown.
constexpr int QuietMs = 100;

struct ConnectionGuard
{
    PGconn *connection;
    ~ConnectionGuard() { PQfinish(connection); }
};

// One step of libpq's connect without blocking: true when the attempt is over (either way).
bool advance(PGconn *connection, PostgresPollingStatusType &status)
{
    if (status == PGRES_POLLING_OK || status == PGRES_POLLING_FAILED)
        return true;
    pollfd socket{};
    socket.fd = PQsocket(connection);
    if (socket.fd < 0)
        return true;
    socket.events = status == PGRES_POLLING_WRITING ? POLLOUT : POLLIN;
    if (::poll(&socket, 1, 0) <= 0)
        return false;
    status = PQconnectPoll(connection);
    return status == PGRES_POLLING_OK || status == PGRES_POLLING_FAILED;
}

} // namespace

void probeServer(const db::PostgresLogon &logon, QWidget *parent)
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
    const ConnectionGuard guard{PQconnectStartParams(keys, values, 0)};
    if (!guard.connection || PQstatus(guard.connection) == CONNECTION_BAD)
        return; // the connection itself says why
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    const QDeadlineTimer deadline(std::chrono::seconds(logon.timeoutSeconds));

    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < QuietMs) {
        if (advance(guard.connection, status))
            return;
        pollfd socket{PQsocket(guard.connection),
                      short(status == PGRES_POLLING_WRITING ? POLLOUT : POLLIN), 0};
        ::poll(&socket, 1, 10);
    }

    const QString where = QStringLiteral("%1:%2").arg(logon.host).arg(logon.port);
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ConnectingDialog"));
    dialog.setWindowTitle(QStringLiteral("Inventory Request"));
    dialog.setModal(true);
    auto *text = new QLabel(QStringLiteral("Connecting to %1...").arg(where), &dialog);
    text->setObjectName(QStringLiteral("lblConnecting"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    bool timedOut = false;
    QTimer step;
    step.setInterval(20);
    QObject::connect(&step, &QTimer::timeout, &dialog, [&] {
        if (advance(guard.connection, status)) {
            dialog.accept();
        } else if (deadline.hasExpired()) {
            timedOut = true;
            dialog.reject();
        }
    });
    step.start();
    const int answered = dialog.exec();
    step.stop();
    if (answered == QDialog::Accepted)
        return;
    if (timedOut)
        throw db::DbError::timedOut(logon.timeoutSeconds, false);
    throw db::DbError(QStringLiteral("Connecting to %1 was cancelled.").arg(where));
}
