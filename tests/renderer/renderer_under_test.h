#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/layouts.h"
#include "import/output_window_layout.h"
#include "platform/controls.h"
// Each renderer's folder has one: RendererDisplay, RendererTimers and
// RendererErrorReport, the renderer's own classes, whose common members
// (show, showModal, close, runEventLoop, reportErrorsWith; running; report,
// note, boxOpen, setUnattendedLog, setUnattended) the cases use.
#include "renderer_types.h"

namespace davev::test {

inline constexpr int Generous = 10000;

struct Pixels {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Pixels&) const = default;
};

// A picture of a control or an icon, each pixel 0xRRGGBB.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    bool operator==(const Image&) const = default;
};

// A top-level window of the program as the user sees it.
struct WindowSeen {
    std::string title;
    Pixels client;
    // The outer frame, on the screen.
    Pixels frame;
    bool minimizeBox = false, maximizeBox = false, closeBox = false, resizable = false;
    Window::Handle owner = 0;
    // False while a modal window or box keeps the user's input from it.
    bool reachable = false;
    bool active = false;
    // The control with the keyboard focus, or "(none)".
    std::string focused;
    std::vector<int> iconSizes;
};

// One control of a window as the user sees it; `exists` is false for a
// control with nothing on screen.
struct ControlSeen {
    bool exists = false;
    Pixels geometry;
    // Not hidden, though maybe out of sight.
    bool shown = false;
    bool enabled = false, readOnly = false, verticalScrollBar = false;
    // Caption or text, with each line end as "\n".
    std::string text;
    int checkState = CheckBox::Unchecked;
    std::string fontFamily;
    int fontPixels = 0;
    bool bold = false;
};

struct MessageBoxSeen {
    std::uintptr_t id = 0;
    std::string title, text;
    Window::Handle owner = 0;
    bool errorIcon = false, aboveOthers = false;
};

// In this order, which the renderers' key tables follow.
enum class Key { Tab, Return, Space, Escape, Backspace };

// What only some renderers have a part in.
enum class Part { IconPictures, EarlyWakeUps, ActivationByZOrder };

// One renderer as the cases see it: its display and timers, what a test
// reads back from the screen, and what it does there as the user would.
// Windows are the model's, controls named as in the layout.
class RendererUnderTest {
public:
    virtual ~RendererUnderTest() = default;

    RendererTimers timers;
    RendererDisplay display;

    // Runs `action` after `milliseconds` from whichever event loop runs
    // then: the display's own, a modal window's or a message box's.
    virtual void later(int milliseconds, std::function<void()> action) = 0;
    // Handles events until `condition` holds or `milliseconds` have passed;
    // returns the condition.
    virtual bool waitFor(const std::function<bool()>& condition, int milliseconds = Generous) = 0;
    // Handles the events already waiting, deferred deletions included.
    virtual void settle() = 0;

    // Where the renderers differ for good reason.
    virtual double dpi() = 0;
    virtual std::string faceShownFor(std::string_view layoutFace) = 0;
    virtual std::vector<int> programIconSizes() = 0;
    // Whether a report opens its box from the event loop once the reporting
    // handler has run to its end, rather than at once.
    virtual bool boxesWaitForTheLoop() = 0;
    // Why the renderer has no part in `part`, for a case to skip; empty when it has.
    virtual std::string noPartIn(Part part) = 0;

    // The part of the (only) screen that windows may take, as the platform tells it.
    virtual Pixels workArea() = 0;
    // A showing by its handle, still on screen; not yet freed (maybe hidden).
    virtual bool showing(Window::Handle window) = 0;
    virtual bool exists(Window::Handle window) = 0;
    virtual WindowSeen seen(const Window& window) = 0;
    virtual ControlSeen seen(const Window& window, std::string_view control) = 0;
    // As the control paints itself.
    virtual Image picture(const Window& window, std::string_view control) = 0;
    virtual Image icon(const Window& window, int size) = 0;

    // As the user would. press() goes to the control with the focus, or to
    // `control`, focused first when it can be.
    virtual void activate(Window& window) = 0;
    virtual void moveTo(Window& window, int x, int y) = 0;
    virtual void closeByUser(Window& window) = 0;
    virtual void click(Window& window, std::string_view control) = 0;
    virtual void doubleClick(Window& window, std::string_view control) = 0;
    virtual void press(Window& window, Key key) = 0;
    virtual void press(Window& window, std::string_view control, Key key) = 0;
    virtual void type(Window& window, std::string_view control, std::string_view text) = 0;
    // The caret after `characters` characters of the text, a line end counting one.
    virtual void placeCaret(Window& window, std::string_view control, int characters) = 0;
    // As an automation tool or a screen reader puts text in, without keystrokes.
    virtual void putText(Window& window, std::string_view control, std::string_view text) = 0;
    // The session asks the program to end (a hang-up, a log-off) with `main`
    // closing the normal way; takes effect from the event loop.
    virtual void endSession(Window& main) = 0;

