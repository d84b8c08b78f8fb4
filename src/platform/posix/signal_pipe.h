#pragma once

namespace davev {

// Turns SIGTERM, SIGINT and SIGHUP into one byte each on a pipe, so the event
// loop can close the program the normal way instead of dying mid-handler.
// Returns the pipe's read end (non-blocking, close-on-exec); later calls
// return the same descriptor. Throws PlatformError when the pipe or a
// handler cannot be set up.
int openTerminationSignalPipe();

} // namespace davev
