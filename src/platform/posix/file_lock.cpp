#include "platform/posix/file_lock.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/errno_text.h"
#include "platform/services.h"

namespace davev {
namespace {

// A lock file nobody holds is a leftover once it is this old; a younger
// one may belong to a writer between creating and locking it.
constexpr time_t leftoverAge = 1;

bool isLeftover(int fd, const std::string& name)
{
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) != 0 || ::stat(name.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev)
        return false;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - held.st_mtim.tv_sec > leftoverAge || held.st_mtim.tv_sec - now.tv_sec > leftoverAge;
}

// Waits until the holder of an existing lock file lets it go, and removes
// the file when it is a leftover of a writer that ended holding it.
void waitForHolder(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return;
    int locked = 0;
    while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked == 0 && isLeftover(fd, name))
        ::unlink(name.c_str());
    ::close(fd);
    // Whoever created it is about to lock it or remove it.
    const timespec pause{0, 1000000};
    ::nanosleep(&pause, nullptr);
}

// Who holds the lock, as QLockFile writes it (process id, program name, host),
// so a QLockFile waiting for it sees at once when its holder has ended.
// Not flushed: a lock does not outlive the system.
void writeHolder(int fd)
{
    char program[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", program, sizeof program - 1);
    std::string name = length > 0 ? std::string(program, static_cast<std::size_t>(length)) : std::string();
    name = name.substr(name.rfind('/') + 1);
    char host[HOST_NAME_MAX + 1] = {};
    ::gethostname(host, sizeof host - 1);
    const std::string holder = std::to_string(::getpid()) + "\n" + name + "\n" + host + "\n";
    // Only a hint: a QLockFile never takes a lock file that is locked.
    [[maybe_unused]] const ssize_t written = ::write(fd, holder.data(), holder.size());
}

} // namespace

FileLock::FileLock(const std::string& path) : name_(path + ".lock")
{
    // Long enough for a young leftover to age.
    for (int attempt = 0; attempt < 3000; ++attempt) {
        const int fd = ::open(name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            // Still linked once locked: nobody took it for a leftover.
            struct stat info {};
            if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &info) == 0 && info.st_nlink > 0) {
                fd_ = fd;
                writeHolder(fd);
                return;
            }
            ::close(fd);
            continue;
        }
        if (errno != EEXIST)
            throw PlatformError(errno, errnoText(errno) + ": cannot lock " + path);
        waitForHolder(name_);
    }
    throw PlatformError(EAGAIN, errnoText(EAGAIN) + ": cannot lock " + path);
}

FileLock::~FileLock()
{
    // Removed before it is let go, so a waiter never takes a removed file.
    ::unlink(name_.c_str());
    ::close(fd_);
}

} // namespace davev
