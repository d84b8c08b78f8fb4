#include <sstream>

#include "renderer_under_test.h"

namespace davev::test {
namespace {

class RendererClosingTest : public RendererTest {
protected:
    void SetUp() override
    {
        for (Window* window : {&main, &about, &output})
            window->onUnload([this, window] { unloads.push_back(window->name()); });
    }

    using Names = std::vector<std::string>;
    Names unloads;
};

TEST_F(RendererClosingTest, ProgramAndUserCloseBothUnloadOnceAndAWindowShownAgainIsBuiltAfresh)
{
    openMain();
    const Window::Handle first = main.handle();
    main.onUnload([&] {
        unloads.push_back(main.name());
        EXPECT_TRUE(renderer.showing(main.handle())) << "unload runs while the window is still up";
    });
    renderer.display.close(main);
    renderer.display.close(main);
    EXPECT_EQ(unloads, Names{"DA_VEV_MAIN"});
    EXPECT_FALSE(renderer.showing(first));

    main.load();
    main.button("SAVE_BUTTON").setCaption("Save now");
    renderer.display.show(main);
    const Window::Handle second = main.handle();
    ASSERT_NE(second, first);
    EXPECT_EQ(seen(main, "SAVE_BUTTON").text, "Save now");
    renderer.closeByUser(main);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_MAIN"}));
    EXPECT_FALSE(renderer.showing(second));
    EXPECT_FALSE(main.loaded());
}

TEST_F(RendererClosingTest, ShowingAWindowAgainFreesItsEarlierForm)
{
    openMain();
    Window::Handle firstAbout = 0;
    Window::Handle secondAbout = 0;
    whileModal(about, main, [&] { firstAbout = about.handle(); });
    whileModal(about, main, [&] { secondAbout = about.handle(); });
    renderer.settle();
    EXPECT_FALSE(renderer.exists(firstAbout));
    EXPECT_NE(secondAbout, firstAbout);

    // The main window's earlier form goes too, with the dialog it owned.
    const Window::Handle firstMain = main.handle();
    renderer.display.close(main);
    main.load();
    renderer.display.show(main);
    renderer.settle();
    EXPECT_FALSE(renderer.exists(firstMain));
    EXPECT_FALSE(renderer.exists(secondAbout));
    whileModal(about, main, [&] { EXPECT_EQ(seen(about).owner, main.handle()); });
}

TEST_F(RendererClosingTest, DialogClosedByItsButtonLeavesTheOwnerOpen)
{
    openMain();
    EXPECT_THROW(renderer.display.showModal(main, about), PlatformError) << "main is on screen already";
    about.button("OK_BUTTON").onClick([&] { renderer.display.close(about); });
    Window::Handle dialog = 0;
    whileModal(about, main, [&] {
        dialog = about.handle();
        renderer.press(about, Key::Return);
    });
    EXPECT_EQ(unloads, Names{"DA_VEV_ABOUT"});
    EXPECT_FALSE(renderer.showing(dialog));
    EXPECT_TRUE(seen(main).reachable);
    EXPECT_TRUE(renderer.showing(main.handle()));

    // Shown again, and closed by a click that takes the button away under its own handling.
    whileModal(about, main, [&] {
        EXPECT_NE(about.handle(), dialog);
        renderer.click(about, "OK_BUTTON");
        EXPECT_FALSE(about.loaded());
    });
    EXPECT_EQ(unloads, (Names{"DA_VEV_ABOUT", "DA_VEV_ABOUT"}));
    EXPECT_TRUE(seen(main).reachable);
}

TEST_F(RendererClosingTest, LoopEndsOnceNoWindowIsLoadedTakingErrorBoxesAlong)
{
    EXPECT_EQ(runLoop([] {}), 0) << "nothing loaded: returns at once";
    std::ostringstream log;
    RendererErrorReport report(log);
    openMain();
    bool reportReturned = false;
    bool boxSeen = false;
    EXPECT_EQ(runLoop([&] {
                  renderer.later(50, [&] {
                      boxSeen = renderer.messageBoxes().size() == 1;
                      renderer.display.close(main);
                  });
                  report.report(PlatformError(53, "File not found"));
                  reportReturned = true;
              }),
              0);
    EXPECT_TRUE(reportReturned);
    EXPECT_TRUE(boxSeen);
    EXPECT_FALSE(report.boxOpen());
    EXPECT_TRUE(renderer.messageBoxes().empty());
}

// The auto-close timer fires inside the About window's loop, which runs
// inside a button handler of the main window: everything on that stack must
// still exist when it unwinds, and every loop must end.
TEST_F(RendererClosingTest, ClosingMainFromInsideItsModalEndsEveryLoop)
{
    openMain();
    Timer& autoClose = main.timer("AUTOCLOSE_TIMER");
    int ticks = 0;
    autoClose.onTick([&] {
        if (++ticks == 3)
            renderer.display.close(main);
    });
    bool handlerFinished = false;
    main.button("ABOUT_BUTTON").onClick([&] {
        about.load();
        autoClose.setInterval(20);
        autoClose.setEnabled(true);
        renderer.display.showModal(about, main);
        handlerFinished = !about.loaded();
    });
    EXPECT_EQ(runLoop([&] { renderer.click(main, "ABOUT_BUTTON"); }), 0);
    EXPECT_EQ(ticks, 3) << "the timer ticks during the modal";
    EXPECT_TRUE(handlerFinished);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_ABOUT"}));
    EXPECT_FALSE(renderer.showing(about.handle()));
}

TEST_F(RendererClosingTest, UserClosingTheMainWindowAlsoClosesItsDialog)
{
    openMain();
    EXPECT_EQ(runLoop([&] { whileModal(output, main, [&] { renderer.closeByUser(main); }); }), 0);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_OUTPUT_WINDOW"}));
}

// Settings the store could not take at the program's end must not pass for
// a clean end: the user who closed the window reads why before the program
// ends; when the program closes itself (the auto-close, the session's end)
// nobody may be there, so the failure goes to the unattended log and no box
// holds the end up. A dialog's failed unload while the program goes on
// changes nothing.
TEST_F(RendererClosingTest, FailedLastCloseEndsWithStatusOneSeenByTheUserOrLogged)
{
    std::ostringstream log;
    RendererErrorReport report(log);
    std::vector<std::string> logged;
    report.setUnattendedLog([&](std::string_view text) {
        logged.emplace_back(text);
        return LogLoss();
    });
    renderer.display.reportErrorsWith(report);

    Window dialog{aboutWindowLayout(), report, renderer.timers};
    dialog.onUnload([] { throw PlatformError(28, "No space left on device"); });
    openMain();
    bool told = false;
    EXPECT_EQ(runLoop([&] {
                  renderer.later(100, [&] {
                      told = renderer.messageBoxes().size() == 1;
                      for (const MessageBoxSeen& box : renderer.messageBoxes())
                          renderer.dismiss(box);
                      renderer.display.close(main);
                  });
                  whileModal(dialog, main, [] {});
              }),
              0);
    EXPECT_TRUE(told) << "the user is told at once";

    Window failing{mainWindowLayout(), report, renderer.timers};
    failing.onUnload([] { throw PlatformError(21, "Is a directory: cannot write settings file"); });
    failing.load();
    renderer.display.show(failing);
    bool stillRunning = false;
    EXPECT_EQ(runLoop(
                  [&] {
                      renderer.later(100, [&] {
                          const auto boxes = renderer.messageBoxes();
                          stillRunning = boxes.size() == 1 && report.boxOpen();
                          for (const MessageBoxSeen& box : boxes)
                              renderer.dismiss(box);
                      });
                      renderer.closeByUser(failing);
                  },
                  {&failing}),
              1);
    EXPECT_TRUE(stillRunning) << "the program waits for the user to read the error";
    EXPECT_TRUE(logged.empty());

    for (const auto& closeByProgram : std::vector<std::function<void()>>{[&] { renderer.display.close(failing); },
                                                                         [&] { renderer.endSession(failing); }}) {
        failing.load();
        renderer.display.show(failing);
        EXPECT_EQ(runLoop(closeByProgram, {&failing}), 1);
        EXPECT_FALSE(report.boxOpen()) << "no box waits for anyone";
        EXPECT_TRUE(renderer.messageBoxes().empty());
    }
    EXPECT_EQ(logged, std::vector<std::string>(2, "Error 21: Is a directory: cannot write settings file"));
}

TEST_F(RendererClosingTest, EndOfTheSessionClosesMainTheNormalWay)
{
    openMain();
    EXPECT_EQ(runLoop([&] { renderer.endSession(main); }), 0);
    EXPECT_EQ(unloads, Names{"DA_VEV_MAIN"});
    EXPECT_FALSE(main.loaded());
}

TEST_F(RendererClosingTest, EndOfTheSessionDuringAModalEndsEverything)
{
    openMain();
    bool modalReturned = false;
    main.button("OUTPUT_CMD_BUTTON").onClick([&] {
        output.load();
        renderer.later(0, [&] { renderer.endSession(main); });
        renderer.display.showModal(output, main);
        modalReturned = true;
    });
    EXPECT_EQ(runLoop([&] { renderer.click(main, "OUTPUT_CMD_BUTTON"); }), 0);
    EXPECT_TRUE(modalReturned);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_OUTPUT_WINDOW"}));
}

} // namespace
} // namespace davev::test
