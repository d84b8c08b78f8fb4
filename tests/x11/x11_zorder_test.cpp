#include "platform/posix/x11_zorder.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include <X11/Xatom.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "x_session.h"

namespace davev {
namespace {

using test::TestDisplay;
using test::waitUntil;
using test::WindowManager;
using test::XServer;

// Sets or clears an environment variable for one test and puts it back after.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(InertWithoutDisplay, NoDisplayVariable)
{
    ScopedEnvironment noDisplay("DISPLAY", nullptr);
    X11ZOrder zorder;
    EXPECT_EQ(zorder.foregroundWindow(), 0u);
    zorder.makeTopmost(0x400001);
    zorder.makeNotTopmost(0x400001);
    EXPECT_EQ(zorder.foregroundWindow(), 0u);
}

TEST(InertWithoutDisplay, DisplayThatDoesNotAnswer)
{
    // Display numbers this high are never served; the socket does not exist.
    X11ZOrder zorder(":64999");
    EXPECT_EQ(zorder.foregroundWindow(), 0u);
    zorder.makeTopmost(0x400001);
    zorder.makeNotTopmost(0x400001);
    EXPECT_EQ(zorder.foregroundWindow(), 0u);
}

// An X server with openbox, shared by the tests that need a window manager.
class WithWindowManager : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server_ = XServer::start(why_).release();
        if (server_)
            manager_ = WindowManager::start(*server_, why_).release();
    }
    static void TearDownTestSuite()
    {
        delete manager_;
        manager_ = nullptr;
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override
    {
        if (!manager_)
            GTEST_SKIP() << why_;
        x_.emplace(server_->displayName());
        ASSERT_TRUE(x_->connected());
    }

    ::Window managedWindow(int x, int y)
    {
        const ::Window w = x_->createWindow(x, y, 160, 120);
        EXPECT_TRUE(waitUntil([&] { return x_->isManaged(w); })) << "openbox never managed the window";
        return w;
    }

    static inline XServer* server_ = nullptr;
    static inline WindowManager* manager_ = nullptr;
    static inline std::string why_;
    std::optional<TestDisplay> x_;
};

TEST_F(WithWindowManager, ForegroundFollowsActivation)
{
    X11ZOrder zorder(server_->displayName());
    const ::Window first = managedWindow(40, 40);
    const ::Window second = managedWindow(300, 200);

    x_->activate(first);
    EXPECT_TRUE(waitUntil([&] { return zorder.foregroundWindow() == first; }));
    x_->activate(second);
    EXPECT_TRUE(waitUntil([&] { return zorder.foregroundWindow() == second; }));

    x_->destroy(first);
    x_->destroy(second);
}

TEST_F(WithWindowManager, TopmostTogglesAboveWithoutMovingTheWindow)
{
    X11ZOrder zorder(server_->displayName());
    const ::Window window = managedWindow(60, 80);
    const ::Window other = managedWindow(120, 140);
    const test::Geometry before = x_->geometry(window);
    ASSERT_FALSE(x_->hasState(window, "_NET_WM_STATE_ABOVE"));

    zorder.makeTopmost(window);
    EXPECT_TRUE(waitUntil([&] { return x_->hasState(window, "_NET_WM_STATE_ABOVE"); }));
    EXPECT_FALSE(x_->hasState(other, "_NET_WM_STATE_ABOVE"));
    EXPECT_EQ(x_->geometry(window), before);

    zorder.makeNotTopmost(window);
    EXPECT_TRUE(waitUntil([&] { return !x_->hasState(window, "_NET_WM_STATE_ABOVE"); }));
    EXPECT_EQ(x_->geometry(window), before);

    x_->destroy(window);
    x_->destroy(other);
}

TEST_F(WithWindowManager, TopmostWorksOnAnotherProgramsWindow)
{
    const std::string xmessage = test::findProgram("xmessage");
    if (xmessage.empty())
        GTEST_SKIP() << "xmessage is not installed";
    const auto clientsBefore = x_->listProperty(x_->root(), "_NET_CLIENT_LIST", XA_WINDOW);
    test::ChildProcess program({xmessage, "-geometry", "+200+150", "another program"},
                               {{"DISPLAY", server_->displayName()}});
    ::Window window = None;
    ASSERT_TRUE(waitUntil([&] {
        for (unsigned long w : x_->listProperty(x_->root(), "_NET_CLIENT_LIST", XA_WINDOW))
            if (std::find(clientsBefore.begin(), clientsBefore.end(), w) == clientsBefore.end())
                window = w;
        return window != None;
    })) << "xmessage's window never appeared";
    const test::Geometry before = x_->geometry(window);

    X11ZOrder zorder(server_->displayName());
    zorder.makeTopmost(window);
    EXPECT_TRUE(waitUntil([&] { return x_->hasState(window, "_NET_WM_STATE_ABOVE"); }));
    zorder.makeNotTopmost(window);
    EXPECT_TRUE(waitUntil([&] { return !x_->hasState(window, "_NET_WM_STATE_ABOVE"); }));
    EXPECT_EQ(x_->geometry(window), before);
}

// A program whose windows are not on X11 (a Wayland session) leaves the X
// windows of other programs alone, even with DISPLAY pointing at a server.
TEST_F(WithWindowManager, OnlyOnTheServerOfTheProgramsOwnWindows)
{
    const ::Window window = managedWindow(30, 30);
    x_->activate(window);
    ASSERT_TRUE(waitUntil([&] { return X11ZOrder(server_->displayName()).foregroundWindow() == window; }));

    const char* before = std::getenv("DISPLAY");
    const std::string previous = before != nullptr ? before : "";
    setenv("DISPLAY", server_->displayName().c_str(), 1);
    const auto offX11 = X11ZOrder::onServerOf(nullptr);
    EXPECT_EQ(offX11->foregroundWindow(), 0u);
    offX11->makeTopmost(window);
    EXPECT_FALSE(offX11->isTopmost(window));

    const auto onX11 = X11ZOrder::onServerOf(x_->get());
    EXPECT_EQ(onX11->foregroundWindow(), window);
    onX11->makeTopmost(window);
    EXPECT_TRUE(waitUntil([&] { return x_->hasState(window, "_NET_WM_STATE_ABOVE"); }));
    EXPECT_TRUE(onX11->isTopmost(window));
    before != nullptr ? setenv("DISPLAY", previous.c_str(), 1) : unsetenv("DISPLAY");
    x_->destroy(window);
}

TEST_F(WithWindowManager, VanishedWindowsAreHarmless)
{
    X11ZOrder zorder(server_->displayName());
    const ::Window gone = managedWindow(10, 10);
    x_->destroy(gone);
    ASSERT_TRUE(waitUntil([&] { return !x_->isManaged(gone); }));

    zorder.makeTopmost(gone);
    zorder.makeNotTopmost(gone);
    zorder.makeTopmost(0);

    // Still working afterwards.
    const ::Window window = managedWindow(200, 20);
    x_->activate(window);
    EXPECT_TRUE(waitUntil([&] { return zorder.foregroundWindow() == window; }));
    zorder.makeTopmost(window);
    EXPECT_TRUE(waitUntil([&] { return x_->hasState(window, "_NET_WM_STATE_ABOVE"); }));
    x_->destroy(window);
}

// A bare X server: the tests play the window manager's part by hand.
class WithoutWindowManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        server_ = XServer::start(why);
        if (!server_)
            GTEST_SKIP() << why;
        x_.emplace(server_->displayName());
        ASSERT_TRUE(x_->connected());
    }

    std::unique_ptr<XServer> server_;
    std::optional<TestDisplay> x_;
};

