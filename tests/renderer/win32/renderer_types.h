#pragma once

#include "platform/win32/win32_display.h"
#include "platform/win32/win32_error_report.h"
#include "platform/win32/win32_timer_driver.h"

namespace davev::test {

using RendererDisplay = Win32Display;
using RendererTimers = Win32TimerDriver;

class RendererErrorReport : public Win32ErrorReport {
public:
    using Win32ErrorReport::Win32ErrorReport;
    // Open, or opening once the message loop runs.
    bool boxOpen() const { return busy(); }
};

// The window of one of `window`'s controls; throws when there is none.
HWND control(const Window& window, std::string_view name);

} // namespace davev::test
