#include "support/modal.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <exception>

namespace ui::test {

namespace {

constexpr int PollIntervalMs = 10;

QStringList g_failures;
int g_pending = 0;

// One armed request: polls for the dialog, runs the action, then waits for the dialog to close.
class ModalWatcher : public QObject
{
public:
    ModalWatcher(std::function<void(QWidget *)> action, int timeoutMs,
                 std::shared_ptr<ModalWatch> watch)
        : QObject(qApp), m_action(std::move(action)), m_timeoutMs(timeoutMs),
          m_watch(std::move(watch)), m_ignore(QApplication::activeModalWidget())
    {
        ++g_pending;
        m_clock.start();
        m_timer.setInterval(PollIntervalMs);
        connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
        m_timer.start();
    }

    ~ModalWatcher() override
    {
        if (!m_watch->finished)
            fail(QStringLiteral("the application ended before the modal dialog was answered"));
    }

private:
    void poll()
    {
        if (m_dialog.isNull() && !m_watch->acted) {
            waitForDialog();
        } else {
            waitForClose();
        }
    }

    void waitForDialog()
    {
        QWidget *active = QApplication::activeModalWidget();
        if (active && active == m_ignore) {
            // Still the dialog that was showing when the watch was armed.
        } else {
            m_ignore.clear();
            if (active) {
                act(active);
                return;
            }
        }
        if (m_clock.elapsed() > m_timeoutMs)
            fail(QStringLiteral("no modal dialog appeared within %1 ms").arg(m_timeoutMs));
    }

    void act(QWidget *dialog)
    {
        m_timer.stop();
        m_dialog = dialog;
        m_watch->acted = true;
        m_watch->dialogClass = QString::fromLatin1(dialog->metaObject()->className());
        QString error;
        try {
            m_action(dialog);
        } catch (const std::exception &e) {
            error = QString::fromLocal8Bit(e.what());
        } catch (...) {
            error = QStringLiteral("unknown exception");
        }
        if (!error.isEmpty()) {
            if (!m_dialog.isNull() && m_dialog->isVisible())
                closeModal(m_dialog);
            fail(QStringLiteral("the action on %1 threw: %2").arg(m_watch->dialogClass, error));
            return;
        }
        m_clock.restart();
        if (m_dialog.isNull() || !m_dialog->isVisible()) {
            finish();
            return;
        }
        m_timer.start();
    }

    void waitForClose()
    {
        if (m_dialog.isNull() || !m_dialog->isVisible()) {
            finish();
            return;
        }
        if (m_clock.elapsed() > m_timeoutMs) {
            closeModal(m_dialog);
            fail(QStringLiteral("%1 was still open %2 ms after the action; it was closed")
                     .arg(m_watch->dialogClass)
                     .arg(m_timeoutMs));
        }
    }

    void finish()
    {
        if (m_watch->finished)
            return;
        m_timer.stop();
        m_watch->finished = true;
        --g_pending;
        deleteLater();
    }

    void fail(const QString &why)
    {
        if (m_watch->finished)
            return;
        m_watch->failure = QStringLiteral("whenModal: ") + why;
        g_failures.append(m_watch->failure);
        qWarning("%s", qPrintable(m_watch->failure));
        finish();
    }

    std::function<void(QWidget *)> m_action;
    int m_timeoutMs;
    std::shared_ptr<ModalWatch> m_watch;
    QPointer<QWidget> m_ignore;
    QPointer<QWidget> m_dialog;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace

std::shared_ptr<const ModalWatch> whenModal(std::function<void(QWidget *)> action, int timeoutMs)
{
    auto watch = std::make_shared<ModalWatch>();
    new ModalWatcher(std::move(action), timeoutMs, watch); // owned by the application object
    return watch;
}

QStringList takeModalFailures()
{
    QStringList failures;
    failures.swap(g_failures);
    return failures;
}

int pendingModalWatches()
{
    return g_pending;
}

void closeModal(QWidget *widget)
{
    if (!widget)
        return;
    if (auto *dialog = qobject_cast<QDialog *>(widget))
        dialog->reject();
    else
        widget->close();
}

class ModalsShown::Filter : public QObject
{
public:
    QStringList classNames;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow() && widget->isModal()) {
                classNames.append(QString::fromLatin1(widget->metaObject()->className()));
                QPointer<QWidget> shown(widget);
                QMetaObject::invokeMethod(
                    this, [shown] { closeModal(shown.data()); }, Qt::QueuedConnection);
            }
        }
        return false;
    }
};

ModalsShown::ModalsShown() : m_filter(std::make_unique<Filter>())
{
    qApp->installEventFilter(m_filter.get());
}

ModalsShown::~ModalsShown()
{
    qApp->removeEventFilter(m_filter.get());
}

QStringList ModalsShown::classNames() const
{
    return m_filter->classNames;
}

} // namespace ui::test
