#include "platform/posix/cmd/diagnostics.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <syslog.h>
#include <thread>
#include <unistd.h>

#include "platform/posix/cmd/file_descriptor.h"

namespace davev::cmd {

namespace {

constexpr off_t logFileLimit = off_t{1} << 20;
// A line takes microseconds to write; a writer holding the log's lock this
// long is stopped or stuck, and must not hold up the imports after it.
constexpr std::chrono::milliseconds logLockWait{1000};

bool lockWithin(int fd, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string absolute(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path result = std::filesystem::absolute(path, error);
    return error ? path : result.lexically_normal().string();
}

} // namespace

bool systemLogReachable()
{
    struct stat info {};
    return stat(_PATH_LOG, &info) == 0 && S_ISSOCK(info.st_mode);
}

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

void appendToLogFile(const std::string& logFolder, const std::string& text)
{
    std::error_code ignored;
    std::filesystem::create_directories(logFolder, ignored);
    const std::string path = logFolder + "/imports.log";
    const FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600));
    if (!fd)
        return;
    // The lock lets one of several concurrent writers rotate the file; a late
    // writer's line lands in the rotated file. Unlocked, the line is still
    // appended whole, and the rotation waits for a later writer. Only the
    // file still under the log's name is rotated: a writer that waited while
    // another rotated it would otherwise put the fresh file over the full one.
    const bool locked = lockWithin(fd.get(), logLockWait);
    struct stat held {};
    struct stat named {};
    const bool rotated = locked && fstat(fd.get(), &held) == 0 && held.st_size >= logFileLimit &&
                         stat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
                         named.st_ino == held.st_ino && rename(path.c_str(), (path + ".1").c_str()) == 0;

    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_r(&now, &utc))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const std::string line = std::string(stamp) + " DA-VEV[" + std::to_string(getpid()) + "]: " + text + "\n";
    if (rotated) {
        const FileDescriptor fresh(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600));
        if (fresh)
            static_cast<void>(writeAll(fresh.get(), line));
        return;
    }
    static_cast<void>(writeAll(fd.get(), line));
}

SystemDiagnostics::SystemDiagnostics(std::string batchFile, std::string logFolder)
    : batchFile_(std::move(batchFile)), absoluteBatchFile_(absolute(batchFile_)), logFolder_(std::move(logFolder))
{
}

SystemDiagnostics::~SystemDiagnostics()
{
    if (logOpen_)
        closelog();
}

void SystemDiagnostics::report(std::size_t lineNumber, const std::string& message)
{
    std::string where = batchFile_;
    if (lineNumber > 0) {
        where += ':';
        where += std::to_string(lineNumber);
    }
    const std::string text = where + ": " + message;
    std::string line = "da-vev-cmd: ";
    line += text;
    line += '\n';
    static_cast<void>(writeAll(STDERR_FILENO, line));
    log(LOG_ERR, text);
}

void SystemDiagnostics::importEnded(const ImportEnd& import)
{
    log(import.failure ? LOG_WARNING : LOG_INFO,
        describeImport(absoluteBatchFile_, import.target.empty() ? import.target : absolute(import.target), import));
}

void SystemDiagnostics::refused(const std::string& message)
{
    log(LOG_WARNING, "import of batch file \"" + absoluteBatchFile_ + "\" refused: " + message);
}

void SystemDiagnostics::log(int priority, const std::string& text)
{
    if (!systemLogReachable()) {
        appendToLogFile(logFolder_, text);
        return;
    }
    if (!logOpen_) {
        openlog("DA-VEV", LOG_PID, LOG_USER);
        logOpen_ = true;
    }
    syslog(priority, "%s", text.c_str());
}

} // namespace davev::cmd
