#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "platform/controls.h"
#include "platform/layout_builders.h"
#include "platform/qt/qt_timer_driver.h"

namespace davev {
namespace {

constexpr int Generous = 5000;

class NullErrors : public ErrorReport {
public:
    void report(const PlatformError&) override {}
    void note(std::string_view) override {}
};

class TimerDriverTest : public testing::Test {
protected:
    static WindowSpec twoTimers()
    {
        WindowSpec design;
        design.name = "TIMERS";
        design.controls = {layout::timer("A", 0, 0), layout::timer("B", 0, 0)};
        return design;
    }

    void SetUp() override
    {
        window->load();
        a().onTick([this] { ++ticksA; });
        b().onTick([this] { ++ticksB; });
    }

    Timer& a() { return window->timer("A"); }
    Timer& b() { return window->timer("B"); }
    void start(Timer& timer, int interval)
    {
        timer.setInterval(interval);
        timer.setEnabled(true);
    }

    NullErrors errors;
    QtTimerDriver driver;
    std::unique_ptr<Window> window = std::make_unique<Window>(twoTimers(), errors, driver);
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
    window->unload();
    EXPECT_FALSE(driver.running(a()));
}

TEST_F(TimerDriverTest, TicksUntilStoppedAlsoByItsOwnHandler)
{
    a().onTick([this] {
        if (++ticksA == 3)
            a().setEnabled(false);
    });
    start(a(), 5);
    start(b(), 5);
    // B goes on ticking long after A should have stopped at its third tick.
    ASSERT_TRUE(QTest::qWaitFor([this] { return ticksB >= 10; }, Generous));
    EXPECT_EQ(ticksA, 3);
}

TEST_F(TimerDriverTest, NewIntervalTakesEffectAtOnce)
{
    start(a(), 600000);
    a().setInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([this] { return ticksA >= 3; }, Generous));
}

TEST_F(TimerDriverTest, LongWaitsWakeShortlyBeforeEachTick)
{
    start(a(), 60000);
    EXPECT_GT(driver.msUntilWake(a()), 58000);
    EXPECT_LE(driver.msUntilWake(a()), 59000);
    start(b(), 500);
    EXPECT_EQ(driver.msUntilWake(b()), -1) << "a short wait needs no early wake-up";

    a().setEnabled(false);
    EXPECT_EQ(driver.msUntilWake(a()), -1);

    // A timer that stays enabled gets a fresh wake-up for its next interval.
    start(a(), 2000);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ticksA >= 1; }, Generous));
    EXPECT_GT(driver.msUntilWake(a()), 0);
    EXPECT_LE(driver.msUntilWake(a()), 1000);
}

TEST_F(TimerDriverTest, DestroyedTimerNeverFiresAgain)
{
    start(a(), 1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ticksA >= 1; }, Generous));
    window.reset();

    // Long enough for a stale QTimer to fire into the freed Timer.
    Window other(twoTimers(), errors, driver);
    other.load();
    int ticks = 0;
    other.timer("B").onTick([&ticks] { ++ticks; });
    start(other.timer("B"), 1);
    EXPECT_TRUE(QTest::qWaitFor([&ticks] { return ticks >= 5; }, Generous));
}

} // namespace
} // namespace davev
