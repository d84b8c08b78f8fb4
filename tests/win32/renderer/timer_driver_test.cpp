#include <memory>

#include "platform/layout_builders.h"
#include "renderer_fixture.h"

namespace davev::test {
namespace {

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
    static void start(Timer& timer, int interval)
    {
        timer.setInterval(interval);
        timer.setEnabled(true);
    }

    IgnoredErrors errors;
    Win32TimerDriver driver;
    std::unique_ptr<Window> window = std::make_unique<Window>(twoTimers(), errors, driver);
    int ticksA = 0;
    int ticksB = 0;
};

TEST_F(TimerDriverTest, RunsOnlyWhenEnabledWithAPositiveIntervalAndANewIntervalAtOnce)
{
    a().setInterval(10);
    EXPECT_FALSE(driver.running(a()));
    a().setEnabled(true);
    EXPECT_TRUE(driver.running(a()));
    a().setInterval(0);
    EXPECT_FALSE(driver.running(a()));

    start(a(), 600000);
    a().setInterval(15);
    EXPECT_TRUE(waitFor([this] { return ticksA >= 3; }));
    window->unload();
    EXPECT_FALSE(driver.running(a()));
}

TEST_F(TimerDriverTest, StoppedByItsOwnHandlerOrDestroyedItNeverFiresAgain)
{
    a().onTick([this] {
        if (++ticksA == 3)
            a().setEnabled(false);
    });
    start(a(), 10);
    start(b(), 10);
    // B goes on ticking long after A should have stopped at its third tick.
    ASSERT_TRUE(waitFor([this] { return ticksB >= 10; }));
    EXPECT_EQ(ticksA, 3);

    window.reset();
    // Long enough for a stale timer to fire into the freed Timer.
    Window other(twoTimers(), errors, driver);
    other.load();
    int ticks = 0;
    other.timer("B").onTick([&ticks] { ++ticks; });
    start(other.timer("B"), 10);
    EXPECT_TRUE(waitFor([&ticks] { return ticks >= 5; }));
}

} // namespace
} // namespace davev::test
