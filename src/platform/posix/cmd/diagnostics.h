#pragma once

#include <cstddef>
#include <string>

#include "platform/cmd/run_batch.h"

namespace davev::cmd {

// Where the interpreter keeps what must outlive it: its log file, when the
// system has no log, and the journals of targets whose folder cannot hold
// them. $XDG_STATE_HOME/DA-VEV, by default ~/.local/state/DA-VEV.
std::string stateFolder();

// Whether the system log takes lines: its socket exists.
bool systemLogReachable();
// One line, stamped and tagged "DA-VEV[pid]", to imports.log in logFolder,
// which is rotated to imports.log.1 as it reaches a size limit.
void appendToLogFile(const std::string& logFolder, const std::string& text);

// Reports each failure to stderr and to the system log as "DA-VEV", naming
// the batch file and line, and each import's outcome to the system log.
// Without a system log (no socket to it), the log lines go to imports.log
// in logFolder, which is rotated to imports.log.1 as it reaches a size
// limit.
class SystemDiagnostics final : public ImportReporter {
public:
    SystemDiagnostics(std::string batchFile, std::string logFolder);
    ~SystemDiagnostics() override;
    SystemDiagnostics(const SystemDiagnostics&) = delete;
    SystemDiagnostics& operator=(const SystemDiagnostics&) = delete;

    void report(std::size_t lineNumber, const std::string& message) override;
    void importEnded(const ImportEnd& import) override;
    // The trace of a batch file refused before any line ran.
    void refused(const std::string& message);

private:
    void log(int priority, const std::string& text);

    std::string batchFile_;
    std::string absoluteBatchFile_;
    std::string logFolder_;
    bool logOpen_ = false;
};

} // namespace davev::cmd
