#include "platform/posix/cmd/run_batch.h"

#include "platform/posix/cmd/batch_file.h"

namespace davev::cmd {

bool runBatch(std::string_view content, BatchRunner& runner, FailureReporter& reporter,
              const volatile std::sig_atomic_t* stop)
{
    runner.setStopFlag(stop);
    bool allSucceeded = true;
    std::size_t number = 0;
    for (const std::string_view line : splitLines(content)) {
        ++number;
        if (stop && *stop != 0) {
            reporter.report(number, "stopped by a signal; this line and the rest did not run");
            return false;
        }
        if (const auto failure = runner.runLine(line)) {
            reporter.report(number, *failure);
            allSucceeded = false;
        }
    }
    return allSucceeded;
}

} // namespace davev::cmd
