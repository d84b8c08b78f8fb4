#pragma once

#include <chrono>
#include <csignal>
#include <cstddef>
#include <string>
#include <string_view>

#include "interpreter/core/batch_runner.h"

namespace davev::cmd {

class ImportReporter {
public:
    virtual ~ImportReporter() = default;
    // A line that failed, or a repair of an earlier import; lineNumber is 0
    // for what belongs to no line.
    virtual void report(std::size_t lineNumber, const std::string& message) = 0;
    // Called once for every import, whatever its outcome.
    virtual void importEnded(const ImportEnd& import) = 0;
};

// Runs every line of a batch file's text, as the Windows interpreter does:
// a failed line is reported and the lines writing elsewhere still run.
// Stops early only once *stop is non-zero, cutting back the import in
// progress. Returns true when no line failed.
bool runBatch(std::string_view content, BatchRunner& runner, ImportReporter& reporter,
              const volatile std::sig_atomic_t* stop = nullptr);

// The wait for another import's lock as the DAVEV_CMD_LOCK_WAIT_MS
// setting gives it in milliseconds, for tests: it can only shorten
// defaultLockWait. Without a valid setting, defaultLockWait.
std::chrono::milliseconds lockWaitFrom(const char* setting);

// The trace line of one import: the batch file, the target (as an absolute
// path, which the caller makes of import.target), the bytes appended, the
// time taken and the outcome.
std::string describeImport(const std::string& batchFile, const std::string& target, const ImportEnd& import);

} // namespace davev::cmd
