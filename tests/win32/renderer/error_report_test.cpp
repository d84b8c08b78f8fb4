#include <algorithm>
#include <sstream>
#include <vector>

#include "platform/win32/win32_error_report.h"
#include "renderer_fixture.h"

namespace davev::test {
namespace {

std::vector<HWND> messageBoxes()
{
    std::vector<HWND> boxes;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM found) {
            wchar_t cls[16] = {};
            if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 16) > 0 && std::wstring_view(cls) == L"#32770")
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

std::string boxText(HWND box)
{
    std::string found;
    for (HWND item = GetWindow(box, GW_CHILD); item != nullptr; item = GetWindow(item, GW_HWNDNEXT)) {
        wchar_t text[256] = {};
        GetWindowTextW(item, text, 256);
        if (std::wstring_view(text).starts_with(L"Error"))
            found = narrow(text);
    }
    return found;
}

class ErrorReportTest : public RendererTest {
protected:
    std::ostringstream log;
    Win32ErrorReport report{log};
};

// A failure reported from a timer's handler, as a refused launch is from the
// launch tick: the handler runs to its end before the box opens, so the
// timer never fires again inside it, and it keeps ticking under the box.
TEST_F(ErrorReportTest, OneBoxAtATimeInFrontOfTheModalWindowOpenedAfterTheHandler)
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
            EXPECT_TRUE(messageBoxes().empty()) << "no box while the handler runs";
        }
        --depth;
    });
    timer.setInterval(15);
    timer.setEnabled(true);
    whileModal(about, main, [&] {
        int ticksWhenOpen = -1;
        bool dismissed = false;
        later.after(100, [&] {
            const auto boxes = messageBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(GetWindow(boxes[0], GW_OWNER), top(about)) << "owned by the window in front";
            EXPECT_EQ(textOf(boxes[0]), "DA-VEV");
            EXPECT_EQ(boxText(boxes[0]), "Error 53: File not found: a.txt");
            EXPECT_TRUE(report.boxOpen());
            ticksWhenOpen = ticks;
            later.after(100, [&, box = boxes[0]] {
                SendMessageW(box, WM_COMMAND, IDOK, 0);
                dismissed = true;
            });
        });
        EXPECT_TRUE(waitFor([&] { return dismissed && !report.busy(); }));
        EXPECT_GE(ticksWhenOpen, 1);
        EXPECT_GT(ticks, ticksWhenOpen) << "the timer ticked while the box was open";
    });
    timer.setEnabled(false);
    EXPECT_EQ(deepest, 1) << "a tick ran inside another";
    report.note("a remark");
    for (const char* line : {"Error 53: File not found: a.txt\n", "Error 75: second\n", "a remark\n"})
        EXPECT_NE(log.str().find(line), std::string::npos) << line;
}

TEST_F(ErrorReportTest, LoopEndsOnceNoWindowIsLoadedTakingTheBoxAlong)
{
    openMain();
    bool reportReturned = false;
    later.after(0, [&] {
        later.after(50, [&] { display.close(main); });
        report.report(PlatformError(53, "File not found"));
        reportReturned = true;
    });
    bool timedOut = false;
    later.after(Generous, [&] {
        timedOut = true;
        display.close(main);
    });
    EXPECT_EQ(display.runEventLoop(), 0);
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(reportReturned);
    EXPECT_FALSE(report.boxOpen());
    EXPECT_TRUE(messageBoxes().empty());
}

// Settings the store could not take at the program's end: the user who
// closed the window reads why before the program ends; when the program
// closes itself (the auto-close, logging off) nobody may be there, so the
// failure goes to the unattended log and no box holds the end up.
TEST_F(ErrorReportTest, FailedLastCloseEndsWithStatusOneSeenByTheUserOrLogged)
{
    std::vector<std::string> logged;
    report.setUnattendedLog([&](std::string_view text) {
        logged.emplace_back(text);
        return LogLoss();
    });
    display.reportErrorsWith(report);
    Window failing{mainWindowLayout(), report, timers};
    failing.onUnload([] { throw PlatformError(21, "Access is denied. (saving settings)"); });
    bool timedOut = false;
    const auto runLoop = [&](const std::function<void()>& scenario) {
        later.after(0, scenario);
        later.after(Generous, [&] {
            timedOut = true;
            for (HWND box : messageBoxes())
                EndDialog(box, IDOK);
        });
        const int code = display.runEventLoop();
        EXPECT_FALSE(timedOut) << "the loop did not end by itself";
        return code;
    };

    failing.load();
    display.show(failing);
    bool stillRunning = false;
    EXPECT_EQ(runLoop([&] {
                  later.after(100, [&] {
                      const auto boxes = messageBoxes();
                      stillRunning = boxes.size() == 1 && report.boxOpen();
                      for (HWND box : boxes)
                          SendMessageW(box, WM_COMMAND, IDOK, 0);
                  });
                  post(top(failing), WM_CLOSE);
              }),
              1);
    EXPECT_TRUE(stillRunning) << "the program waits for the user to read the error";
    EXPECT_TRUE(logged.empty());

    for (const auto& closeByProgram : std::vector<std::function<void()>>{
             [&] { display.close(failing); }, [&] { SendMessageW(top(failing), WM_ENDSESSION, TRUE, 0); }}) {
        failing.load();
        display.show(failing);
        EXPECT_EQ(runLoop(closeByProgram), 1);
        EXPECT_FALSE(report.busy()) << "no box waits for anyone";
    }
    EXPECT_EQ(logged, std::vector<std::string>(2, "Error 21: Access is denied. (saving settings)"));
}

} // namespace
} // namespace davev::test
