#include "platform/posix/x11_zorder.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>
#include <vector>

// davev::Window is the program's own window model; this is X's.
using XWindow = ::Window;

namespace davev {
namespace {

constexpr long netWmStateRemove = 0;
constexpr long netWmStateAdd = 1;
constexpr long sourceIsApplication = 1;

// Xlib keeps one error handler and one I/O error handler for the whole
// process, shared with any toolkit that talks Xlib too. On our own
// connections errors are dropped (a window that vanished between two calls,
// say) and a lost server only marks the connection dead; on every other
// connection they go on to whatever handler was in place before.
class ErrorFilter {
public:
    static void add(Display* display)
    {
        std::lock_guard lock(mutex());
        State& s = state();
        if (!s.installed) {
            s.previousError = XSetErrorHandler(&ErrorFilter::handleError);
            s.previousIOError = XSetIOErrorHandler(&ErrorFilter::handleIOError);
            s.installed = true;
        }
        s.ours.push_back(display);
    }

    static void remove(Display* display)
    {
        std::lock_guard lock(mutex());
        std::erase(state().ours, display);
    }

private:
    struct State {
        std::vector<Display*> ours;
        XErrorHandler previousError = nullptr;
        XIOErrorHandler previousIOError = nullptr;
        bool installed = false;
    };

    static bool isOurs(Display* display)
    {
        const auto& ours = state().ours;
        return std::find(ours.begin(), ours.end(), display) != ours.end();
    }

    static int handleError(Display* display, XErrorEvent* event)
    {
        XErrorHandler next = nullptr;
        {
            std::lock_guard lock(mutex());
            if (isOurs(display))
                return 0;
            next = state().previousError;
        }
        return next ? next(display, event) : 0;
    }

    // Returning lets Xlib go on to the connection's exit handler, which for
    // ours only marks it lost.
    static int handleIOError(Display* display)
    {
        XIOErrorHandler next = nullptr;
        {
            std::lock_guard lock(mutex());
            if (isOurs(display))
                return 0;
            next = state().previousIOError;
        }
        return next ? next(display) : 0;
    }

    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    static State& state()
    {
        static State s;
        return s;
    }
};

// Frees what XGetWindowProperty returned.
struct PropertyData {
    unsigned char* bytes = nullptr;
    unsigned long count = 0;
    ~PropertyData()
    {
        if (bytes)
            XFree(bytes);
    }
    // Format-32 items arrive as longs, whatever the size of long.
    const unsigned long* items() const { return reinterpret_cast<const unsigned long*>(bytes); }
};

bool readProperty(Display* display, XWindow window, Atom property, Atom type, long maxItems, PropertyData& out)
{
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long bytesAfter = 0;
    const int status = XGetWindowProperty(display, window, property, 0, maxItems, False, type, &actualType,
                                          &actualFormat, &out.count, &bytesAfter, &out.bytes);
    return status == Success && actualType == type && actualFormat == 32 && out.bytes;
}

} // namespace

struct X11ZOrder::Connection {
    Display* display = nullptr;
    XWindow root = None;
    Atom supported = None;
    Atom activeWindow = None;
    Atom wmState = None;
    Atom wmStateAbove = None;
    bool managerTakesPart = false;
    bool lost = false;

    explicit Connection(Display* d) : display(d)
    {
        ErrorFilter::add(display);
        // Xlib would otherwise end the whole program when the server goes away.
        XSetIOErrorExitHandler(display, &Connection::markLost, this);
        root = DefaultRootWindow(display);
        std::array<char*, 4> names{const_cast<char*>("_NET_SUPPORTED"), const_cast<char*>("_NET_ACTIVE_WINDOW"),
                                   const_cast<char*>("_NET_WM_STATE"), const_cast<char*>("_NET_WM_STATE_ABOVE")};
        std::array<Atom, 4> atoms{};
        XInternAtoms(display, names.data(), static_cast<int>(names.size()), False, atoms.data());
        supported = atoms[0];
        activeWindow = atoms[1];
        wmState = atoms[2];
        wmStateAbove = atoms[3];
    }

