#include "interpreter/core/diagnostics.h"

#include <utility>

namespace davev::cmd {

Diagnostics::Diagnostics(ReportChannels& channels, std::string batchFile, std::string absoluteBatchFile)
    : channels_(channels), batchFile_(std::move(batchFile)), absoluteBatchFile_(std::move(absoluteBatchFile))
{
}

void Diagnostics::report(std::size_t lineNumber, const std::string& message)
{
    std::string where = batchFile_;
    if (lineNumber > 0)
        where += ':' + std::to_string(lineNumber);
    const std::string text = where + ": " + channels_.readable(message);
    channels_.toStandardError("da-vev-cmd: " + text);
    log(LogLevel::Error, text);
}

void Diagnostics::importEnded(const ImportEnd& import)
{
    ImportEnd readable = import;
    if (readable.failure)
        readable.failure = channels_.readable(*readable.failure);
    const std::string target = import.target.empty() ? import.target : channels_.absolute(import.target);
    log(import.failure ? LogLevel::Warning : LogLevel::Information,
        describeImport(absoluteBatchFile_, target, readable));
}

void Diagnostics::refused(const std::string& reason)
{
    report(0, reason);
    log(LogLevel::Warning,
        "import of batch file \"" + absoluteBatchFile_ + "\" refused: " + channels_.readable(reason));
}

void Diagnostics::log(LogLevel level, const std::string& text)
{
    if (const LogLoss lost = channels_.toLog(level, text))
        channels_.toStandardError("da-vev-cmd: a log line was lost (" + *lost + "): " + text);
}

} // namespace davev::cmd
