#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace ui {

// What a window does when its natural size does not fit its screen.
enum class TooLarge {
    Maximise, // opens maximised
    Shrink    // opens at its natural size cut to the screen's available area
};

// Makes a top-level window open fitted to the screen it opens on, every time it is shown: at its
// natural size (the first time; afterwards at the size it was left at), widened to show its whole
// title, with its frame inside the screen's available geometry and centred on its parent window
// (on the active window when it has no parent, on the screen when there is none). A window whose
// natural size does not fit opens maximised, or cut to the screen with TooLarge::Shrink. The
// window stays resizable. Call it once, where the window is built; calling it again replaces the
// natural size.
void fitToScreen(QWidget *window, QSize naturalSize, TooLarge tooLarge = TooLarge::Maximise);

// The frame of a top-level window: the window system's once the window has been shown, an
// allowance for a title bar and borders before that.
QMargins frameMargins(const QWidget *window);

// The width that shows a window's whole title in its title bar, with room for the bar's icon and
// buttons.
int titleWidth(const QWidget *window);

// Where a frame of the given size (frame included) goes to be centred on the anchor rectangle
// and lie inside the available area; when it is larger than the area, its top left corner is
// the area's.
QRect centredWithin(QSize frameSize, const QRect &anchor, const QRect &available);

} // namespace ui
