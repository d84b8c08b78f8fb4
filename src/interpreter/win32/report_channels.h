#pragma once

#include <cstddef>
#include <string>

#include "interpreter/core/run_batch.h"

namespace davev::cmd {

// Reports each failure to standard error, naming the batch file and line,
// and every import's outcome and failure to the log the program keeps on
// Windows (the event log, or imports.log under the user's local
// application data). Messages come in the ANSI code page, as the batch
// file's names; the batch file's own name may hold any character, so the
// text is put together in UTF-8 and written in the ANSI code page only to a
// standard error that is a file or a pipe.
class Win32Diagnostics final : public ImportReporter {
public:
    explicit Win32Diagnostics(const std::wstring& batchFile);

    void report(std::size_t lineNumber, const std::string& message) override;
    void importEnded(const ImportEnd& import) override;
    // A batch file refused before any line ran, for the reason given.
    void refused(const std::string& reason);

private:
    std::string batchFile_;         // UTF-8, as named on the command line
    std::string absoluteBatchFile_; // UTF-8
};

} // namespace davev::cmd
