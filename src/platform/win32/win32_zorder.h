#pragma once

#include "platform/services.h"

namespace davev {

// The foreground window and the topmost band through user32:
// GetForegroundWindow, and SetWindowPos with HWND_TOPMOST or HWND_NOTOPMOST,
// keeping position and size (SWP_NOSIZE | SWP_NOMOVE) and nothing else.
class Win32ZOrder : public ZOrder {
public:
    Handle foregroundWindow() override;
    void makeTopmost(Handle window) override;
    void makeNotTopmost(Handle window) override;
};

} // namespace davev
