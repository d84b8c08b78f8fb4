#pragma once

#include <string>
#include <string_view>

namespace davev {

enum class LogLevel { Information, Warning, Error };

// Writes one line, in UTF-8, where Windows keeps what happened unattended:
// the Application event log under the source "DA-VEV" once an administrator
// has registered that source, else a log file under the user's local
// application data (logFolder()), as a user may not register a source.
// A log that cannot be written is left at that; there is nowhere else to go.
void writeLog(LogLevel level, std::string_view text);
// An error line: where a failure goes when nobody is there to dismiss a box.
void writeEventLog(std::string_view text);

// Whether the source "DA-VEV" is registered with the Application event log.
bool eventSourceRegistered();
// %LOCALAPPDATA%\DA-VEV, where the log file and the journals that cannot lie
// beside their target go. Empty when the folder is unknown.
std::wstring logFolder();
// Appends one stamped line to imports.log in folder, created as needed, and
// rotates the file to imports.log.1 as it reaches 1 MiB.
void appendToLogFile(const std::wstring& folder, std::string_view text);

} // namespace davev
