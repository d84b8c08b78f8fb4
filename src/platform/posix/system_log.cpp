#include "platform/posix/system_log.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include "platform/posix/errno_text.h"
#include "platform/posix/file_io.h"

namespace davev {

namespace {

bool systemLogReachable()
{
    struct stat info {};
    return stat(_PATH_LOG, &info) == 0 && S_ISSOCK(info.st_mode);
}

int priorityOf(LogLevel level)
{
    switch (level) {
    case LogLevel::Information:
        return LOG_INFO;
    case LogLevel::Warning:
        return LOG_WARNING;
    case LogLevel::Error:
        break;
    }
    return LOG_ERR;
}

class PosixLogFiles final : public LogFileSystem {
public:
    std::string pathIn(const std::string& folder, std::string_view name) override
    {
        return folder + "/" + std::string(name);
    }

    std::optional<std::string> makeFolder(const std::string& folder) override
    {
        if (const int error = makeFolders(folder))
            return errnoText(error);
        return std::nullopt;
    }

    Attempt open(const std::string& path, std::intptr_t& handle, std::string& problem) override
    {
        // O_NONBLOCK: a FIFO without a reader fails at once instead of
        // waiting for one; O_NOFOLLOW: a link is refused.
        FileDescriptor fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0600));
        struct stat info {};
        if (!fd) {
            const int error = errno;
            problem =
                lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) ? notRegular(info.st_mode) : errnoText(error);
            return Attempt::Failed;
        }
        if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            problem = notRegular(info.st_mode);
            return Attempt::Failed;
        }
        handle = fd.release();
        return Attempt::Done;
    }

    Attempt tryLock(std::intptr_t handle) override
    {
        if (flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0)
            return Attempt::Done;
        return errno == EWOULDBLOCK || errno == EINTR ? Attempt::Busy : Attempt::Failed;
    }

    std::uint64_t size(std::intptr_t handle) override
    {
        struct stat info {};
        return fstat(static_cast<int>(handle), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    }

    bool names(const std::string& path, std::intptr_t handle) override
    {
        struct stat held {};
        struct stat named {};
        return fstat(static_cast<int>(handle), &held) == 0 && stat(path.c_str(), &named) == 0 &&
               named.st_dev == held.st_dev && named.st_ino == held.st_ino;
    }

    bool rename(const std::string& from, const std::string& to) override
    {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }

    std::optional<std::string> append(std::intptr_t handle, std::string_view bytes) override
    {
        if (const int error = writeAll(static_cast<int>(handle), bytes))
            return errnoText(error);
        return std::nullopt;
    }

    void close(std::intptr_t handle) override { ::close(static_cast<int>(handle)); }

private:
    static std::string notRegular(mode_t mode)
    {
        return std::string("it is ") + kindOfFile(mode) + ", not a regular file";
    }
};

} // namespace

std::string stateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/DA-VEV";
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : "/";
    }
    return std::string(home) + "/.local/state/DA-VEV";
}

LogLoss writeLog(LogLevel level, std::string_view text)
{
    if (!systemLogReachable()) {
        PosixLogFiles files;
        return appendToLogFile(files, stateFolder(), text, static_cast<std::uint64_t>(getpid()), "\n");
    }
    static const bool opened = [] {
        openlog("DA-VEV", LOG_PID, LOG_USER);
        return true;
    }();
    static_cast<void>(opened);
    syslog(priorityOf(level), "%.*s", static_cast<int>(text.size()), text.data());
    return std::nullopt;
}

} // namespace davev
