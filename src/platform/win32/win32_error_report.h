#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <windows.h>

#include "platform/log_file.h"
#include "platform/services.h"

namespace davev {

// Reports failures in a message box with the error number and the system's
// description, owned by whichever of the program's windows is in front, so a
// topmost main window never hides it. The box opens from the message loop
// once the reporting handler has run to its end, so no handler waits for the
// user and no timer tick runs inside another. At most one box is open or
// waiting at a time; a report meanwhile is only logged. Every report and
// note goes to a stream (standard error unless told otherwise) and to the
// debugger's output.
class Win32ErrorReport : public ErrorReport {
public:
    using Log = std::function<LogLoss(std::string_view text)>;

    Win32ErrorReport();
    explicit Win32ErrorReport(std::ostream& log);
    ~Win32ErrorReport() override;
    Win32ErrorReport(const Win32ErrorReport&) = delete;
    Win32ErrorReport& operator=(const Win32ErrorReport&) = delete;

    // While unattended, the report goes to the unattended log instead of a box.
    void report(const PlatformError& error) override;
    void note(std::string_view text) override;

    bool boxOpen() const { return boxOpen_; }
    // A box is open, or will open when the message loop next runs.
    bool busy() const { return boxOpen_ || !pending_.empty(); }

    // Where reports go while nobody waits for a box, say the event log.
    void setUnattendedLog(Log log);
    void setUnattended(bool unattended) { unattended_ = unattended; }
    bool unattended() const { return unattended_; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void showPending();
    void log(std::string_view text);

    std::ostream& log_;
    Log unattendedLog_;
    HWND window_ = nullptr; // message-only: receives the request to open the box
    std::wstring pending_;
    bool boxOpen_ = false;
    bool unattended_ = false;
};

} // namespace davev
