#pragma once

#include <functional>
#include <windows.h>

namespace davev {

// Handles one message as every loop of the program does. Within the
// program's windows Tab moves the focus by tab index, Enter and Space click
// the focused button, and Escape does nothing; then the message is
// translated and dispatched as usual.
void dispatchMessage(MSG& message);

// Gets and handles messages while `keepGoing` holds, checked before each
// wait. A WM_QUIT ends the loop early and is posted again for the loops
// further out; the result is then false.
bool runMessageLoop(const std::function<bool()>& keepGoing);

// Handles every message already waiting (timers that are due included)
// without waiting for more.
void handlePendingMessages();

} // namespace davev
