#pragma once

namespace ui {

// Shows a wait on the database server on the active window: a note that says how long it has
// waited and its bound, repainted while the wait lasts. Keys typed meanwhile wait in the queue and
// arrive when the answer has come; nothing the user does is handled in between.
void installServerWaitIndicator();

} // namespace ui
