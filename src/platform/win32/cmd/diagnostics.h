#pragma once

#include <cstddef>
#include <string>

#include "platform/cmd/run_batch.h"

namespace davev::cmd {

// Reports each failure to standard error, naming the batch file and line,
// and every import's outcome and failure to the log the program keeps on
// Windows (the event log, or imports.log under the user's local
// application data). Text is in the ANSI code page, as the batch file.
class Win32Diagnostics final : public ImportReporter {
public:
    explicit Win32Diagnostics(const std::wstring& batchFile);

    void report(std::size_t lineNumber, const std::string& message) override;
    void importEnded(const ImportEnd& import) override;
    // The trace of a batch file refused before any line ran.
    void refused(const std::string& message);

private:
    std::string batchFile_;
    std::string absoluteBatchFile_;
};

} // namespace davev::cmd
