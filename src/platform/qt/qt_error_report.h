#pragma once

#include <iosfwd>
#include <memory>
#include <string_view>

#include "platform/services.h"

namespace davev {

// Reports failures in a message box that never blocks the caller, and logs
// every report and note to a stream (standard error unless told otherwise).
// Needs a QApplication; must be destroyed before it.
class QtErrorReport : public ErrorReport {
public:
    QtErrorReport();
    explicit QtErrorReport(std::ostream& log);
    ~QtErrorReport() override;
    QtErrorReport(const QtErrorReport&) = delete;
    QtErrorReport& operator=(const QtErrorReport&) = delete;

    // Opens a box unless one is open already; either way the report is logged.
    void report(const PlatformError& error) override;
    void note(std::string_view text) override;

    bool boxOpen() const;

private:
    class Box;
    std::ostream& log_;
    std::unique_ptr<Box> box_;
};

} // namespace davev
