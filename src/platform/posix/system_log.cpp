#include "platform/posix/system_log.h"

#include <string>
#include <syslog.h>

#include "platform/posix/cmd/diagnostics.h"

namespace davev {

void writeSystemLog(std::string_view text)
{
    const std::string line(text);
    // Where the interpreter logs its imports when there is no system log.
    if (!cmd::systemLogReachable()) {
        cmd::appendToLogFile(cmd::stateFolder(), line);
        return;
    }
    openlog("DA-VEV", LOG_PID, LOG_USER);
    syslog(LOG_ERR, "%s", line.c_str());
    closelog();
}

} // namespace davev
