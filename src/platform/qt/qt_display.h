#pragma once

#include <memory>
#include <string>

#include "platform/controls.h"
#include "platform/services.h"

namespace davev {

// Shows the model's windows with Qt Widgets. Needs the QApplication of a
// QtApplication; must be destroyed before it, once the event loop has
// returned. It may outlive the model windows or be outlived by them.
class QtDisplay : public WindowDisplay {
public:
    QtDisplay();
    ~QtDisplay() override;
    QtDisplay(const QtDisplay&) = delete;
    QtDisplay& operator=(const QtDisplay&) = delete;

    // The icon of every window shown from now on; an empty path keeps Qt's default.
    void setIconPath(const std::string& path);

    void show(Window& window) override;
    // Throws PlatformError 400 when the window is already on screen.
    void showModal(Window& window, Window& owner) override;
    void close(Window& window) override;
    // The size of all screens together; positions as far as the window
    // system's 16-bit coordinates reach.
    WindowLimits windowLimits() const override;

    // When `signalFd` turns readable, closes `window` the normal way and ends
    // the event loop with exit code 0. For the read end of a signal pipe.
    void closeOnSignal(int signalFd, Window& window);

    // Runs the application's event loop until no window is loaded any more;
    // returns at once when none is. The result is the loop's exit code.
    int runEventLoop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace davev
