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
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Pixels&) const = default;
};

// A picture of a control or an icon, each pixel 0xRRGGBB.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    bool operator==(const Image&) const = default;
};

struct FontLook {
    std::string family;
    int pixelHeight = 0;
    bool bold = false;
};

struct FrameLook {
    bool minimizeBox = false;
    bool maximizeBox = false;
    bool closeBox = false;
    bool resizable = false;
};

// A message box as the user sees it.
struct MessageBoxSeen {
    std::uintptr_t id = 0;
    std::string title;
    std::string text;
    Window::Handle owner = 0;
    bool errorIcon = false;
    bool aboveOthers = false;
};

enum class Key { Tab, Return, Space, Escape, Backspace };

// What only some renderers have a part in.
enum class Part { IconPictures, EarlyWakeUps, ActivationByZOrder };

// One renderer as the cases see it: its display and timers, what a test
// reads back from the screen, and what it does there as the user would.
// Controls are named as in the layout. Each renderer's folder defines these.
class RendererUnderTest {
public:
    RendererUnderTest();
    ~RendererUnderTest();
    RendererUnderTest(const RendererUnderTest&) = delete;
    RendererUnderTest& operator=(const RendererUnderTest&) = delete;

    RendererTimers timers;
    RendererDisplay display;

    // Runs `action` after `milliseconds` from whichever event loop runs
    // then: the display's own, a modal window's or a message box's.
    void later(int milliseconds, std::function<void()> action);
    // Handles events until `condition` holds or `milliseconds` have passed;
    // returns the condition.
    bool waitFor(const std::function<bool()>& condition, int milliseconds = Generous);
    // Handles the events already waiting, deferred deletions included.
    void settle();

    // Where the renderer differs for good reason.
    double dpi();
    std::string faceShownFor(std::string_view layoutFace);
    std::vector<int> programIconSizes();
    // Whether a report opens its box from the event loop, once the reporting
    // handler has run to its end, rather than at once.
    bool boxesWaitForTheLoop();
    // Why the renderer has no part in `part`, for a case to skip; empty when
    // it has.
    std::string noPartIn(Part part);

    // The top-level window of a showing, by its handle: on screen, and not
    // yet freed (it may be hidden).
    bool showing(Window::Handle window);
    bool exists(Window::Handle window);
    std::string title(const Window& window);
    Pixels clientArea(const Window& window);
    // The outer frame's top left corner on the screen.
    Pixels frame(const Window& window);
    FrameLook frameLook(const Window& window);
    bool ownedBy(const Window& window, const Window& owner);
    // False while a modal window or box keeps the user's input from it.
    bool reachable(const Window& window);
    bool active(const Window& window);
    std::vector<int> iconSizes(const Window& window);
    Image icon(const Window& window, int size);

    bool hasControl(const Window& window, std::string_view control);
    Pixels geometry(const Window& window, std::string_view control);
    // Not hidden, though maybe out of sight.
    bool shown(const Window& window, std::string_view control);
    bool enabled(const Window& window, std::string_view control);
    bool readOnly(const Window& window, std::string_view control);
    bool verticalScrollBar(const Window& window, std::string_view control);
    // Caption or text, with each line end as "\n".
    std::string text(const Window& window, std::string_view control);
    int checkState(const Window& window, std::string_view control);
    FontLook font(const Window& window, std::string_view control);
    Image picture(const Window& window, std::string_view control);
    // The control of `window` that has the keyboard focus, or "(none)".
    std::string focused(const Window& window);

    // As the user would.
    void activate(Window& window);
    void moveTo(Window& window, int x, int y);
    void closeByUser(Window& window);
    void click(Window& window, std::string_view control);
    void doubleClick(Window& window, std::string_view control);
    // To the control with the focus, or to `control` (focused first when it can be).
    void press(Window& window, Key key);
    void press(Window& window, std::string_view control, Key key);
    void type(Window& window, std::string_view control, std::string_view text);
    // The caret after `characters` characters of the text, a line end counting one.
    void placeCaret(Window& window, std::string_view control, int characters);
    // As an automation tool or a screen reader puts text in, without keystrokes.
    void putText(Window& window, std::string_view control, std::string_view text);
    // The session asks the program to end (a hang-up or a log-off), with
    // `main` closing the normal way; takes effect from the event loop.
    void endSession(Window& main);

    std::vector<MessageBoxSeen> messageBoxes();
    void dismiss(const MessageBoxSeen& box);
    // The always-on-top state of `window`, as the program's z-order service
    // tells it to the report.
    void makeTopmost(RendererErrorReport& report, const Window& window);

    void useProgramIcon();
    void useMissingIcon();
    // False when the renderer takes no picture for its icon.
    bool useIcon(const Image& picture);
    // Milliseconds until the early wake-up before a long timer's tick, -1
    // for none; nothing when the renderer has no part in early wake-ups.
    std::optional<int> msUntilWake(const Timer& timer);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

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
    float twips(int pixels)
    {
        return std::round(static_cast<float>(pixels) * 1440.0f / static_cast<float>(renderer.dpi()));
    }

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
        renderer.later(0, [&, pending] {
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
            if (boxes.empty()) {
                renderer.later(10, poll);
                return;
            }
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

    RendererUnderTest renderer;
    IgnoredErrors errors;
    Window main{mainWindowLayout(), errors, renderer.timers};
    Window about{aboutWindowLayout(), errors, renderer.timers};
    Window output{outputWindowLayout(), errors, renderer.timers};
};

} // namespace davev::test
