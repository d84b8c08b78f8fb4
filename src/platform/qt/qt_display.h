#pragma once

#include <memory>
#include <string>

#include "platform/controls.h"
#include "platform/services.h"

namespace davev {

class QtErrorReport;

// Shows the model's windows with Qt Widgets. Needs the QApplication of a
// QtApplication; must be destroyed before it, once the event loop has
// returned. It may outlive the model windows or be outlived by them.
class QtDisplay : public WindowDisplay {
public:
    QtDisplay();
    ~QtDisplay() override;
    QtDisplay(const QtDisplay&) = delete;
    QtDisplay& operator=(const QtDisplay&) = delete;

    // The icon of every window shown from now on, instead of the program's
    // own (compiled in, 16 and 24 pixels); an empty path goes back to it.
    void setIconPath(const std::string& path);

    void show(Window& window) override;
    // Throws PlatformError 400 when the window is already on screen.
    void showModal(Window& window, Window& owner) override;
    // The program closing a window (auto-close, a dialog's own button).
    void close(Window& window) override;
    // The size of all screens together; positions as far as the window
    // system's 16-bit coordinates reach.
    WindowLimits windowLimits() const override;

    // The report the windows' handlers use. When the program ends because
    // its last window closed and that window's unload failed, the event loop
    // ends with exit code 1: after the user has dismissed the error box when
    // the user closed the window, at once otherwise (the report then goes to
    // the unattended log).
    void reportErrorsWith(QtErrorReport& errors);

    // When `signalFd` turns readable, closes `window` the normal way and ends
    // the event loop (exit code 0 unless the close failed). For the read end
    // of a signal pipe.
    void closeOnSignal(int signalFd, Window& window);

    // Runs the application's event loop until no window is loaded any more;
    // returns at once when none is. The result is the loop's exit code.
    int runEventLoop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace davev
