#include "platform/ui/serverwait.h"

#include "platform/db/connection.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace ui {

namespace {

QPointer<QLabel> &note()
{
    static QPointer<QLabel> label;
    return label;
}

void show(const db::ServerWait &wait)
{
    if (!wait.waiting) {
        if (note())
            note()->hide();
        return;
    }
    QWidget *window = QApplication::activeWindow();
    if (!window)
        return;
    if (!note() || note()->window() != window) {
        delete note();
        note() = new QLabel(window);
        note()->setObjectName(QStringLiteral("serverWait"));
        note()->setStyleSheet(QStringLiteral(
            "QLabel { background: #fff4ce; color: #3b2f00; border: 1px solid #8a6d00; "
            "padding: 8px 14px; font-weight: bold; }"));
        note()->setAccessibleName(QStringLiteral("Waiting for the server"));
    }
    note()->setText(QStringLiteral("Waiting for the server... %1 s (at most %2 s)")
                        .arg(wait.elapsedMs / 1000)
                        .arg(wait.boundSeconds));
    note()->adjustSize();
    note()->move((window->width() - note()->width()) / 2,
                 (window->height() - note()->height()) / 2);
    note()->raise();
    note()->show();
    // Painted now; the user's keys and clicks stay queued until the answer has come.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void installServerWaitIndicator()
{
    db::Connection::setWaitObserver(&show);
}

} // namespace ui
