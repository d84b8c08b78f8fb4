// da-vev-cmd BATCHFILE: runs a runner batch file written by DA-VEV.
#include <csignal>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/posix/cmd/batch_file.h"
#include "platform/posix/cmd/batch_runner.h"
#include "platform/posix/cmd/byte_copier.h"
#include "platform/posix/cmd/diagnostics.h"
#include "platform/posix/cmd/run_batch.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void requestStop(int signalNumber)
{
    stopSignal = signalNumber;
}

// Without SA_RESTART a signal cuts a long kernel copy short, so the append in
// progress is cut back instead of leaving half a copy when the session ends.
void stopOnTerminationSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        const char usage[] = "usage: da-vev-cmd BATCHFILE\n";
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, usage, sizeof usage - 1);
        return 2;
    }
    stopOnTerminationSignals();
    davev::cmd::SystemDiagnostics diagnostics(argv[1]);
    std::string content;
    if (const auto refusal = davev::cmd::readRunnerBatchFile(argv[1], content)) {
        diagnostics.report(0, *refusal);
        return 2;
    }
    davev::cmd::KernelCopier copier;
    davev::cmd::BatchRunner runner(copier);
    return davev::cmd::runBatch(content, runner, diagnostics, &stopSignal) ? 0 : 1;
}
