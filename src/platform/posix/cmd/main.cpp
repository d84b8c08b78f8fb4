// da-vev-cmd BATCHFILE: runs a runner batch file written by DA-VEV.
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "platform/cmd/batch_runner.h"
#include "platform/cmd/run_batch.h"
#include "platform/posix/cmd/batch_file.h"
#include "platform/posix/cmd/byte_copier.h"
#include "platform/posix/cmd/diagnostics.h"
#include "platform/posix/cmd/posix_import_files.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void requestStop(int signalNumber)
{
    stopSignal = signalNumber;
}

// Without SA_RESTART a signal cuts a long kernel copy short, so the append in
// progress is cut back instead of leaving half a copy when the session ends.
// A file-size limit and a closed standard error make writes fail with EFBIG
// and EPIPE, which are reported and cut back, instead of killing the process
// part-way.
void setUpSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
}

// A standard stream started closed would go to the first file opened, and a
// report meant for stderr would be written into a target.
void openClosedStandardStreams()
{
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) < 0)
            _exit(2);
    }
}

} // namespace

int main(int argc, char** argv)
{
    openClosedStandardStreams();
    setUpSignals();
    if (argc != 2) {
        const char usage[] = "usage: da-vev-cmd BATCHFILE\n";
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, usage, sizeof usage - 1);
        return 2;
    }
    const std::string state = davev::cmd::stateFolder();
    davev::cmd::SystemDiagnostics diagnostics(argv[1], state);
    std::string content;
    if (const auto refusal = davev::cmd::readRunnerBatchFile(argv[1], content)) {
        diagnostics.report(0, *refusal);
        diagnostics.refused(*refusal);
        return 2;
    }
    davev::cmd::KernelCopier copier;
    davev::cmd::PosixImportFiles files(copier, state + "/journals");
    davev::cmd::BatchRunner runner(files, davev::cmd::lockWaitFrom(std::getenv("DAVEV_CMD_LOCK_WAIT_MS")));
    return davev::cmd::runBatch(content, runner, diagnostics, &stopSignal) ? 0 : 1;
}
