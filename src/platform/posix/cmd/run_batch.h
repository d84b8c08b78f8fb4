#pragma once

#include <csignal>
#include <string_view>

#include "platform/posix/cmd/batch_runner.h"
#include "platform/posix/cmd/diagnostics.h"

namespace davev::cmd {

// Runs every line of a batch file's text, as the Windows interpreter does:
// a failed line is reported and the next one still runs. Stops early only
// once *stop is non-zero. Returns true when no line failed.
bool runBatch(std::string_view content, BatchRunner& runner, FailureReporter& reporter,
              const volatile std::sig_atomic_t* stop = nullptr);

} // namespace davev::cmd
