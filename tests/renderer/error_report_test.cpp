#include <algorithm>
#include <sstream>

#include "renderer_under_test.h"

namespace davev::test {
namespace {

class ErrorReportTest : public RendererTest {
protected:
    std::ostringstream log;
    RendererErrorReport report{log};
};

TEST_F(ErrorReportTest, OneBoxAtATimeAndEveryReportLogged)
{
    openMain();
    // Each call returning at all means it did not wait for the user.
    report.report(PlatformError(53, "File not found: a.txt"));
    report.report(PlatformError(75, "second"));
    report.note("a remark");
    withTheBox([&](const MessageBoxSeen& box) {
        EXPECT_EQ(box.title, "DA-VEV");
        EXPECT_EQ(box.text, "Error 53: File not found: a.txt");
        EXPECT_TRUE(box.errorIcon);
        EXPECT_TRUE(report.boxOpen());
        EXPECT_FALSE(seen(main).reachable) << "the box is modal";
    });
    EXPECT_TRUE(renderer.waitFor([this] { return !report.boxOpen(); }));
    EXPECT_TRUE(seen(main).reachable);
    for (const char* line : {"Error 53: File not found: a.txt\n", "Error 75: second\n", "a remark\n"})
        EXPECT_NE(log.str().find(line), std::string::npos) << line;

    // Once the user has dismissed it, the next failure gets a box again.
    report.report(PlatformError(5, "third"));
    withTheBox([&](const MessageBoxSeen& box) { EXPECT_EQ(box.text, "Error 5: third"); });
}

TEST_F(ErrorReportTest, BoxBelongsToTheWindowInFront)
{
    openMain();
    report.report(PlatformError(5, "Access denied"));
    withTheBox([&](const MessageBoxSeen& box) {
        EXPECT_EQ(box.owner, main.handle()) << "owned by the window it reports for";
    });
    whileModal(about, main, [&] {
        report.report(PlatformError(5, "Access denied"));
        withTheBox([&](const MessageBoxSeen& box) {
            EXPECT_EQ(box.owner, about.handle()) << "owned by the modal window in front";
        });
    });
}

TEST_F(ErrorReportTest, BoxStaysAboveATopmostWindow)
{
    openMain();
    for (const bool aboveAll : {false, true}) {
        if (aboveAll)
            renderer.makeTopmost(report, main);
        report.report(PlatformError(5, "Access denied"));
        withTheBox([&](const MessageBoxSeen& box) { EXPECT_EQ(box.aboveOthers, aboveAll); });
    }
}

// Nobody to dismiss a box: the report goes to the unattended log.
TEST_F(ErrorReportTest, UnattendedReportsGoToTheLogInsteadOfABox)
{
    openMain();
    std::vector<std::string> unattended;
    report.setUnattendedLog([&](std::string_view text) {
        unattended.emplace_back(text);
        return LogLoss();
    });
    report.setUnattended(true);
    report.report(PlatformError(28, "No space left on device"));
    renderer.settle();
    EXPECT_TRUE(renderer.messageBoxes().empty());
    EXPECT_FALSE(report.boxOpen());
    EXPECT_EQ(unattended, std::vector<std::string>{"Error 28: No space left on device"});
    EXPECT_NE(log.str().find("Error 28"), std::string::npos);
}

// A failure reported from a timer's handler, as a refused launch is from the
// launch tick: the handler runs to its end without waiting for the user, the
// timer never fires inside it, and it keeps ticking under the box.
TEST_F(ErrorReportTest, TimerReportingAFailureKeepsTickingUnderTheBox)
{
    openMain();
    Timer& timer = main.timer("BAT_TIMER");
    int ticks = 0;
    int depth = 0;
    int deepest = 0;
    timer.onTick([&] {
        deepest = std::max(deepest, ++depth);
        if (++ticks == 1) {
            report.report(PlatformError(53, "File not found: a.txt"));
            report.report(PlatformError(75, "second"));
            EXPECT_EQ(renderer.messageBoxes().empty(), renderer.boxesWaitForTheLoop());
        }
        --depth;
    });
    timer.setInterval(15);
    timer.setEnabled(true);
    whileModal(about, main, [&] {
        withTheBox([&](const MessageBoxSeen& box) {
            EXPECT_EQ(box.owner, about.handle()) << "owned by the window in front";
            EXPECT_EQ(box.text, "Error 53: File not found: a.txt");
            const int ticksWhenOpen = ticks;
            EXPECT_GE(ticksWhenOpen, 1);
            EXPECT_TRUE(renderer.waitFor([&] { return ticks > ticksWhenOpen + 2; })) << "ticking under the box";
        });
    });
    timer.setEnabled(false);
    EXPECT_EQ(deepest, 1) << "a tick ran inside another";
}

} // namespace
} // namespace davev::test