TEST_F(WithoutWindowManager, IgnoresHintsNoManagerAnnounced)
{
    const ::Window window = x_->createWindow(0, 0, 50, 50);
    x_->setListProperty(x_->root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, {window});
    X11ZOrder zorder(server_->displayName());
    EXPECT_EQ(zorder.foregroundWindow(), 0u);

    // A manager that turns up later is noticed.
    x_->setListProperty(x_->root(), "_NET_SUPPORTED", XA_ATOM, {x_->atom("_NET_ACTIVE_WINDOW")});
    EXPECT_EQ(zorder.foregroundWindow(), window);

    x_->setListProperty(x_->root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, {0});
    EXPECT_EQ(zorder.foregroundWindow(), 0u);
    XDeleteProperty(x_->get(), x_->root(), x_->atom("_NET_ACTIVE_WINDOW"));
    XSync(x_->get(), False);
    EXPECT_EQ(zorder.foregroundWindow(), 0u);
}

TEST_F(WithoutWindowManager, ManagerWithoutActiveWindowHintIsIgnored)
{
    const ::Window window = x_->createWindow(0, 0, 50, 50);
    x_->setListProperty(x_->root(), "_NET_SUPPORTED", XA_ATOM, {x_->atom("_NET_WM_STATE")});
    x_->setListProperty(x_->root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, {window});
    X11ZOrder zorder(server_->displayName());
    EXPECT_EQ(zorder.foregroundWindow(), 0u);
}

