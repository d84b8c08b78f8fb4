#include "platform/posix/signal_pipe.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "platform/platform_error.h"
#include "platform/posix/errno_text.h"

namespace davev {
namespace {

int writeEnd = -1;
int readEnd = -1;
volatile std::sig_atomic_t signalCount = 0;

extern "C" void onTerminationSignal(int)
{
    signalCount = signalCount + 1;
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a pending request, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

int openTerminationSignalPipe()
{
    if (readEnd >= 0)
        return readEnd;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int error = errno;
        throw PlatformError(error, errnoText(error) + ": cannot create the signal pipe");
    }
    writeEnd = ends[1];

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (::sigaction(signal, &action, nullptr) != 0) {
            const int error = errno;
            throw PlatformError(error, errnoText(error) + ": cannot handle signal " + std::to_string(signal));
        }
    }
    readEnd = ends[0];
    return readEnd;
}

int terminationSignals()
{
    return signalCount;
}

} // namespace davev
