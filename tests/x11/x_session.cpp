#include "x_session.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <utility>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace davev::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

XServer::XServer(std::unique_ptr<ChildProcess> process, std::string displayName)
    : process_(std::move(process)), displayName_(std::move(displayName))
{
}

std::unique_ptr<XServer> XServer::start(std::string& why)
{
    const std::string xvfb = findProgram("Xvfb");
    if (xvfb.empty()) {
        why = "Xvfb is not installed";
        return nullptr;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        why = "no pipe";
        return nullptr;
    }
    // Xvfb writes the display number it took to -displayfd once it accepts clients.
    auto process =
        std::make_unique<ChildProcess>(std::vector<std::string>{xvfb, "-displayfd", std::to_string(fds[1]), "-screen",
                                                                "0", "800x600x24", "-nolisten", "tcp", "-noreset"},
                                       std::map<std::string, std::string>{}, fds[1]);
    ::close(fds[1]);

    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buffer[32];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        why = "Xvfb did not start";
        return nullptr;
    }
    number.erase(number.find('\n'));
    return std::unique_ptr<XServer>(new XServer(std::move(process), ":" + number));
}

WindowManager::WindowManager(std::unique_ptr<ChildProcess> process, std::string home)
    : process_(std::move(process)), home_(std::move(home))
{
}

WindowManager::~WindowManager()
{
    process_->stop();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

std::unique_ptr<WindowManager> WindowManager::start(const XServer& server, std::string& why)
{
    const std::string openbox = findProgram("openbox");
    if (openbox.empty()) {
        why = "openbox is not installed";
        return nullptr;
    }
    std::string home = (std::filesystem::temp_directory_path() / "davev-openbox-XXXXXX").string();
    if (!::mkdtemp(home.data())) {
        why = "no temporary directory";
        return nullptr;
    }
    auto process =
        std::make_unique<ChildProcess>(std::vector<std::string>{openbox, "--sm-disable"},
                                       std::map<std::string, std::string>{{"DISPLAY", server.displayName()},
                                                                          {"HOME", home},
                                                                          {"XDG_CONFIG_HOME", home + "/config"},
                                                                          {"XDG_CACHE_HOME", home + "/cache"},
                                                                          {"XDG_DATA_HOME", home + "/data"}});
    auto manager = std::unique_ptr<WindowManager>(new WindowManager(std::move(process), home));

    TestDisplay probe(server.displayName());
    if (!probe.connected() || !waitUntil([&] { return probe.managerSupports("_NET_ACTIVE_WINDOW"); })) {
        why = "openbox did not take over the display";
        return nullptr;
    }
    // Openbox announces its hints before its event loop runs, and a window
    // mapped in between stays unmanaged. Map a probe window until openbox
    // takes it: from then on it manages every new window.
    const XWindow window = probe.createWindow(0, 0, 10, 10);
    const bool managed = waitUntil([&] {
        if (waitUntil([&] { return probe.isManaged(window); }, std::chrono::milliseconds(500)))
            return true;
        XUnmapWindow(probe.get(), window);
        XMapWindow(probe.get(), window);
        XSync(probe.get(), False);
        return false;
    });
    probe.destroy(window);
    if (!managed || !waitUntil([&] { return !probe.isManaged(window); })) {
        why = "openbox did not start managing windows";
        return nullptr;
    }
    return manager;
}

TestDisplay::TestDisplay(const std::string& name) : display_(XOpenDisplay(name.c_str())) {}

TestDisplay::~TestDisplay()
{
    if (display_)
        XCloseDisplay(display_);
}

Atom TestDisplay::atom(const char* name)
{
    return XInternAtom(display_, name, False);
}

std::vector<unsigned long> TestDisplay::listProperty(XWindow window, const char* property, Atom type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display_, window, atom(property), 0, 4096, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (actualType == type && format == 32) {
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            values.assign(items, items + count);
        }
        XFree(data);
    }
    return values;
}

void TestDisplay::setListProperty(XWindow window, const char* property, Atom type,
                                  const std::vector<unsigned long>& values)
{
    // Format-32 data goes to Xlib as longs.
    std::vector<long> items(values.begin(), values.end());
    XChangeProperty(display_, window, atom(property), type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(items.data()), static_cast<int>(items.size()));
    XSync(display_, False);
}

bool TestDisplay::managerSupports(const char* hint)
{
    const auto supported = listProperty(root(), "_NET_SUPPORTED", XA_ATOM);
    return std::find(supported.begin(), supported.end(), atom(hint)) != supported.end();
}

XWindow TestDisplay::createWindow(int x, int y, unsigned width, unsigned height)
{
    const int screen = DefaultScreen(display_);
    const XWindow window = XCreateSimpleWindow(display_, root(), x, y, width, height, 0, BlackPixel(display_, screen),
                                               WhitePixel(display_, screen));
    // Placed where asked rather than where the window manager would choose.
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = x;
    hints.y = y;
    hints.width = static_cast<int>(width);
    hints.height = static_cast<int>(height);
    XSetWMNormalHints(display_, window, &hints);
    XStoreName(display_, window, "davev-test");
    XMapWindow(display_, window);
    XSync(display_, False);
    return window;
}

bool TestDisplay::isManaged(XWindow window)
{
    const auto clients = listProperty(root(), "_NET_CLIENT_LIST", XA_WINDOW);
    return std::find(clients.begin(), clients.end(), window) != clients.end();
}

void TestDisplay::activate(XWindow window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // source: a pager, which the manager always obeys
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display_, False);
}

bool TestDisplay::hasState(XWindow window, const char* state)
{
    const auto states = listProperty(window, "_NET_WM_STATE", XA_ATOM);
    return std::find(states.begin(), states.end(), atom(state)) != states.end();
}

Geometry TestDisplay::geometry(XWindow window)
{
    XWindow rootReturn = None;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    XGetGeometry(display_, window, &rootReturn, &x, &y, &width, &height, &border, &depth);
    XWindow child = None;
    int rootX = 0;
    int rootY = 0;
    XTranslateCoordinates(display_, window, root(), 0, 0, &rootX, &rootY, &child);
    return {rootX, rootY, width, height};
}

void TestDisplay::destroy(XWindow window)
{
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

} // namespace davev::test
