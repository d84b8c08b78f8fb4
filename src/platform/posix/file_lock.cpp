#include "platform/posix/file_lock.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/posix/errno_text.h"
#include "platform/posix/file_io.h"
#include "platform/posix/signal_pipe.h"
#include "platform/services.h"

namespace davev {
namespace {

using Clock = std::chrono::steady_clock;

// A lock file nobody holds and nobody has written a holder into yet may
// belong to a writer between creating and locking it, for a moment.
constexpr time_t unwrittenAge = 1;
// QLockFile's default: older than this, a lock file is stale whoever wrote it.
constexpr time_t staleAge = 30;

// Who a lock file says holds it, as QLockFile writes it: process id,
// program name, host.
struct Holder {
    long pid = 0;
    std::string program;
    std::string host;
};

Holder holderIn(int fd)
{
    char text[512] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    Holder holder;
    if (got <= 0)
        return holder;
    std::istringstream lines(std::string(text, static_cast<std::size_t>(got)));
    std::string pid;
    std::getline(lines, pid);
    std::getline(lines, holder.program);
    std::getline(lines, holder.host);
    holder.pid = std::strtol(pid.c_str(), nullptr, 10);
    return holder;
}

std::string thisHost()
{
    char host[HOST_NAME_MAX + 1] = {};
    ::gethostname(host, sizeof host - 1);
    return host;
}

bool namedBy(const struct stat& held, const std::string& name)
{
    struct stat named {};
    return ::stat(name.c_str(), &named) == 0 && held.st_ino == named.st_ino && held.st_dev == named.st_dev;
}

bool sameFileAt(int fd, const std::string& name)
{
    struct stat held {};
    return ::fstat(fd, &held) == 0 && namedBy(held, name);
}

// A lock file that nobody holds: a leftover of a writer that ended holding
// it, or of one now between letting go of it and removing it (QLockFile
// closes the file first), whose file must stay.
bool isLeftover(int fd, const std::string& name, const Holder& holder)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !namedBy(info, name))
        return false;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const time_t age = now.tv_sec - info.st_mtim.tv_sec;
    if (age > staleAge || age < -staleAge)
        return true;
    if (holder.pid <= 0)
        return age > unwrittenAge;
    return holder.host == thisHost() && ::kill(static_cast<pid_t>(holder.pid), 0) != 0 && errno == ESRCH;
}

// "process 1234 (DA-VEV)", as far as it can be told.
std::string describe(const Holder& holder)
{
    if (holder.pid <= 0)
        return "another program";
    std::string program;
    std::getline(std::ifstream("/proc/" + std::to_string(holder.pid) + "/comm"), program);
    if (program.empty())
        program = holder.program;
    return "process " + std::to_string(holder.pid) + (program.empty() ? "" : " (" + program + ")");
}

// Looks at an existing lock file: removes it when it is a leftover; else
// returns who holds it.
std::string examine(const std::string& name)
{
    const FileDescriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd)
        return {};
    const bool unheld = ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
    const Holder holder = holderIn(fd.get());
    if (unheld && isLeftover(fd.get(), name, holder)) {
        ::unlink(name.c_str());
        return {};
    }
    return describe(holder);
}

// Who holds the lock, as QLockFile writes it, so a QLockFile waiting for it
// sees at once when its holder has ended. Not flushed: a lock does not
// outlive the system.
void writeHolder(int fd)
{
    char program[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", program, sizeof program - 1);
    std::string name = length > 0 ? std::string(program, static_cast<std::size_t>(length)) : std::string();
    name = name.substr(name.rfind('/') + 1);
    const std::string holder = std::to_string(::getpid()) + "\n" + name + "\n" + thisHost() + "\n";
    // Only a hint: a QLockFile never takes a lock file that is locked.
    static_cast<void>(writeAll(fd, holder));
}

} // namespace

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait) : name_(path + ".lock")
{
    const Clock::time_point deadline = Clock::now() + wait;
    const int signalsBefore = terminationSignals();
    // A lock file made here and not yet locked: another writer looking
    // whether it is a leftover holds it for a moment, and it is kept and
    // locked after that, not left for a second to age into a leftover.
    FileDescriptor made;
    while (true) {
        if (!made) {
            made = FileDescriptor(::open(name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
            if (!made && errno != EEXIST)
                throw PlatformError(errno, errnoText(errno) + ": cannot lock " + path);
        }
        std::string holder;
        if (!made) {
            holder = examine(name_);
        } else if (::flock(made.get(), LOCK_EX | LOCK_NB) == 0) {
            // Still the file at the lock's name once locked: nobody took it
            // for a leftover, nor removed it as their own meanwhile.
            if (sameFileAt(made.get(), name_)) {
                fd_ = made.release();
                writeHolder(fd_);
                return;
            }
            made.reset();
        }
        if (terminationSignals() != signalsBefore)
            throw PlatformError(EINTR, errnoText(EINTR) + ": cannot lock " + path + ": a signal came while " +
                                           (holder.empty() ? "waiting" : holder + " held " + name_));
        if (Clock::now() >= deadline)
            throw PlatformError(EAGAIN, errnoText(EAGAIN) + ": cannot lock " + path + ": " +
                                            (holder.empty() ? "another program" : holder) + " held " + name_ + " for " +
                                            std::to_string(wait.count()) + " ms");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

FileLock::~FileLock()
{
    // Removed before it is let go, so a waiter never takes a removed file.
    ::unlink(name_.c_str());
    ::close(fd_);
}

} // namespace davev
