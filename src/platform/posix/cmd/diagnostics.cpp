#include "platform/posix/cmd/diagnostics.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include "platform/posix/cmd/file_descriptor.h"

namespace davev::cmd {

namespace {

constexpr off_t logFileLimit = off_t{1} << 20;

void writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        done += static_cast<std::size_t>(written);
    }
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
    // The lock keeps concurrent imports' lines whole and lets one of them
    // rotate the file; a late writer's line lands in the rotated file.
    flock(fd.get(), LOCK_EX);
    struct stat info {};
    if (fstat(fd.get(), &info) == 0 && info.st_size >= logFileLimit)
        std::filesystem::rename(path, path + ".1", ignored);

    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_r(&now, &utc))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const std::string line = std::string(stamp) + " DA-VEV[" + std::to_string(getpid()) + "]: " + text + "\n";
    if (info.st_size >= logFileLimit) {
        const FileDescriptor fresh(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600));
        if (fresh)
            writeAll(fresh.get(), line);
        return;
    }
    writeAll(fd.get(), line);
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
    writeAll(STDERR_FILENO, line);
    log(LOG_ERR, text);
}

void SystemDiagnostics::importEnded(const ImportEnd& import)
{
    log(import.failure ? LOG_WARNING : LOG_INFO, describeImport(absoluteBatchFile_, import));
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
