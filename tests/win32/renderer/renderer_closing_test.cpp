#include <vector>

#include "renderer_fixture.h"

namespace davev::test {
namespace {

class RendererClosingTest : public RendererTest {
protected:
    void SetUp() override
    {
        for (Window* window : {&main, &about, &output})
            window->onUnload([this, window] { unloads.push_back(window->name()); });
    }

    // Runs the display's loop with `scenario` as its first event; a loop
    // still running after a generous bound closes the main window and fails.
    int runLoop(const std::function<void()>& scenario)
    {
        bool timedOut = false;
        later.after(0, scenario);
        later.after(Generous, [&] {
            timedOut = true;
            display.close(main);
        });
        const int code = display.runEventLoop();
        EXPECT_FALSE(timedOut) << "the loop did not end by itself";
        return code;
    }

    using Names = std::vector<std::string>;
    Names unloads;
};

TEST_F(RendererClosingTest, ModalWindowDisablesItsOwnerUntilOkClosesIt)
{
    openMain();
    EXPECT_THROW(display.showModal(main, about), PlatformError) << "main is on screen already";
    // The origin, where a dialog would rather be centred over its owner.
    about.setLeft(0);
    about.setTop(0);
    about.button("OK_BUTTON").onClick([&] { display.close(about); });
    HWND dialog = nullptr;
    whileModal(about, main, [&] {
        dialog = top(about);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), top(main));
        EXPECT_FALSE(IsWindowEnabled(top(main)));
        EXPECT_EQ(GetWindowLongW(dialog, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_SYSMENU), WS_SYSMENU);
        RECT frame{};
        GetWindowRect(dialog, &frame);
        EXPECT_EQ(frame.left, 0);
        EXPECT_EQ(frame.top, 0);
        ASSERT_EQ(focused(about), "OK_BUTTON");
        // Activating the disabled owner (as the always-on-top tick's z-order
        // change does) hands the activation back to the modal window.
        SetActiveWindow(top(main));
        handlePendingMessages();
        EXPECT_EQ(GetActiveWindow(), dialog);
        ASSERT_EQ(focused(about), "OK_BUTTON");
        press(VK_RETURN);
    });
    EXPECT_EQ(unloads, Names{"DA_VEV_ABOUT"});
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(top(main)));
    EXPECT_TRUE(IsWindowVisible(top(main)));

    // Shown again, and closed by a click that destroys the button under its own handling.
    whileModal(about, main, [&] {
        EXPECT_NE(top(about), dialog);
        SendMessageW(child(about, "OK_BUTTON"), BM_CLICK, 0, 0);
        EXPECT_FALSE(about.loaded());
    });
    EXPECT_EQ(unloads, (Names{"DA_VEV_ABOUT", "DA_VEV_ABOUT"}));
    EXPECT_TRUE(IsWindowEnabled(top(main)));
}

TEST_F(RendererClosingTest, LockedDialogTextIsReadOnlyAndEscapeClosesTheDialogLikeItsCloseBox)
{
    openMain();
    whileModal(output, main, [&] {
        const HWND edit = child(output, "FULL_COMMAND_TEXTBOX");
        EXPECT_EQ(GetWindowLongW(edit, GWL_STYLE) & (ES_READONLY | ES_MULTILINE | WS_VSCROLL),
                  ES_READONLY | ES_MULTILINE | WS_VSCROLL);
        SetFocus(edit);
        type(edit, L"x\r");
        press(VK_RETURN);
        EXPECT_EQ(output.textBox("FULL_COMMAND_TEXTBOX").text(), "FULL_COMMAND_TEXTBOX");
        EXPECT_EQ(textOf(edit), "FULL_COMMAND_TEXTBOX");
        EXPECT_TRUE(output.loaded()) << "Enter in the command box does not close the dialog";

        press(VK_ESCAPE);
        EXPECT_EQ(unloads, Names{"DA_VEV_OUTPUT_WINDOW"}) << "closed through its unload, as by the close box";
        EXPECT_FALSE(output.loaded());
    });
    // The main window has nothing to cancel.
    SetFocus(child(main, "SAVE_BUTTON"));
    press(VK_ESCAPE);
    EXPECT_TRUE(main.loaded());
}

TEST_F(RendererClosingTest, CloseUnloadsOnceAndAWindowShownAgainIsBuiltAfresh)
{
    openMain();
    const HWND first = top(main);
    main.onUnload([&] {
        unloads.push_back(main.name());
        EXPECT_TRUE(IsWindowVisible(top(main))) << "unload runs while the window is still up";
    });
    display.close(main);
    display.close(main);
    EXPECT_EQ(unloads, Names{"DA_VEV_MAIN"});
    EXPECT_FALSE(IsWindow(first));

    main.load();
    main.button("SAVE_BUTTON").setCaption("Save now");
    display.show(main);
    const HWND second = top(main);
    ASSERT_NE(second, first);
    EXPECT_EQ(textOf(child(main, "SAVE_BUTTON")), "Save now");
    // The title bar's close button.
    post(second, WM_CLOSE);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_MAIN"}));
    EXPECT_FALSE(IsWindow(second));
    EXPECT_FALSE(main.loaded());

    // Logging off closes it the same way.
    main.load();
    display.show(main);
    SendMessageW(top(main), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(unloads.size(), 3u);
    EXPECT_FALSE(main.loaded());
}

// The auto-close timer fires inside the About window's loop, which runs
// inside a button handler of the main window: everything on that stack must
// still exist when it unwinds, and every loop must end.
TEST_F(RendererClosingTest, TimersTickDuringAModalAndClosingTheOwnerEndsEveryLoop)
{
    EXPECT_EQ(display.runEventLoop(), 0) << "nothing loaded: returns at once";
    openMain();
    Timer& autoClose = main.timer("AUTOCLOSE_TIMER");
    int ticks = 0;
    autoClose.onTick([&] {
        if (++ticks == 3)
            display.close(main);
    });
    bool handlerFinished = false;
    main.button("ABOUT_BUTTON").onClick([&] {
        about.load();
        autoClose.setInterval(20);
        autoClose.setEnabled(true);
        display.showModal(about, main);
        handlerFinished = !about.loaded();
    });
    EXPECT_EQ(runLoop([&] { SendMessageW(child(main, "ABOUT_BUTTON"), BM_CLICK, 0, 0); }), 0);
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(handlerFinished);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_ABOUT"}));
    EXPECT_FALSE(IsWindow(top(about)));
}

// Settings the store could not take at the program's end must not pass for a
// clean end; a dialog's failed unload while the program goes on changes nothing.
TEST_F(RendererClosingTest, AFailedUnloadOfTheLastWindowEndsTheProgramWithStatusOne)
{
    openMain();
    about.onUnload([] { throw PlatformError(28, "No space left on device"); });
    main.button("ABOUT_BUTTON").onClick([&] {
        about.load();
        later.after(0, [&] { display.close(about); });
        display.showModal(about, main);
    });
    EXPECT_EQ(runLoop([&] {
                  SendMessageW(child(main, "ABOUT_BUTTON"), BM_CLICK, 0, 0);
                  display.close(main);
              }),
              0);

    openMain();
    main.onUnload([] { throw PlatformError(21, "Is a directory: cannot write settings file"); });
    EXPECT_EQ(runLoop([&] { post(top(main), WM_CLOSE); }), 1);
    EXPECT_FALSE(main.loaded());
}

} // namespace
} // namespace davev::test
