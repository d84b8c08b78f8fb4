#pragma once

#include <string>
#include <string_view>

#include "platform/services.h"

namespace davev {

// Writes one line where Windows keeps what happened unattended: the
// Application event log under the source "DA-VEV" once an administrator has
// registered that source, else imports.log in logFolder(), in UTF-8, as a
// user may not register a source. Returns why the line was lost.
LogLoss writeLog(LogLevel level, std::string_view text);

class EventLog final : public Log {
public:
    LogLoss write(LogLevel level, std::string_view text) override { return writeLog(level, text); }
};

// Appends one stamped line to imports.log in folder, which is rotated to
// imports.log.1 as it reaches its size limit. Returns why the line was lost.
LogLoss appendToLogFile(const std::wstring& folder, std::string_view text);

// Whether the source "DA-VEV" is registered with the Application event log.
bool eventSourceRegistered();
// %LOCALAPPDATA%\DA-VEV, where the log file and the journals that cannot lie
// beside their target go. Empty when the folder is unknown.
std::wstring logFolder();

} // namespace davev
