#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <sstream>

#include "display_fixture.h"
#include "platform/posix/signal_pipe.h"
#include "platform/qt/qt_error_report.h"

namespace davev::test {
namespace {

class DisplayClosingTest : public DisplayTest {
protected:
    void SetUp() override
    {
        for (Window* window : {&main, &about, &output})
            window->onUnload([this, window] { unloads.push_back(window->name()); });
    }

    // Runs the application loop with `scenario` as its first event; a loop
    // still running after a generous bound ends with 99 and fails the test.
    int runLoop(const std::function<void()>& scenario)
    {
        QObject scope;
        QTimer::singleShot(0, &scope, scenario);
        QTimer::singleShot(Generous, &scope, [] { QCoreApplication::exit(99); });
        return display.runEventLoop();
    }

    std::vector<std::string> unloads;
};

TEST_F(DisplayClosingTest, ProgramCloseUnloadsThenHides)
{
    openMain();
    QWidget* top = topOf(main);
    main.onUnload([&] {
        unloads.push_back(main.name());
        EXPECT_TRUE(top->isVisible()) << "unload runs while the window is still up";
    });
    display.close(main);
    EXPECT_EQ(unloads, std::vector<std::string>{"DA_VEV_MAIN"});
    EXPECT_FALSE(main.loaded());
    EXPECT_FALSE(top->isVisible());
    display.close(main);
    EXPECT_EQ(unloads.size(), 1u) << "a closed window does not unload twice";
}

TEST_F(DisplayClosingTest, UserCloseTakesTheSamePath)
{
    openMain();
    QWidget* top = topOf(main);
    EXPECT_TRUE(top->close());
    EXPECT_EQ(unloads, std::vector<std::string>{"DA_VEV_MAIN"});
    EXPECT_FALSE(main.loaded());
    EXPECT_FALSE(top->isVisible());
}

TEST_F(DisplayClosingTest, DialogClosedByItsButtonLeavesTheOwnerOpen)
{
    openMain();
    about.button("OK_BUTTON").onClick([&] { display.close(about); });
    whileModal(about, main, [&] { QTest::mouseClick(child(about, "OK_BUTTON"), Qt::LeftButton); });
    EXPECT_EQ(unloads, std::vector<std::string>{"DA_VEV_ABOUT"});
    EXPECT_TRUE(main.loaded());
    EXPECT_TRUE(topOf(main)->isVisible());
}

TEST_F(DisplayClosingTest, ShowingAWindowThatIsUpModallyFails)
{
    openMain();
    try {
        display.showModal(main, about);
        FAIL() << "showModal of a window on screen returned";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), 400);
    }
    display.show(main);
    EXPECT_TRUE(topOf(main)->isVisible());
}

TEST_F(DisplayClosingTest, RunEventLoopReturnsAtOnceWhenNoWindowIsLoaded)
{
    EXPECT_EQ(runLoop([] {}), 0);
    openMain();
    display.close(main);
    EXPECT_EQ(runLoop([] {}), 0);
}

TEST_F(DisplayClosingTest, ClosingTheLastWindowEndsTheLoop)
{
    openMain();
    EXPECT_EQ(runLoop([&] { display.close(main); }), 0);
    EXPECT_FALSE(main.loaded());
}

// The auto-close timer fires inside the About box's loop, which runs inside
// a button handler of the main window: everything on that stack must still
// exist when it unwinds.
TEST_F(DisplayClosingTest, ClosingMainFromInsideAModalClosesItAndEndsEveryLoop)
{
    openMain();
    Timer& autoClose = main.timer("AUTOCLOSE_TIMER");
    autoClose.onTick([&] { display.close(main); });
    bool handlerFinished = false;
    main.button("ABOUT_BUTTON").onClick([&] {
        about.load();
        autoClose.setInterval(20);
        autoClose.setEnabled(true);
        display.showModal(about, main);
        EXPECT_FALSE(about.loaded());
        EXPECT_FALSE(main.button("ABOUT_BUTTON").spec().name.empty());
        handlerFinished = true;
    });
    const int code = runLoop([&] { QTest::mouseClick(child(main, "ABOUT_BUTTON"), Qt::LeftButton); });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(handlerFinished);
    EXPECT_EQ(unloads, (std::vector<std::string>{"DA_VEV_MAIN", "DA_VEV_ABOUT"}));
    EXPECT_FALSE(topOf(main)->isVisible());
    EXPECT_FALSE(topOf(about)->isVisible());
}

TEST_F(DisplayClosingTest, UserClosingTheMainWindowAlsoClosesItsDialog)
{
    openMain();
    const int code = runLoop([&] { whileModal(output, main, [&] { topOf(main)->close(); }); });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(unloads, (std::vector<std::string>{"DA_VEV_MAIN", "DA_VEV_OUTPUT_WINDOW"}));
}

TEST_F(DisplayClosingTest, ErrorBoxesGoWithTheLastWindow)
{
    std::ostringstream log;
    QtErrorReport report(log);
    openMain();
    report.report(PlatformError(53, "File not found"));
    ASSERT_TRUE(report.boxOpen());
    EXPECT_EQ(runLoop([&] { display.close(main); }), 0);
    EXPECT_FALSE(report.boxOpen());
}

TEST_F(DisplayClosingTest, TerminationSignalClosesMainTheNormalWay)
{
    openMain();
    display.closeOnSignal(openTerminationSignalPipe(), main);
    EXPECT_EQ(runLoop([] { std::raise(SIGTERM); }), 0);
    EXPECT_EQ(unloads, std::vector<std::string>{"DA_VEV_MAIN"});
}

TEST_F(DisplayClosingTest, TerminationSignalDuringAModalEndsEverything)
{
    openMain();
    display.closeOnSignal(openTerminationSignalPipe(), main);
    bool modalReturned = false;
    main.button("OUTPUT_CMD_BUTTON").onClick([&] {
        output.load();
        QTimer::singleShot(0, [] { std::raise(SIGHUP); });
        display.showModal(output, main);
        modalReturned = true;
    });
    const int code = runLoop([&] { QTest::mouseClick(child(main, "OUTPUT_CMD_BUTTON"), Qt::LeftButton); });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(modalReturned);
    EXPECT_EQ(unloads, (std::vector<std::string>{"DA_VEV_MAIN", "DA_VEV_OUTPUT_WINDOW"}));
}

} // namespace
} // namespace davev::test
