#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string_view>

#include "platform/log_file.h"
#include "platform/services.h"

namespace davev {

// Reports failures in a message box that never blocks the caller, and logs
// every report and note to a stream (standard error unless told otherwise).
// The box belongs to the program's window in front, so it stands above it.
// Needs a QApplication; must be destroyed before it.
class QtErrorReport : public ErrorReport {
public:
    using TopmostQuery = std::function<bool(std::uintptr_t window)>;
    using Log = std::function<LogLoss(std::string_view text)>;

    QtErrorReport();
    explicit QtErrorReport(std::ostream& log);
    ~QtErrorReport() override;
    QtErrorReport(const QtErrorReport&) = delete;
    QtErrorReport& operator=(const QtErrorReport&) = delete;

    // Opens a box unless one is open already; either way the report is logged.
    // While unattended, the report goes to the unattended log instead of a box.
    void report(const PlatformError& error) override;
    void note(std::string_view text) override;

    bool boxOpen() const;
    // Runs `then` once no box is open: at once, or when the user dismisses it.
    void whenNoBoxOpen(std::function<void()> then);

    // Tells whether a window is in the always-on-top band; the box over such
    // a window is kept above too.
    void setTopmostQuery(TopmostQuery query);
    // Where reports go while nobody waits for a box, say the system log.
    void setUnattendedLog(Log log);
    void setUnattended(bool unattended);
    bool unattended() const { return unattended_; }

private:
    class Box;
    std::ostream& log_;
    std::unique_ptr<Box> box_;
    TopmostQuery topmost_;
    Log unattendedLog_;
    bool unattended_ = false;
};

} // namespace davev
