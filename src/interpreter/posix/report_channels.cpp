#include "interpreter/posix/report_channels.h"

#include <filesystem>
#include <unistd.h>

#include "platform/posix/file_io.h"
#include "platform/posix/system_log.h"

namespace davev::cmd {

void PosixReportChannels::toStandardError(const std::string& line)
{
    static_cast<void>(writeAll(STDERR_FILENO, line + "\n"));
}

LogLoss PosixReportChannels::toLog(LogLevel level, const std::string& text)
{
    return writeLog(level, text);
}

std::string PosixReportChannels::absolute(const std::string& name)
{
    std::error_code error;
    const std::filesystem::path result = std::filesystem::absolute(name, error);
    return error ? name : result.lexically_normal().string();
}

} // namespace davev::cmd
