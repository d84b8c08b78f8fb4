#pragma once

#include <cstddef>
#include <string>

namespace davev::cmd {

class FailureReporter {
public:
    virtual ~FailureReporter() = default;
    // lineNumber is 0 for a failure that belongs to no line.
    virtual void report(std::size_t lineNumber, const std::string& message) = 0;
};

// Writes each failure to stderr and to the system log as "DA-VEV", naming the
// batch file and line, so a failed hidden import leaves a trace somewhere.
class SystemDiagnostics final : public FailureReporter {
public:
    explicit SystemDiagnostics(std::string batchFile);
    ~SystemDiagnostics() override;
    SystemDiagnostics(const SystemDiagnostics&) = delete;
    SystemDiagnostics& operator=(const SystemDiagnostics&) = delete;

    void report(std::size_t lineNumber, const std::string& message) override;

private:
    std::string batchFile_;
    bool logOpen_ = false;
};

} // namespace davev::cmd
