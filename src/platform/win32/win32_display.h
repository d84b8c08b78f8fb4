#pragma once

#include <memory>

#include "platform/controls.h"
#include "platform/services.h"

namespace davev {

class Win32ErrorReport;

// Shows the model's windows as Win32 windows with the system's themed
// controls. Lives on the user-interface thread; it may outlive the model
// windows or be outlived by them. Each window's handle, given to the model
// when the window is shown, is its top-level HWND.
class Win32Display : public WindowDisplay {
public:
    Win32Display();
    ~Win32Display() override;
    Win32Display(const Win32Display&) = delete;
    Win32Display& operator=(const Win32Display&) = delete;

    // The icon of every window, from the executable's icon resource
    // `resourceId`, at the system's small (title bar) and large sizes. A
    // missing resource keeps the system's default icon.
    void setIcon(int resourceId);

    // Where a failed unload at the program's end is told: in a box the
    // program waits on when the user closed the window, else in the report's
    // unattended log.
    void reportErrorsWith(Win32ErrorReport& errors);

    void show(Window& window) override;
    // Disables the owner and runs a nested message loop until the window is
    // closed. Throws PlatformError 400 when the window is already on screen.
    void showModal(Window& window, Window& owner) override;
    void close(Window& window) override;
    WindowLimits windowLimits() const override;

    // Runs the message loop until no window is loaded any more (and the user
    // has dismissed the box telling why the last one's close failed);
    // returns at once when none is. The result is the program's exit code: 1 when the
    // last window's unload failed (its settings were not stored), else 0.
    int runEventLoop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace davev
