#include "platform/ui/serverwaitindicator.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QThread>
#include <QWidget>

namespace ui {

namespace {

// The window the user looks at: the active one, else the modal dialog, else none.
QWidget *activeWindow()
{
    if (QWidget *window = QApplication::activeWindow())
        return window;
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return nullptr;
}

bool onGuiThread()
{
    return qApp && QThread::currentThread() == qApp->thread();
}

} // namespace

void ServerWaitIndicator::install()
{
    db::Connection::setWaitObserver([](const db::WaitState &state) { instance().report(state); });
}

ServerWaitIndicator &ServerWaitIndicator::instance()
{
    static ServerWaitIndicator indicator;
    return indicator;
}

void ServerWaitIndicator::report(const db::WaitState &state)
{
    if (!onGuiThread())
        return;
    switch (state.phase) {
    case db::WaitState::Phase::Started:
        begin(state);
        break;
    case db::WaitState::Phase::Continuing:
        break;
    case db::WaitState::Phase::Ended:
        end();
        return;
    }
    // Painting and timers only: user input stays queued for after the wait.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ServerWaitIndicator::begin(const db::WaitState &state)
{
    if (m_shown)
        return;
    m_shown = true;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    // Whatever the window system still delivers (a click on a window's close button) waits too.
    qApp->installEventFilter(this);
    QWidget *window = activeWindow();
    if (!window)
        return;
    auto *note = new QLabel(
        QStringLiteral("Waiting for the server... (up to %1 s)").arg(state.timeoutSeconds), window);
    note->setObjectName(QStringLiteral("lblServerWait"));
    note->setAlignment(Qt::AlignCenter);
    note->setAutoFillBackground(true);
    note->setFrameShape(QFrame::Box);
    note->setMargin(8);
    note->setBackgroundRole(QPalette::ToolTipBase);
    note->setForegroundRole(QPalette::ToolTipText);
    note->adjustSize();
    note->move((window->width() - note->width()) / 2,
               std::max(0, window->height() - note->height() - 16));
    note->show();
    note->raise();
    m_note = note;
}

void ServerWaitIndicator::end()
{
    if (!m_shown)
        return;
    m_shown = false;
    qApp->removeEventFilter(this);
    delete m_note.data();
    QApplication::restoreOverrideCursor();
}

bool ServerWaitIndicator::eventFilter(QObject *watched, QEvent *event)
{
    if (m_shown && event->type() == QEvent::Close && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->isWindow()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ui