    virtual std::vector<MessageBoxSeen> messageBoxes() = 0;
    virtual void dismiss(const MessageBoxSeen& box) = 0;
    // `window` in the always-on-top band, as the report learns it.
    virtual void makeTopmost(RendererErrorReport& report, const Window& window) = 0;

    virtual void useProgramIcon() = 0;
    virtual void useMissingIcon() = 0;
    // False when the renderer takes no picture for its icon.
    virtual bool useIcon(const Image& picture) = 0;
    // Milliseconds until the early wake-up before a long timer's tick, -1
    // for none; nothing when the renderer has no part in early wake-ups.
    virtual std::optional<int> msUntilWake(const Timer& timer) = 0;
};

// Each renderer's folder defines it.
std::unique_ptr<RendererUnderTest> makeRendererUnderTest();

class IgnoredErrors : public ErrorReport {
public:
    void report(const PlatformError&) override {}
    void note(std::string_view) override {}
};

#define SKIP_WITHOUT_A_PART_IN(part)                                                                                   \
    if (const std::string why = renderer.noPartIn(part); !why.empty()) {                                               \
        GTEST_SKIP() << why;                                                                                           \
    }

// The program's three windows on a display of their own.
class RendererTest : public testing::Test {
protected:
    int px(double twips) { return static_cast<int>(std::lround(twips * renderer.dpi() / 1440.0)); }
    float twips(int pixels) { return std::round(static_cast<float>(pixels * 1440.0 / renderer.dpi())); }
    WindowSeen seen(const Window& window) { return renderer.seen(window); }
    ControlSeen seen(const Window& window, std::string_view control) { return renderer.seen(window, control); }

    // As the program opens it: at a stored position, with the lower part of
    // the layout out of sight unless a taller height was stored.
    void openMain(float height = 3150)
    {
        main.load();
        main.setLeft(1500);
        main.setTop(750);
        main.setHeight(height);
        renderer.display.show(main);
        renderer.settle();
    }

    // Shows `window` modally over `owner`, runs `check` inside its loop,
    // then closes it unless `check` did.
    void whileModal(Window& window, Window& owner, const std::function<void()>& check)
    {
        ASSERT_TRUE(owner.loaded()) << "open the owner first";
        window.load();
        bool ran = false;
        const auto pending = std::make_shared<bool>(true);
        renderer.later(0, [&] {
            ran = true;
            check();
            renderer.display.close(window);
        });
        renderer.later(Generous, [&, pending] {
            if (*pending)
                renderer.display.close(window);
        });
        renderer.display.showModal(window, owner);
        *pending = false;
        EXPECT_TRUE(ran) << "the modal loop never ran";
    }

    // Runs `check` with the one message box open, from the loop that has it
    // open (a box may run a loop of its own), then dismisses the box as the
    // user would and waits until it has gone.
    void withTheBox(const std::function<void(const MessageBoxSeen&)>& check)
    {
        const auto pending = std::make_shared<bool>(true);
        bool done = false;
        std::function<void()> poll = [&, pending] {
            if (!*pending)
                return;
            const std::vector<MessageBoxSeen> boxes = renderer.messageBoxes();
            if (boxes.empty())
                return renderer.later(10, poll);
            EXPECT_EQ(boxes.size(), 1u);
            *pending = false;
            check(boxes.front());
            renderer.dismiss(boxes.front());
            done = true;
        };
        renderer.later(0, poll);
        EXPECT_TRUE(renderer.waitFor([&] { return done; })) << "no box opened";
        *pending = false;
        EXPECT_TRUE(renderer.waitFor([this] { return renderer.messageBoxes().empty(); }));
    }

    // Runs the display's loop with `scenario` as its first event. A loop
    // still running after a generous bound fails the test, and ends: its
    // boxes dismissed, the fixture's windows and `others` closed.
    int runLoop(const std::function<void()>& scenario, std::vector<Window*> others = {})
    {
        const auto pending = std::make_shared<bool>(true);
        bool timedOut = false;
        renderer.later(0, scenario);
        renderer.later(Generous, [&, pending] {
            if (!*pending)
                return;
            timedOut = true;
            for (const MessageBoxSeen& box : renderer.messageBoxes())
                renderer.dismiss(box);
            others.insert(others.end(), {&output, &about, &main});
            for (Window* window : others)
                if (window->loaded())
                    renderer.display.close(*window);
        });
        const int code = renderer.display.runEventLoop();
        *pending = false;
        EXPECT_FALSE(timedOut) << "the loop did not end by itself";
        return code;
    }

    void TearDown() override
    {
        for (Window* window : {&output, &about, &main})
            if (window->loaded())
                renderer.display.close(*window);
    }

    std::unique_ptr<RendererUnderTest> made = makeRendererUnderTest();
    RendererUnderTest& renderer = *made;
    IgnoredErrors errors;
    Window main{mainWindowLayout(), errors, renderer.timers};
    Window about{aboutWindowLayout(), errors, renderer.timers};
    Window output{outputWindowLayout(), errors, renderer.timers};
};

} // namespace davev::test