// Playing the window manager: the state changes asked of it arrive here.
TEST_F(WithoutWindowManager, AsksForAStateChangeOnlyWhenTheStateDiffers)
{
    x_->setListProperty(x_->root(), "_NET_SUPPORTED", XA_ATOM, {x_->atom("_NET_ACTIVE_WINDOW")});
    XSelectInput(x_->get(), x_->root(), SubstructureRedirectMask);
    const ::Window window = x_->createWindow(0, 0, 50, 50);
    x_->setListProperty(window, "_NET_WM_STATE", XA_ATOM, {x_->atom("_NET_WM_STATE_ABOVE")});
    X11ZOrder zorder(server_->displayName());
    EXPECT_TRUE(zorder.isTopmost(window));

    std::vector<long> actions;
    const auto collect = [&] {
        XSync(x_->get(), False);
        XEvent event;
        while (XCheckTypedEvent(x_->get(), ClientMessage, &event))
            if (event.xclient.message_type == x_->atom("_NET_WM_STATE"))
                actions.push_back(event.xclient.data.l[0]);
        return !actions.empty();
    };
    zorder.makeTopmost(window); // already above: nothing to ask
    zorder.makeNotTopmost(window);
    ASSERT_TRUE(waitUntil(collect));
    EXPECT_EQ(actions, std::vector<long>{0}) << "one request, to remove";

    x_->setListProperty(window, "_NET_WM_STATE", XA_ATOM, {});
    EXPECT_FALSE(zorder.isTopmost(window));
    actions.clear();
    zorder.makeNotTopmost(window); // not above: nothing to ask
    zorder.makeTopmost(window);
    ASSERT_TRUE(waitUntil(collect));
    EXPECT_EQ(actions, std::vector<long>{1}) << "one request, to add";

    // A dialog transient for a window in the band stays above it, as an
    // owned window follows its owner's band on Windows: an error box over
    // the topmost main window must not drop below it at the next tick.
    const ::Window dialog = x_->createWindow(10, 10, 20, 20);
    XSetTransientForHint(x_->get(), dialog, window);
    x_->setListProperty(dialog, "_NET_WM_STATE", XA_ATOM, {x_->atom("_NET_WM_STATE_ABOVE")});
    x_->setListProperty(window, "_NET_WM_STATE", XA_ATOM, {x_->atom("_NET_WM_STATE_ABOVE")});
    actions.clear();
    zorder.makeNotTopmost(dialog);
    x_->setListProperty(window, "_NET_WM_STATE", XA_ATOM, {});
    zorder.makeNotTopmost(dialog); // its owner left the band: it goes too
    ASSERT_TRUE(waitUntil(collect));
    EXPECT_EQ(actions, std::vector<long>{0}) << "only the request made once the owner was no longer above";
}

int recordedErrors = 0;
int recordError(Display*, XErrorEvent*)
{
    ++recordedErrors;
    return 0;
}

// Run in a process of its own: the handler is put in place by the first
// connection the process opens.
using ErrorHandlerChain = WithoutWindowManager;

TEST_F(ErrorHandlerChain, OtherConnectionsKeepTheirErrorHandler)
{
    const XErrorHandler original = XSetErrorHandler(&recordError);
    recordedErrors = 0;
    {
        X11ZOrder zorder(server_->displayName());
        x_->setListProperty(x_->root(), "_NET_SUPPORTED", XA_ATOM, {x_->atom("_NET_ACTIVE_WINDOW")});
        zorder.foregroundWindow();

        // A request on a window that does not exist, on the test's own connection.
        XMapWindow(x_->get(), 0x1fffff);
        XSync(x_->get(), False);
        EXPECT_EQ(recordedErrors, 1);
    }
    XSetErrorHandler(original);
}

TEST_F(WithoutWindowManager, SurvivesTheServerGoingAway)
{
    x_->setListProperty(x_->root(), "_NET_SUPPORTED", XA_ATOM, {x_->atom("_NET_ACTIVE_WINDOW")});
    const ::Window window = x_->createWindow(0, 0, 50, 50);
    x_->setListProperty(x_->root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, {window});
    X11ZOrder zorder(server_->displayName());
    ASSERT_EQ(zorder.foregroundWindow(), window);

    x_.reset(); // the test's connection would take the process down with it
    server_->stop();

    EXPECT_EQ(zorder.foregroundWindow(), 0u);
    zorder.makeTopmost(window);
    zorder.makeNotTopmost(window);
    EXPECT_EQ(zorder.foregroundWindow(), 0u);
}

} // namespace
} // namespace davev
