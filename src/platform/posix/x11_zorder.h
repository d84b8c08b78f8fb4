#pragma once

#include <memory>
#include <string>

#include "platform/services.h"

namespace davev {

// The foreground window and the always-on-top band, through the window
// manager's EWMH hints (_NET_ACTIVE_WINDOW, _NET_WM_STATE_ABOVE). The
// connection to the X server opens on first use. Without a display, or under
// a window manager that does not take part, foregroundWindow() gives 0 and
// the other calls do nothing.
class X11ZOrder final : public ZOrder {
public:
    X11ZOrder(); // the display named by DISPLAY
    explicit X11ZOrder(std::string displayName);
    ~X11ZOrder() override;
    X11ZOrder(const X11ZOrder&) = delete;
    X11ZOrder& operator=(const X11ZOrder&) = delete;

    Handle foregroundWindow() override;
    void makeTopmost(Handle window) override;
    void makeNotTopmost(Handle window) override;

private:
    struct Connection;

    // Null where no X server can be reached or the window manager ignores EWMH.
    Connection* usableConnection();
    void changeAbove(Handle window, long action);

    std::string displayName_;
    bool openAttempted_ = false;
    std::unique_ptr<Connection> connection_;
};

} // namespace davev
