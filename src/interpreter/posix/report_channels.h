#pragma once

#include "interpreter/core/diagnostics.h"

namespace davev::cmd {

// Standard error and the system log (or, without one, imports.log in the
// state folder), on Linux.
class PosixReportChannels final : public ReportChannels {
public:
    void toStandardError(const std::string& line) override;
    LogLoss toLog(LogLevel level, const std::string& text) override;
    std::string absolute(const std::string& name) override;
    std::string readable(const std::string& message) override { return message; }
};

} // namespace davev::cmd
