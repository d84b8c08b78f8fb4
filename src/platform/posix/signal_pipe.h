#pragma once

namespace davev {

// Turns SIGTERM, SIGINT and SIGHUP into one byte each on a pipe, so the event
// loop can close the program the normal way instead of dying mid-handler.
// Returns the pipe's read end (non-blocking, close-on-exec); later calls
// return the same descriptor. Throws PlatformError when the pipe or a
// handler cannot be set up.
int openTerminationSignalPipe();

// How many of those signals have come since: a wait that sees the count
// change knows the program is asked to end, and waits no longer.
int terminationSignals();

} // namespace davev
