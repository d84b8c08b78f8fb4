#include "interpreter/win32/diagnostics.h"

#include <windows.h>

#include "platform/win32/event_log.h"
#include "platform/win32/full_path.h"
#include "platform/win32/win32_text.h"

namespace davev::cmd {

namespace {

std::string utf8FromAnsi(const std::string& ansi)
{
    return narrow(widenAnsi(ansi));
}

// A console shows any character; a file or pipe gets the batch file's code page.
void writeError(const std::string& utf8)
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    const std::wstring wide = widen(utf8);
    if (GetConsoleMode(error, &mode)) {
        WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string ansi = narrowAnsi(wide);
    WriteFile(error, ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr);
}

} // namespace

Win32Diagnostics::Win32Diagnostics(const std::wstring& batchFile)
    : batchFile_(narrow(batchFile)), absoluteBatchFile_(narrow(fullPath(batchFile)))
{
}

void Win32Diagnostics::report(std::size_t lineNumber, const std::string& message)
{
    std::string where = batchFile_;
    if (lineNumber > 0)
        where += ':' + std::to_string(lineNumber);
    const std::string text = where + ": " + utf8FromAnsi(message);
    writeError("da-vev-cmd: " + text + "\r\n");
    writeLog(LogLevel::Error, text);
}

void Win32Diagnostics::importEnded(const ImportEnd& import)
{
    ImportEnd inUtf8 = import;
    if (inUtf8.failure)
        inUtf8.failure = utf8FromAnsi(*inUtf8.failure);
    const std::string target = import.target.empty() ? import.target : narrow(fullPath(widenAnsi(import.target)));
    writeLog(import.failure ? LogLevel::Warning : LogLevel::Information,
             describeImport(absoluteBatchFile_, target, inUtf8));
}

void Win32Diagnostics::refused(const std::string& reason)
{
    const std::string message = "cannot run \"" + batchFile_ + "\": " + utf8FromAnsi(reason);
    writeError("da-vev-cmd: " + batchFile_ + ": " + message + "\r\n");
    writeLog(LogLevel::Error, batchFile_ + ": " + message);
    writeLog(LogLevel::Warning, "import of batch file \"" + absoluteBatchFile_ + "\" refused: " + message);
}

} // namespace davev::cmd
