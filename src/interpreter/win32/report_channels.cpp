#include "interpreter/win32/report_channels.h"

#include <windows.h>

#include "platform/win32/event_log.h"
#include "platform/win32/full_path.h"
#include "platform/win32/win32_text.h"

namespace davev::cmd {

void Win32ReportChannels::toStandardError(const std::string& line)
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    const std::wstring wide = widen(line + "\r\n");
    if (GetConsoleMode(error, &mode)) {
        WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string ansi = narrowAnsi(wide);
    WriteFile(error, ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr);
}

LogLoss Win32ReportChannels::toLog(LogLevel level, const std::string& text)
{
    return writeLog(level, text);
}

std::string Win32ReportChannels::absolute(const std::string& name)
{
    return narrow(fullPath(widenAnsi(name)));
}

std::string Win32ReportChannels::readable(const std::string& message)
{
    return narrow(widenAnsi(message));
}

} // namespace davev::cmd
