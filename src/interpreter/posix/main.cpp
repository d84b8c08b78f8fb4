// da-vev-cmd BATCHFILE: runs a runner batch file written by DA-VEV.
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "interpreter/core/batch_runner.h"
#include "interpreter/core/diagnostics.h"
#include "interpreter/core/run_batch.h"
#include "interpreter/posix/batch_file.h"
#include "interpreter/posix/byte_copier.h"
#include "interpreter/posix/posix_file_system.h"
#include "interpreter/posix/report_channels.h"
#include "platform/posix/system_log.h"

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
    davev::cmd::PosixReportChannels channels;
    davev::cmd::Diagnostics diagnostics(channels, argv[1], channels.absolute(argv[1]));
    std::string content;
    if (const auto refusal = davev::cmd::readRunnerBatchFile(argv[1], content)) {
        diagnostics.refused(*refusal);
        return 2;
    }
    davev::cmd::KernelCopier copier;
    davev::cmd::PosixFileSystem files(copier, davev::stateFolder() + "/journals");
    davev::cmd::BatchRunner runner(files, davev::cmd::lockWaitFrom(std::getenv("DAVEV_CMD_LOCK_WAIT_MS")));
    return davev::cmd::runBatch(content, runner, diagnostics, &stopSignal) ? 0 : 1;
}
