#include <memory>

#include "platform/layout_builders.h"
#include "renderer_under_test.h"

namespace davev::test {
namespace {

class TimerDriverTest : public RendererTest {
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
    bool running(const Timer& timer) { return renderer.timers.running(timer); }

    std::unique_ptr<Window> window = std::make_unique<Window>(twoTimers(), errors, renderer.timers);
    int ticksA = 0;
    int ticksB = 0;
};

TEST_F(TimerDriverTest, RunsOnlyWhenEnabledWithAPositiveInterval)
{
    a().setInterval(10);
    EXPECT_FALSE(running(a()));
    a().setEnabled(true);
    EXPECT_TRUE(running(a()));
    a().setInterval(0);
    EXPECT_FALSE(running(a()));
    a().setInterval(20);
    EXPECT_TRUE(running(a()));
    window->unload();
    EXPECT_FALSE(running(a()));
}

TEST_F(TimerDriverTest, TicksUntilStoppedAlsoByItsOwnHandler)
{
    a().onTick([this] {
        if (++ticksA == 3)
            a().setEnabled(false);
    });
    start(a(), 10);
    start(b(), 10);
    // B goes on ticking long after A should have stopped at its third tick.
    ASSERT_TRUE(renderer.waitFor([this] { return ticksB >= 10; }));
    EXPECT_EQ(ticksA, 3);
}

TEST_F(TimerDriverTest, NewIntervalTakesEffectAtOnce)
{
    start(a(), 600000);
    a().setInterval(15);
    EXPECT_TRUE(renderer.waitFor([this] { return ticksA >= 3; }));
}

TEST_F(TimerDriverTest, LongWaitsWakeShortlyBeforeEachTick)
{
    SKIP_WITHOUT_A_PART_IN(Part::EarlyWakeUps);
    start(a(), 60000);
    EXPECT_GT(*renderer.msUntilWake(a()), 58000);
    EXPECT_LE(*renderer.msUntilWake(a()), 59000);
    start(b(), 500);
    EXPECT_EQ(renderer.msUntilWake(b()), -1) << "a short wait needs no early wake-up";

    a().setEnabled(false);
    EXPECT_EQ(renderer.msUntilWake(a()), -1);

    // A timer that stays enabled gets a fresh wake-up for its next interval.
    start(a(), 2000);
    ASSERT_TRUE(renderer.waitFor([this] { return ticksA >= 1; }));
    EXPECT_GT(renderer.msUntilWake(a()), 0);
    EXPECT_LE(renderer.msUntilWake(a()), 1000);
}

TEST_F(TimerDriverTest, DestroyedTimerNeverFiresAgain)
{
    start(a(), 10);
    ASSERT_TRUE(renderer.waitFor([this] { return ticksA >= 1; }));
    window.reset();

    // Long enough for a stale timer to fire into the freed Timer.
    Window other(twoTimers(), errors, renderer.timers);
    other.load();
    int ticks = 0;
    other.timer("B").onTick([&ticks] { ++ticks; });
    start(other.timer("B"), 10);
    EXPECT_TRUE(renderer.waitFor([&ticks] { return ticks >= 5; }));
}

} // namespace
} // namespace davev::test
