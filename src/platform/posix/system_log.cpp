#include "platform/posix/system_log.h"

#include <string>
#include <syslog.h>

namespace davev {

void writeSystemLog(std::string_view text)
{
    const std::string line(text);
    openlog("DA-VEV", LOG_PID, LOG_USER);
    syslog(LOG_ERR, "%s", line.c_str());
    closelog();
}

} // namespace davev
