#include <QApplication>
#include <QPointer>
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

    using Names = std::vector<std::string>;
    Names unloads;
};

TEST_F(DisplayClosingTest, ProgramAndUserCloseBothUnloadOnceThenHide)
{
    openMain();
    QWidget* first = topOf(main);
    main.onUnload([&] {
        unloads.push_back(main.name());
        EXPECT_TRUE(topOf(main)->isVisible()) << "unload runs while the window is still up";
    });
    display.close(main);
    display.close(main);
    EXPECT_EQ(unloads, Names{"DA_VEV_MAIN"});
    EXPECT_FALSE(first->isVisible());

    // Shown again: built afresh from the model as it is now.
    main.load();
    main.button("SAVE_BUTTON").setCaption("Save now");
    display.show(main);
    QWidget* second = topOf(main);
    ASSERT_NE(second, first);
    EXPECT_EQ(second->findChild<QWidget*>("SAVE_BUTTON")->property("text").toString(), "Save now");
    EXPECT_TRUE(second->close());
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_MAIN"}));
    EXPECT_FALSE(second->isVisible());
    EXPECT_FALSE(main.loaded());
}

TEST_F(DisplayClosingTest, ShowingAWindowAgainFreesItsEarlierForm)
{
    openMain();
    QPointer<QWidget> firstAbout;
    QPointer<QWidget> secondAbout;
    whileModal(about, main, [&] { firstAbout = topOf(about); });
    ASSERT_FALSE(firstAbout.isNull());
    whileModal(about, main, [&] { secondAbout = topOf(about); });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(firstAbout.isNull());
    ASSERT_FALSE(secondAbout.isNull());

    // The main window's earlier form goes too, with the dialog it parented.
    QPointer<QWidget> firstMain = topOf(main);
    display.close(main);
    main.load();
    display.show(main);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(firstMain.isNull());
    EXPECT_TRUE(secondAbout.isNull());
    whileModal(about, main, [&] { EXPECT_EQ(topOf(about)->parentWidget(), topOf(main)); });
}

TEST_F(DisplayClosingTest, DialogClosedByItsButtonLeavesTheOwnerOpen)
{
    openMain();
    EXPECT_THROW(display.showModal(main, about), PlatformError) << "main is on screen already";
    about.button("OK_BUTTON").onClick([&] { display.close(about); });
    whileModal(about, main, [&] { QTest::mouseClick(child(about, "OK_BUTTON"), Qt::LeftButton); });
    EXPECT_EQ(unloads, Names{"DA_VEV_ABOUT"});
    EXPECT_TRUE(topOf(main)->isVisible());
}

TEST_F(DisplayClosingTest, LoopEndsOnceNoWindowIsLoadedTakingErrorBoxesAlong)
{
    EXPECT_EQ(runLoop([] {}), 0) << "nothing loaded: returns at once";
    std::ostringstream log;
    QtErrorReport report(log);
    openMain();
    report.report(PlatformError(53, "File not found"));
    ASSERT_TRUE(report.boxOpen());
    EXPECT_EQ(runLoop([&] { display.close(main); }), 0);
    EXPECT_FALSE(report.boxOpen());
}

// The auto-close timer fires inside the About box's loop, which runs inside
// a button handler of the main window: everything on that stack must still
// exist when it unwinds.
TEST_F(DisplayClosingTest, ClosingMainFromInsideItsModalEndsEveryLoop)
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
        handlerFinished = !about.loaded();
    });
    EXPECT_EQ(runLoop([&] { QTest::mouseClick(child(main, "ABOUT_BUTTON"), Qt::LeftButton); }), 0);
    EXPECT_TRUE(handlerFinished);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_ABOUT"}));
    EXPECT_FALSE(topOf(about)->isVisible());
}

TEST_F(DisplayClosingTest, UserClosingTheMainWindowAlsoClosesItsDialog)
{
    openMain();
    EXPECT_EQ(runLoop([&] { whileModal(output, main, [&] { topOf(main)->close(); }); }), 0);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_OUTPUT_WINDOW"}));
}

// Settings that could not be stored at the end are never lost silently.
TEST_F(DisplayClosingTest, FailedLastCloseEndsNonZeroSeenByTheUserOrLogged)
{
    std::ostringstream log;
    QtErrorReport report(log);
    std::vector<std::string> logged;
    report.setUnattendedLog([&](std::string_view text) {
        logged.emplace_back(text);
        return LogLoss();
    });
    display.reportErrorsWith(report);
    Window failing{mainWindowLayout(), report, timers};
    failing.onUnload([] { throw PlatformError(21, "Is a directory: cannot write settings file"); });

    // A dialog whose close fails while the program goes on changes nothing.
    Window dialog{aboutWindowLayout(), report, timers};
    dialog.onUnload([] { throw PlatformError(28, "No space left on device"); });
    main.load();
    display.show(main);
    whileModal(dialog, main, [] {});
    ASSERT_TRUE(report.boxOpen()) << "the user is told at once";
    QApplication::activeModalWidget()->close();
    EXPECT_EQ(runLoop([&] { display.close(main); }), 0);

    failing.load();
    display.show(failing);
    bool stillRunning = false;
    EXPECT_EQ(runLoop([&] {
                  topOf(failing)->close();
                  QTimer::singleShot(100, [&] {
                      stillRunning = report.boxOpen();
                      QApplication::activeModalWidget()->close();
                  });
              }),
              1);
    EXPECT_TRUE(stillRunning) << "the program waits for the user to read the error";
    EXPECT_TRUE(logged.empty());

    failing.load();
    display.show(failing);
    EXPECT_EQ(runLoop([&] { display.close(failing); }), 1);
    EXPECT_FALSE(report.boxOpen()) << "closed by the program: no box waits for anyone";
    EXPECT_EQ(logged, std::vector<std::string>{"Error 21: Is a directory: cannot write settings file"});
}

TEST_F(DisplayClosingTest, TerminationSignalsCloseMainTheNormalWay)
{
    openMain();
    display.closeOnSignal(openTerminationSignalPipe(), main);
    EXPECT_EQ(runLoop([] { std::raise(SIGTERM); }), 0);
    EXPECT_EQ(unloads, Names{"DA_VEV_MAIN"});
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
    EXPECT_EQ(runLoop([&] { QTest::mouseClick(child(main, "OUTPUT_CMD_BUTTON"), Qt::LeftButton); }), 0);
    EXPECT_TRUE(modalReturned);
    EXPECT_EQ(unloads, (Names{"DA_VEV_MAIN", "DA_VEV_OUTPUT_WINDOW"}));
}

} // namespace
} // namespace davev::test
