#include "platform/ui/windowplacement.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace ui {

namespace {

// Places its window each time the window is shown.
class ScreenFitter : public QObject
{
public:
    ScreenFitter(QWidget *window, QSize naturalSize, TooLarge tooLarge)
        : QObject(window), m_window(window), m_naturalSize(naturalSize), m_tooLarge(tooLarge)
    {
        window->installEventFilter(this);
    }

    void set(QSize naturalSize, TooLarge tooLarge)
    {
        m_naturalSize = naturalSize;
        m_tooLarge = tooLarge;
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The show event comes before the window system shows the window: placed now, it
        // appears where it belongs.
        if (watched == m_window && event->type() == QEvent::Show && !event->spontaneous())
            place();
        return QObject::eventFilter(watched, event);
    }

private:
    // The window the placement centres on: the parent's window, else the active one.
    QWidget *anchor() const
    {
        if (QWidget *parent = m_window->parentWidget()) {
            if (parent->window()->isVisible())
                return parent->window();
        }
        QWidget *active = QApplication::activeWindow();
        return active && active != m_window && active->isVisible() ? active : nullptr;
    }

    void place()
    {
        if (m_window->isMaximized() || m_window->isFullScreen())
            return;
        QWidget *const centreOn = anchor();
        QScreen *screen = centreOn ? centreOn->screen() : m_window->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        if (QWindow *window = m_window->windowHandle(); window && window->screen() != screen)
            window->setScreen(screen);

        const QRect available = screen->availableGeometry();
        // Before its first showing, a window's frame is best guessed from the window it opens
        // over: the same window manager draws both.
        const QWindow *handle = m_window->windowHandle();
        const bool frameKnown = handle && !handle->frameMargins().isNull();
        const bool frameless = m_window->windowFlags() & Qt::FramelessWindowHint;
        const QMargins frame =
            frameless || frameKnown || !centreOn ? frameMargins(m_window) : frameMargins(centreOn);
        const QSize room = available.size().shrunkBy(frame);
        QSize size = m_shown ? m_window->size() : m_naturalSize;
        size = size.expandedTo(QSize(titleWidth(m_window), 0)).expandedTo(m_window->minimumSize());
        m_shown = true;

        const bool fits = size.width() <= room.width() && size.height() <= room.height();
        size = size.boundedTo(room).boundedTo(m_window->maximumSize());
        m_window->resize(size);
        const QRect target = centredWithin(
            size.grownBy(frame), centreOn ? centreOn->frameGeometry() : available, available);
        // A window's position is its frame's, placed by the frame Qt knows of; before the window
        // system has told it (until the first showing) Qt takes the frame as none, so the client
        // area goes where the allowance puts it.
        const QPoint knownOffset = m_window->geometry().topLeft() - m_window->pos();
        m_window->move(target.topLeft() + QPoint(frame.left(), frame.top()) - knownOffset);
        if (!fits && m_tooLarge == TooLarge::Maximise)
            m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
    }

    QWidget *m_window;
    QSize m_naturalSize;
    TooLarge m_tooLarge;
    bool m_shown = false;
};

} // namespace

void fitToScreen(QWidget *window, QSize naturalSize, TooLarge tooLarge)
{
    for (QObject *child : window->children()) {
        if (auto *fitter = dynamic_cast<ScreenFitter *>(child)) {
            fitter->set(naturalSize, tooLarge);
            return;
        }
    }
    new ScreenFitter(window, naturalSize, tooLarge);
}

QMargins frameMargins(const QWidget *window)
{
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return {};
    if (const QWindow *handle = window->windowHandle()) {
        const QMargins known = handle->frameMargins();
        if (!known.isNull())
            return known;
    }
    // Before its first showing the window system has not said: a title bar and thin borders.
    const int border = 4;
    return {border, window->fontMetrics().height() + 14, border, border};
}

int titleWidth(const QWidget *window)
{
    // Title bars commonly use a bold face of the window's font; the icon and the three buttons
    // take about a bar's height each.
    QFont font = window->font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int bar = metrics.height() + 12;
    return metrics.horizontalAdvance(window->windowTitle()) + 4 * bar + 16;
}

QRect centredWithin(QSize frameSize, const QRect &anchor, const QRect &available)
{
    QRect frame(QPoint(), frameSize);
    frame.moveCenter(anchor.center());
    frame.moveLeft(
        std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width())));
    frame.moveTop(
        std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height())));
    return frame;
}

} // namespace ui
