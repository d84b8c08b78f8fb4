#pragma once

#include <memory>
#include <string>

#include "platform/services.h"

// Xlib's connection type, named without its header.
struct _XDisplay;

namespace davev {

// The foreground window and the always-on-top band, through the window
// manager's EWMH hints (_NET_ACTIVE_WINDOW, _NET_WM_STATE_ABOVE). The
// connection to the X server opens on first use. Without a display, or under
// a window manager that does not take part, foregroundWindow() gives 0 and
// the other calls do nothing. A state change goes to the window manager only
// when the window's state differs from the one asked for.
class X11ZOrder final : public ZOrder {
public:
    X11ZOrder(); // the display named by DISPLAY
    explicit X11ZOrder(std::string displayName);
    // On the X server that `display` (a toolkit's connection) talks to, over
    // a connection of its own: replies to a shared connection would wake the
    // toolkit's event reader too, several times a tick. nullptr: not on X11,
    // every call does nothing.
    static std::unique_ptr<X11ZOrder> onServerOf(_XDisplay* display);
    ~X11ZOrder() override;
    X11ZOrder(const X11ZOrder&) = delete;
    X11ZOrder& operator=(const X11ZOrder&) = delete;

    Handle foregroundWindow() override;
    void makeTopmost(Handle window) override;
    void makeNotTopmost(Handle window) override;
    // Whether the window manager keeps the window in the always-on-top band.
    bool isTopmost(Handle window);

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
