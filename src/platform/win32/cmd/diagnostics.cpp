#include "platform/win32/cmd/diagnostics.h"

#include <windows.h>

#include "platform/win32/event_log.h"
#include "platform/win32/full_path.h"
#include "platform/win32/win32_text.h"

namespace davev::cmd {

namespace {

// A console shows the text in its own code page; a file or pipe gets the
// batch file's bytes.
void writeError(const std::string& ansi)
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(error, &mode)) {
        const std::wstring wide = widenAnsi(ansi);
        WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    WriteFile(error, ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr);
}

void log(LogLevel level, const std::string& ansi)
{
    writeLog(level, narrow(widenAnsi(ansi)));
}

} // namespace

Win32Diagnostics::Win32Diagnostics(const std::wstring& batchFile)
    : batchFile_(narrowAnsi(batchFile)), absoluteBatchFile_(narrowAnsi(fullPath(batchFile)))
{
}

void Win32Diagnostics::report(std::size_t lineNumber, const std::string& message)
{
    std::string where = batchFile_;
    if (lineNumber > 0)
        where += ':' + std::to_string(lineNumber);
    const std::string text = where + ": " + message;
    writeError("da-vev-cmd: " + text + "\r\n");
    log(LogLevel::Error, text);
}

void Win32Diagnostics::importEnded(const ImportEnd& import)
{
    const std::string target = import.target.empty() ? import.target : narrowAnsi(fullPath(widenAnsi(import.target)));
    log(import.failure ? LogLevel::Warning : LogLevel::Information, describeImport(absoluteBatchFile_, target, import));
}

void Win32Diagnostics::refused(const std::string& message)
{
    log(LogLevel::Warning, "import of batch file \"" + absoluteBatchFile_ + "\" refused: " + message);
}

} // namespace davev::cmd
