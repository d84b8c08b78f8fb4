#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <X11/Xlib.h>

#include "child_process.h"

namespace davev::test {

// davev::Window is the program's own window model; this is X's.
using XWindow = ::Window;

// Polls until condition holds or bound passes; returns whether it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound = std::chrono::seconds(30));

// An Xvfb server on a display number it chooses itself, so tests running side
// by side never collide.
class XServer {
public:
    // Null, with the reason in `why`, when Xvfb is missing or did not start.
    static std::unique_ptr<XServer> start(std::string& why);
    const std::string& displayName() const { return displayName_; }
    void stop() { process_->stop(); }

private:
    XServer(std::unique_ptr<ChildProcess> process, std::string displayName);
    std::unique_ptr<ChildProcess> process_;
    std::string displayName_;
};

// Openbox on a server, with a throwaway configuration directory.
class WindowManager {
public:
    static std::unique_ptr<WindowManager> start(const XServer& server, std::string& why);
    ~WindowManager();

private:
    WindowManager(std::unique_ptr<ChildProcess> process, std::string home);
    std::unique_ptr<ChildProcess> process_;
    std::string home_;
};

struct Geometry {
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    bool operator==(const Geometry&) const = default;
};

// The test's own client connection, with the few EWMH reads the tests need.
class TestDisplay {
public:
    explicit TestDisplay(const std::string& name);
    ~TestDisplay();
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    bool connected() const { return display_ != nullptr; }
    Display* get() const { return display_; }
    XWindow root() const { return DefaultRootWindow(display_); }
    Atom atom(const char* name);

    // A format-32 list property (atoms, windows); empty when absent.
    std::vector<unsigned long> listProperty(XWindow window, const char* property, Atom type);
    void setListProperty(XWindow window, const char* property, Atom type, const std::vector<unsigned long>& values);

    bool managerSupports(const char* hint);
    XWindow createWindow(int x, int y, unsigned width, unsigned height);
    bool isManaged(XWindow window);
    void activate(XWindow window); // as a pager would ask for it
    bool hasState(XWindow window, const char* state);
    Geometry geometry(XWindow window);
    void destroy(XWindow window);

private:
    Display* display_ = nullptr;
};

} // namespace davev::test