    ~Connection()
    {
        XCloseDisplay(display);
        ErrorFilter::remove(display);
    }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    static void markLost(Display*, void* self) { static_cast<Connection*>(self)->lost = true; }

    // A window manager that starts after us is noticed on a later call; once it
    // has said it keeps _NET_ACTIVE_WINDOW we stop asking.
    bool checkManager()
    {
        if (managerTakesPart)
            return true;
        PropertyData list;
        if (readProperty(display, root, supported, XA_ATOM, 4096, list)) {
            const unsigned long* atoms = list.items();
            managerTakesPart = std::find(atoms, atoms + list.count, activeWindow) != atoms + list.count;
        }
        return managerTakesPart;
    }
};

X11ZOrder::X11ZOrder() = default;

X11ZOrder::X11ZOrder(std::string displayName) : displayName_(std::move(displayName)) {}

X11ZOrder::~X11ZOrder() = default;

std::unique_ptr<X11ZOrder> X11ZOrder::onServerOf(_XDisplay* display)
{
    if (display != nullptr)
        return std::make_unique<X11ZOrder>(std::string(DisplayString(display)));
    auto inert = std::make_unique<X11ZOrder>();
    inert->openAttempted_ = true;
    return inert;
}

X11ZOrder::Connection* X11ZOrder::usableConnection()
{
    if (!openAttempted_) {
        openAttempted_ = true;
        if (Display* display = XOpenDisplay(displayName_.empty() ? nullptr : displayName_.c_str()))
            connection_ = std::make_unique<Connection>(display);
    }
    if (!connection_ || connection_->lost || !connection_->checkManager() || connection_->lost)
        return nullptr;
    return connection_.get();
}

ZOrder::Handle X11ZOrder::foregroundWindow()
{
    Connection* c = usableConnection();
    if (!c)
        return 0;
    PropertyData active;
    if (!readProperty(c->display, c->root, c->activeWindow, XA_WINDOW, 1, active) || active.count < 1)
        return 0;
    return static_cast<Handle>(active.items()[0]);
}

void X11ZOrder::makeTopmost(Handle window)
{
    changeAbove(window, netWmStateAdd);
}

void X11ZOrder::makeNotTopmost(Handle window)
{
    changeAbove(window, netWmStateRemove);
}

bool X11ZOrder::isTopmost(Handle window)
{
    Connection* c = window == 0 ? nullptr : usableConnection();
    if (!c)
        return false;
    PropertyData state;
    if (!readProperty(c->display, static_cast<XWindow>(window), c->wmState, XA_ATOM, 64, state))
        return false;
    const unsigned long* atoms = state.items();
    return std::find(atoms, atoms + state.count, c->wmStateAbove) != atoms + state.count;
}

void X11ZOrder::changeAbove(Handle window, long action)
{
    if (window == 0)
        return;
    Connection* c = usableConnection();
    if (!c)
        return;
    // Asking again for the state a window has already costs the window
    // manager, the server and every client watching a round of events.
    if (isTopmost(window) == (action == netWmStateAdd))
        return;
    // A window transient for one in the band stays there with it, as an
    // owned window does on Windows, where demoting it demotes its owner and
    // raising the owner again raises it too.
    XWindow owner = None;
    if (action == netWmStateRemove && XGetTransientForHint(c->display, static_cast<XWindow>(window), &owner) &&
        owner != None && isTopmost(owner))
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.send_event = True;
    event.xclient.display = c->display;
    event.xclient.window = static_cast<XWindow>(window);
    event.xclient.message_type = c->wmState;
    event.xclient.format = 32;
    event.xclient.data.l[0] = action;
    event.xclient.data.l[1] = static_cast<long>(c->wmStateAbove);
    event.xclient.data.l[2] = 0;
    event.xclient.data.l[3] = sourceIsApplication;
    XSendEvent(c->display, c->root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(c->display);
}

} // namespace davev
