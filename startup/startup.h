#pragma once

// The start-up: the top of the program, the one place that knows every layer. It connects what
// the lower layers ask for through interfaces of their own to what the higher ones offer, then
// signs the user in and opens the request window.
namespace modInventory {

// Signs the user in, reads the hospital row and shows the main window. Returns false when the
// user gave up the sign-in (nothing else happened) or start-up could not go on.
bool Main();

// Connects the data classes' lookups (objects/lookups.h) to the product search and the code
// lookup; the product search reads the request window's locations. Main does it first.
void installLookups();

} // namespace modInventory
