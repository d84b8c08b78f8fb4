#pragma once

#include "interpreter/core/diagnostics.h"

namespace davev::cmd {

// Standard error and the log the program keeps on Windows (the event log,
// or imports.log under the user's local application data). The runner's
// messages come in the ANSI code page, as the batch file's names.
class Win32ReportChannels final : public ReportChannels {
public:
    // A console shows any character; a file or pipe gets the batch file's code page.
    void toStandardError(const std::string& line) override;
    LogLoss toLog(LogLevel level, const std::string& text) override;
    std::string absolute(const std::string& name) override;
    std::string readable(const std::string& message) override;
};

} // namespace davev::cmd
