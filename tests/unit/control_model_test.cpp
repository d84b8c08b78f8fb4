#include <gtest/gtest.h>

#include "harness.h"
#include "platform/layout_builders.h"

namespace davev::test {
namespace {

WindowSpec twoBoxes()
{
    WindowSpec design;
    design.name = "TEST";
    design.controls = {layout::control(ControlKind::CheckBox, "A", "a", 0, 0, 10, 10, 0),
                       layout::control(ControlKind::CheckBox, "B", "b", 0, 0, 10, 10, 1), layout::timer("T", 0, 0)};
    return design;
}

struct ModelTest : ::testing::Test {
    RecordingErrors errors;
    ManualClock clock;
    Window window{twoBoxes(), errors, clock};
    CheckBox& a = window.checkBox("A");
    CheckBox& b = window.checkBox("B");
    Timer& timer = window.timer("T");
    std::vector<std::string> trace;

    void SetUp() override { window.load(); }
};

TEST_F(ModelTest, ValueChangeRunsClickNestedAndSameValueRunsNothing)
{
    a.onClick([&] {
        trace.push_back("a enter " + std::to_string(a.value()));
        b.setValue(a.value());
        trace.push_back("a leave");
    });
    b.onClick([&] { trace.push_back("b " + std::to_string(b.value())); });

    a.setValue(1);
    a.setValue(1);
    a.setValue(0);
    EXPECT_EQ(trace, (std::vector<std::string>{"a enter 1", "b 1", "a leave", "a enter 0", "b 0", "a leave"}));
}

TEST_F(ModelTest, UserClicksRespectEnabledAndCycleThroughTheGreyState)
{
    int clicks = 0;
    a.onClick([&] { ++clicks; });
    a.setEnabled(false);
    a.userClick();
    EXPECT_EQ(a.value(), 0);
    a.setEnabled(true);
    a.setValue(CheckBox::Grayed);
    a.userClick();
    EXPECT_EQ(a.value(), CheckBox::Checked);
    a.userClick();
    EXPECT_EQ(a.value(), CheckBox::Unchecked);
    EXPECT_EQ(clicks, 3);
    EXPECT_THROW(a.setValue(3), PlatformError);
}

TEST_F(ModelTest, HandlerFailureIsReportedOnceAtTheEventEntry)
{
    a.onClick([&] {
        b.setValue(1);
        trace.push_back("not reached");
    });
    b.onClick([] { throw PlatformError(5, "boom"); });
    a.userClick();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].number(), 5);
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(a.value(), 1) << "what was done before the failure stays done";
}

TEST_F(ModelTest, TimersAreIntervalTimersThatStartAFreshIntervalWhenEnabled)
{
    std::vector<long long> ticks;
    timer.onTick([&] { ticks.push_back(clock.now()); });
    timer.setEnabled(true);
    clock.advance(5000);
    EXPECT_TRUE(ticks.empty()) << "no interval, no tick";
    timer.setInterval(1000);
    clock.advance(2500);
    EXPECT_EQ(ticks, (std::vector<long long>{6000, 7000}));
    timer.setEnabled(false);
    clock.advance(300);
    timer.setEnabled(true);
    clock.advance(1000);
    EXPECT_EQ(ticks.back(), 8800);
    timer.setEnabled(true); // already enabled: keeps its phase
    clock.advance(999);
    EXPECT_EQ(ticks.size(), 3u);
    clock.advance(1);
    EXPECT_EQ(ticks.size(), 4u);
}

TEST_F(ModelTest, UnloadStopsTimersAndLoadRestoresDesignValues)
{
    a.setValue(1);
    b.setEnabled(false);
    timer.setInterval(10);
    timer.setEnabled(true);
    window.unload();
    EXPECT_FALSE(timer.enabled());
    EXPECT_EQ(clock.nextDue(), -1);
    window.load();
    EXPECT_EQ(a.value(), 0);
    EXPECT_TRUE(b.enabled());
    EXPECT_EQ(timer.interval(), 0);
}

} // namespace
} // namespace davev::test
