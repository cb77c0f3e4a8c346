#pragma once

#include "platform/db/connection.h"

#include <QLabel>
#include <QObject>
#include <QPointer>

class QWidget;

namespace ui {

// Shows that the program waits for its database server: after a moment of waiting, the busy
// pointer and a note on the active window ("Waiting for the server... (up to 30 s)"), repainted
// while the wait lasts and gone when it ends. Meanwhile only painting and timers run: keys and
// clicks stay queued and reach the window after the wait, and no window can be closed.
class ServerWaitIndicator : public QObject
{
    Q_OBJECT

public:
    // Makes the indicator the connection's wait observer for the whole program.
    static void install();
    static ServerWaitIndicator &instance();

    // The observer: what the connection reports of a wait (on the GUI thread only; waits on other
    // threads are not shown).
    void report(const db::WaitState &state);

    // The note while a wait is shown, for tests; null otherwise.
    QLabel *note() const { return m_note; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ServerWaitIndicator() = default;
    void begin(const db::WaitState &state);
    void end();

    QPointer<QLabel> m_note;
    bool m_shown = false;
};

} // namespace ui
