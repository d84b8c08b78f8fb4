#include "platform/posix/cmd/diagnostics.h"

#include <cerrno>
#include <syslog.h>
#include <unistd.h>

namespace davev::cmd {

SystemDiagnostics::SystemDiagnostics(std::string batchFile) : batchFile_(std::move(batchFile)) {}

SystemDiagnostics::~SystemDiagnostics()
{
    if (logOpen_)
        closelog();
}

void SystemDiagnostics::report(std::size_t lineNumber, const std::string& message)
{
    std::string where = batchFile_;
    if (lineNumber > 0)
        where += ":" + std::to_string(lineNumber);
    const std::string text = where + ": " + message;

    const std::string line = "da-vev-cmd: " + text + "\n";
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t written = write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        done += static_cast<std::size_t>(written);
    }

    if (!logOpen_) {
        openlog("DA-VEV", LOG_PID, LOG_USER);
        logOpen_ = true;
    }
    syslog(LOG_ERR, "%s", text.c_str());
}

} // namespace davev::cmd
