#include <QDialog>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include "platform/controls.h"
#include "platform/layout_builders.h"
#include "platform/qt/qt_timer_driver.h"

namespace davev {
namespace {

class NullErrors : public ErrorReport {
public:
    void report(const PlatformError&) override {}
    void note(std::string_view) override {}
};

WindowSpec timersWindow()
{
    WindowSpec spec;
    spec.name = "TIMERS";
    spec.controls = {layout::timer("A", 0, 0), layout::timer("B", 0, 0)};
    return spec;
}

constexpr int Generous = 5000;

class TimerDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<Window>(timersWindow(), errors, driver);
        window->load();
        window->timer("A").onTick([this] { ++ticksA; });
        window->timer("B").onTick([this] { ++ticksB; });
    }

    Timer& a() { return window->timer("A"); }
    Timer& b() { return window->timer("B"); }

    NullErrors errors;
    QtTimerDriver driver;
    std::unique_ptr<Window> window;
    int ticksA = 0;
    int ticksB = 0;
};

TEST_F(TimerDriverTest, RunsOnlyWhenEnabledWithAPositiveInterval)
{
    a().setInterval(10);
    EXPECT_FALSE(driver.running(a()));
    a().setEnabled(true);
    EXPECT_TRUE(driver.running(a()));
    a().setInterval(0);
    EXPECT_FALSE(driver.running(a()));
    a().setInterval(20);
    EXPECT_TRUE(driver.running(a()));
    a().setEnabled(false);
    EXPECT_FALSE(driver.running(a()));
}

TEST_F(TimerDriverTest, TicksRepeatedlyWhileRunning)
{
    a().setInterval(5);
    a().setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([this] { return ticksA >= 3; }, Generous));
}

TEST_F(TimerDriverTest, StoppedTimerStaysQuietWhileAnotherTicks)
{
    a().setInterval(5);
    a().setEnabled(true);
    a().setEnabled(false);
    b().setInterval(5);
    b().setEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ticksB >= 5; }, Generous));
    EXPECT_EQ(ticksA, 0);
}

TEST_F(TimerDriverTest, HandlerMayStopItsOwnTimer)
{
    a().onTick([this] {
        ++ticksA;
        a().setEnabled(false);
    });
    a().setInterval(5);
    a().setEnabled(true);
    b().setInterval(5);
    b().setEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ticksB >= 5; }, Generous));
    EXPECT_EQ(ticksA, 1);
}

TEST_F(TimerDriverTest, UnloadingTheWindowStopsItsTimers)
{
    a().setInterval(5);
    a().setEnabled(true);
    window->unload();
    EXPECT_FALSE(driver.running(a()));
}

TEST_F(TimerDriverTest, DestroyedTimerNeverFiresAgain)
{
    a().setInterval(1);
    a().setEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ticksA >= 1; }, Generous));
    window.reset();

    Window other(timersWindow(), errors, driver);
    other.load();
    int ticks = 0;
    other.timer("B").onTick([&ticks] { ++ticks; });
    other.timer("B").setInterval(1);
    other.timer("B").setEnabled(true);
    // Long enough for a stale QTimer to have fired into the freed Timer.
    EXPECT_TRUE(QTest::qWaitFor([&ticks] { return ticks >= 5; }, Generous));
}

TEST_F(TimerDriverTest, TicksWhileAModalDialogRunsItsOwnLoop)
{
    QDialog dialog;
    a().onTick([&] {
        if (++ticksA == 3)
            dialog.reject();
    });
    a().setInterval(5);
    a().setEnabled(true);
    // A safety net, so a broken driver fails the test instead of hanging it.
    QTimer::singleShot(Generous, &dialog, &QDialog::accept);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_GE(ticksA, 3);
}

} // namespace
} // namespace davev
