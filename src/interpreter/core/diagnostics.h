#pragma once

#include <cstddef>
#include <string>

#include "interpreter/core/run_batch.h"
#include "platform/log_file.h"

namespace davev::cmd {

// Where the interpreter's reports go, one implementation per platform.
// Text is UTF-8.
class ReportChannels {
public:
    virtual ~ReportChannels() = default;
    // One line, without its line end.
    virtual void toStandardError(const std::string& line) = 0;
    virtual LogLoss toLog(LogLevel level, const std::string& text) = 0;
    // The absolute path of a file named as the batch file names it.
    virtual std::string absolute(const std::string& name) = 0;
    // A message of the runner, which quotes names as the batch file holds them.
    virtual std::string readable(const std::string& message) = 0;
};

// Reports each failure to standard error and to the log, naming the batch
// file and line, and each import's outcome to the log. A line the log
// cannot take goes to standard error with the reason, and the import's
// outcome stands.
class Diagnostics final : public ImportReporter {
public:
    // batchFile as it was named to the interpreter, absoluteBatchFile the
    // absolute path of it, both in UTF-8.
    Diagnostics(ReportChannels& channels, std::string batchFile, std::string absoluteBatchFile);

    void report(std::size_t lineNumber, const std::string& message) override;
    void importEnded(const ImportEnd& import) override;
    // The trace of a batch file refused before any line ran.
    void refused(const std::string& reason);

private:
    void log(LogLevel level, const std::string& text);

    ReportChannels& channels_;
    std::string batchFile_;
    std::string absoluteBatchFile_;
};

} // namespace davev::cmd
