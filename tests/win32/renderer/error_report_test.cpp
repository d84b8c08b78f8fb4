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

TEST_F(ErrorReportTest, OneBoxAtATimeInFrontOfTheModalWindowWhileTimersTick)
{
    openMain();
    Timer& timer = main.timer("AlwaysOnTopTimer");
    int ticks = 0;
    timer.onTick([&] { ++ticks; });
    timer.setInterval(15);
    timer.setEnabled(true);
    whileModal(about, main, [&] {
        int ticksWhenOpen = -1;
        later.after(30, [&] {
            const auto boxes = messageBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(GetWindow(boxes[0], GW_OWNER), top(about)) << "owned by the window in front";
            EXPECT_EQ(textOf(boxes[0]), "DA-VEV");
            EXPECT_EQ(boxText(boxes[0]), "Error 53: File not found: a.txt");
            // Returns at once: no second box.
            report.report(PlatformError(75, "second"));
            EXPECT_EQ(messageBoxes().size(), 1u);
            ticksWhenOpen = ticks;
            later.after(100, [&, box = boxes[0]] { SendMessageW(box, WM_COMMAND, IDOK, 0); });
        });
        report.report(PlatformError(53, "File not found: a.txt"));
        EXPECT_FALSE(report.boxOpen());
        EXPECT_GE(ticksWhenOpen, 0);
        EXPECT_GT(ticks, ticksWhenOpen) << "the timer ticked while the box was open";
    });
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

} // namespace
} // namespace davev::test
