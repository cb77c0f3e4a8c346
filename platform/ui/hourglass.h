#pragma once

#include <QApplication>
#include <QCursor>

namespace ui {

// The hourglass pointer for as long as the guard lives: the normal pointer comes back on every way
// out of the scope, a thrown error included. Guards nest.
class Hourglass
{
public:
    Hourglass() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
    Hourglass(const Hourglass &) = delete;
    Hourglass &operator=(const Hourglass &) = delete;
};

} // namespace ui
