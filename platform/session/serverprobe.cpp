#include "platform/session/serverprobe.h"

#include "platform/db/dberror.h"
#include "platform/db/serverreach.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

// How long the server may take before the dialog shows: a server nearby answers before anything
// needs to be shown.
constexpr int QuietMs = 100;

} // namespace

void probeServer(const db::PostgresLogon &logon, QWidget *parent)
{
    db::ServerReach reach(logon);
    const QDeadlineTimer deadline(std::chrono::seconds(logon.timeoutSeconds));

    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < QuietMs) {
        if (reach.step(10))
            return;
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
        if (reach.step()) {
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
