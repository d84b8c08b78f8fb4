#include "interpreter/core/run_batch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "interpreter/core/batch_text.h"

namespace davev::cmd {

bool runBatch(std::string_view content, BatchRunner& runner, ImportReporter& reporter,
              const volatile std::sig_atomic_t* stop)
{
    runner.setStopFlag(stop);
    bool allSucceeded = true;
    std::size_t number = 0;
    runner.onNotice([&](const std::string& message) { reporter.report(number, message); });
    runner.onImportEnd([&](const ImportEnd& import) {
        allSucceeded = allSucceeded && !import.failure;
        reporter.importEnded(import);
    });
    for (const std::string_view line : splitLines(content)) {
        ++number;
        if (stop && *stop != 0) {
            runner.abandon("stopped by a signal");
            reporter.report(number, "stopped by a signal; this line and the rest did not run");
            allSucceeded = false;
            break;
        }
        if (const auto failure = runner.runLine(line)) {
            reporter.report(number, *failure);
            allSucceeded = false;
        }
    }
    if (const auto failure = runner.finish())
        reporter.report(number, *failure);
    runner.onNotice(nullptr);
    runner.onImportEnd(nullptr);
    return allSucceeded;
}

std::chrono::milliseconds lockWaitFrom(const char* setting)
{
    if (!setting)
        return defaultLockWait;
    char* end = nullptr;
    const long long value = std::strtoll(setting, &end, 10);
    if (end == setting || *end != '\0' || value < 0)
        return defaultLockWait;
    return std::min(std::chrono::milliseconds(value), defaultLockWait);
}

std::string describeImport(const std::string& batchFile, const std::string& target, const ImportEnd& import)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f s", std::chrono::duration<double>(import.took).count());
    return "import of batch file \"" + batchFile + "\" into \"" + target + "\": " + std::to_string(import.appended) +
           " bytes appended in " + seconds + ", " + (import.failure ? "failed: " + *import.failure : "succeeded");
}

} // namespace davev::cmd
