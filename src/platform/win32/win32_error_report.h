#pragma once

#include <iosfwd>
#include <string_view>

#include "platform/services.h"

namespace davev {

// Reports failures in a message box with the error number and the system's
// description, owned by whichever of the program's windows is in front, so a
// topmost main window never hides it. At most one box is open at a time; a
// report meanwhile is only logged. Every report and note goes to a stream
// (standard error unless told otherwise) and to the debugger's output.
class Win32ErrorReport : public ErrorReport {
public:
    Win32ErrorReport();
    explicit Win32ErrorReport(std::ostream& log);

    // Returns once the user has dismissed the box; timers tick meanwhile.
    void report(const PlatformError& error) override;
    void note(std::string_view text) override;

    bool boxOpen() const { return boxOpen_; }

private:
    void log(std::string_view text);

    std::ostream& log_;
    bool boxOpen_ = false;
};

} // namespace davev
