#include <gtest/gtest.h>

#include <map>

#include "harness.h"
#include "scheduler/status_texts.h"

namespace davev::test {
namespace {

struct SchedulerTest : ::testing::Test {
    Harness h;

    MainWindow& start() { return h.start(); }

    // Status text at every second boundary where it changed, from now until `seconds` later.
    std::map<int, std::string> statusTimeline(int seconds)
    {
        std::map<int, std::string> changes;
        std::string last = h.status();
        const long long origin = h.clock.now();
        for (int s = 1; s <= seconds; ++s) {
            h.clock.advance(origin + s * 1000LL - h.clock.now());
            if (h.status() != last)
                changes[s] = last = h.status();
        }
        return changes;
    }

    std::vector<long long> launchSeconds(long long origin)
    {
        std::vector<long long> out;
        for (const Launch& l : h.launcher.launches)
            out.push_back((l.at - origin) / 1000);
        return out;
    }

    void expectLocked(MainWindow& m, bool locked)
    {
        EXPECT_EQ(m.AUTO_STARTS_STOPS_BUTTON.caption(), locked ? "STOP" : "START");
        EXPECT_EQ(m.SAVE_BUTTON.enabled(), !locked);
        EXPECT_EQ(m.RUN_NOW_BUTTON.enabled(), !locked);
        EXPECT_EQ(m.SOURCE_TEXT_FILE_TEXTBOX.locked(), locked);
        EXPECT_EQ(m.TARGET_TEXT_FILE_TEXTBOX.locked(), locked);
        for (const CheckBox* box :
             {&m.AUTOSTART_TICKBOX, &m.AUTOCLOSE_TICKBOX, &m.LOOP_1MIN_TICKBOX, &m.LOOP_5MIN_TICKBOX})
            EXPECT_EQ(box->enabled(), !locked) << box->name();
    }

    int enabledRunTimers(MainWindow& m)
    {
        int n = 0;
        for (const Timer* t :
             {&m.AUTOSTART_TIMER, &m.BAT_TIMER, &m.LOOP_1MIN_TIMER, &m.LOOP_2MIN_TIMER, &m.LOOP_3MIN_TIMER,
              &m.LOOP_4MIN_TIMER, &m.LOOP_5MIN_TIMER, &m.ZERO_END_TIMER, &m.AUTOCLOSE_TIMER})
            n += t->enabled();
        return n;
    }
};

TEST_F(SchedulerTest, SingleRunLaunchesAfterThirteenSecondsAndReturnsToReady)
{
    MainWindow& m = start();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    EXPECT_EQ(h.status(), status::Autostarting);
    expectLocked(m, true);
    EXPECT_TRUE(m.OUTPUT_CMD_BUTTON.enabled());
    EXPECT_TRUE(m.AlwaysOnTopTimer_TICKBOX.enabled());
    EXPECT_EQ(statusTimeline(14), (std::map<int, std::string>{{13, "READY..."}}));
    EXPECT_EQ(launchSeconds(0), (std::vector<long long>{13}));
    EXPECT_EQ(h.launcher.launches[0].commandLine, "DA-VEV.bat");
    expectLocked(m, false);
    EXPECT_TRUE(m.AUTOCLOSE_TICKBOX.enabled()) << "the release enables every box, AutoStart or not";
    EXPECT_EQ(enabledRunTimers(m), 0);
    h.advanceSeconds(600);
    EXPECT_EQ(h.launcher.launches.size(), 1u);
}

TEST_F(SchedulerTest, OneMinuteRepeatTimeline)
{
    h.store("LOOP_1MIN_TICKBOX", "1");
    MainWindow& m = start();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    const auto timeline = statusTimeline(146);
    EXPECT_EQ(timeline, (std::map<int, std::string>{{13, "!!! REPEAT IMPORT - 1 MIN !!!"},
                                                    {73, "!!! START IMPORT !!!"},
                                                    {76, "!!! IMPORTING !!!"},
                                                    {79, "!!! REPEAT IMPORT - 1 MIN !!!"},
                                                    {139, "!!! START IMPORT !!!"},
                                                    {142, "!!! IMPORTING !!!"},
                                                    {145, "!!! REPEAT IMPORT - 1 MIN !!!"}}));
    EXPECT_EQ(launchSeconds(0), (std::vector<long long>{13, 79, 145}));
    expectLocked(m, true);
    EXPECT_EQ(enabledRunTimers(m), 1);
}

TEST_F(SchedulerTest, FiveMinuteRepeatTimeline)
{
    h.store("LOOP_5MIN_TICKBOX", "1");
    MainWindow& m = start();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    const auto timeline = statusTimeline(320);
    EXPECT_EQ(timeline, (std::map<int, std::string>{{13, "!!! REPEAT IMPORT - 5 MINS !!!"},
                                                    {73, "!!! REPEAT IMPORT - 4 MINS !!!"},
                                                    {133, "!!! REPEAT IMPORT - 3 MINS !!!"},
                                                    {193, "!!! REPEAT IMPORT - 2 MINS !!!"},
                                                    {253, "!!! REPEAT IMPORT - 1 MIN !!!"},
                                                    {313, "!!! START IMPORT !!!"},
                                                    {316, "!!! IMPORTING !!!"},
                                                    {319, "!!! REPEAT IMPORT - 5 MINS !!!"}}));
    h.advanceSeconds(306);
    EXPECT_EQ(launchSeconds(0), (std::vector<long long>{13, 319, 625}));
    for (int minute = 0; minute < 60 * 60; minute += 60) {
        h.advanceSeconds(60);
        EXPECT_EQ(enabledRunTimers(m), 1) << "exactly one run timer at a time";
    }
}

TEST_F(SchedulerTest, StopAbortsEveryPhase)
{
    struct Phase {
        const char* name;
        const char* box;
        double at;
        std::size_t launchesBefore;
    };
    const Phase phases[] = {
        {"start countdown", nullptr, 5, 0},
        {"launch delay", nullptr, 11, 0},
        {"repeat wait 5", "LOOP_5MIN_TICKBOX", 200, 1},
        {"repeat lead-in", "LOOP_1MIN_TICKBOX", 74, 1},
        {"second launch delay", "LOOP_1MIN_TICKBOX", 77, 1},
        {"close countdown", "AUTOCLOSE_TICKBOX", 20, 1},
    };
    for (const Phase& phase : phases) {
        SCOPED_TRACE(phase.name);
        Harness local;
        if (phase.box)
            local.store(phase.box, "1");
        local.store("AUTOSTART_TICKBOX", "1"); // so that AutoClose stays meaningful
        MainWindow& m = local.start();
        local.advanceSeconds(phase.at);
        ASSERT_EQ(local.launcher.launches.size(), phase.launchesBefore);
        m.AUTO_STARTS_STOPS_BUTTON.userClick();
        EXPECT_EQ(local.status(), status::Aborted);
        EXPECT_EQ(m.AUTO_STARTS_STOPS_BUTTON.caption(), "START");
        local.advanceSeconds(1000);
        EXPECT_EQ(local.launcher.launches.size(), phase.launchesBefore) << "nothing launches after STOP";
        EXPECT_FALSE(local.display.ended());
        EXPECT_EQ(local.status(), status::Aborted);
        EXPECT_EQ(m.AUTOSTART_TICKBOX.value(), 1) << "boxes keep their values";
        for (const CheckBox* box :
             {&m.AUTOSTART_TICKBOX, &m.AUTOCLOSE_TICKBOX, &m.LOOP_1MIN_TICKBOX, &m.LOOP_5MIN_TICKBOX})
            EXPECT_TRUE(box->enabled());
    }
}

TEST_F(SchedulerTest, AutoStartAndAutoCloseRunUnattended)
{
    h.store("AUTOSTART_TICKBOX", "1");
    h.store("AUTOCLOSE_TICKBOX", "1");
    h.store("SOURCE_TEXT_FILE_TEXTBOX", "/in");
    MainWindow& m = start();
    EXPECT_EQ(h.status(), status::AutostartCountdown);
    const auto timeline = statusTimeline(22);
    EXPECT_EQ(timeline,
              (std::map<int, std::string>{{10, "!!! AUTOSTARTING !!!"}, {13, "!!! AUTOCLOSE - 10 SECS !!!"}}));
    EXPECT_FALSE(h.display.ended());
    h.advanceSeconds(1);
    EXPECT_TRUE(h.display.ended());
    EXPECT_EQ(m.CURRENT_STATUS_LABEL.caption(), status::Autoclosing);
    EXPECT_EQ(launchSeconds(0), (std::vector<long long>{13}));
    EXPECT_EQ(h.stored("AUTOSTART_TICKBOX"), "1");
    EXPECT_EQ(h.stored("AUTOCLOSE_TICKBOX"), "1");
    EXPECT_EQ(h.stored("SOURCE_TEXT_FILE_TEXTBOX"), "/in");
    EXPECT_EQ(h.clock.nextDue(), -1) << "no timer survives the window";
}

TEST_F(SchedulerTest, AutoCloseAlsoEndsARunStartedByHand)
{
    MainWindow& m = start();
    m.AUTOSTART_TICKBOX.userClick();
    m.AUTOCLOSE_TICKBOX.userClick();
    m.AUTOSTART_TICKBOX.userClick(); // unchecking AutoStart clears AutoClose again
    EXPECT_EQ(m.AUTOCLOSE_TICKBOX.value(), 0);
    m.AUTOSTART_TICKBOX.userClick();
    m.AUTOCLOSE_TICKBOX.userClick();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    h.advanceSeconds(22.9);
    EXPECT_FALSE(h.display.ended());
    h.advanceSeconds(0.1);
    EXPECT_TRUE(h.display.ended());
}

TEST_F(SchedulerTest, AutoCloseUnderAnOpenModalWindowClosesEverything)
{
    h.store("AUTOSTART_TICKBOX", "1");
    h.store("AUTOCLOSE_TICKBOX", "1");
    MainWindow& m = start();
    bool outputClosed = false;
    h.display.whileModal([&](Window& output) {
        h.advanceSeconds(30);
        outputClosed = !output.loaded();
    });
    m.OUTPUT_CMD_BUTTON.userClick();
    EXPECT_TRUE(outputClosed) << "the owned window closed with its owner";
    EXPECT_TRUE(h.display.ended());
    EXPECT_EQ(h.launcher.launches.size(), 1u);
    EXPECT_EQ(h.stored("AUTOSTART_TICKBOX"), "1");
    EXPECT_TRUE(h.isStored("OUTPUT_WINDOW-Left"));
}

TEST_F(SchedulerTest, CycleGoesOnBehindTheAboutWindow)
{
    h.store("LOOP_1MIN_TICKBOX", "1");
    MainWindow& m = start();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    h.display.whileModal([&](Window&) { h.advanceSeconds(80); });
    m.ABOUT_BUTTON.userClick();
    EXPECT_EQ(launchSeconds(0), (std::vector<long long>{13, 79}));
}

TEST_F(SchedulerTest, GreyFollowUpBoxLeavesTheRunImportingUntilStop)
{
    h.store("LOOP_5MIN_TICKBOX", "2");
    MainWindow& m = start();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    h.advanceSeconds(600);
    EXPECT_EQ(h.status(), status::RunningImporting);
    EXPECT_EQ(m.AUTO_STARTS_STOPS_BUTTON.caption(), "STOP");
    EXPECT_EQ(enabledRunTimers(m), 0);
    EXPECT_EQ(h.launcher.launches.size(), 1u);
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    EXPECT_EQ(h.status(), status::Aborted);
}

TEST_F(SchedulerTest, FailedLaunchIsReportedAndTheScheduleGoesOn)
{
    h.store("LOOP_1MIN_TICKBOX", "1");
    MainWindow& m = start();
    h.launcher.fail = true;
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    h.advanceSeconds(14);
    ASSERT_EQ(h.errors.reports.size(), 1u);
    EXPECT_EQ(h.status(), status::Repeat1Min);
    EXPECT_FALSE(m.BAT_TIMER.enabled()) << "no retry every three seconds";
    h.launcher.fail = false;
    h.advanceSeconds(66);
    EXPECT_EQ(launchSeconds(0), (std::vector<long long>{79}));
    EXPECT_EQ(h.errors.reports.size(), 1u);
}

TEST_F(SchedulerTest, FailedLaunchStillAutoCloses)
{
    h.store("AUTOSTART_TICKBOX", "1");
    h.store("AUTOCLOSE_TICKBOX", "1");
    start();
    h.launcher.fail = true;
    h.advanceSeconds(23);
    EXPECT_EQ(h.errors.reports.size(), 1u);
    EXPECT_TRUE(h.display.ended());
}

TEST_F(SchedulerTest, RepeatBoxCascadeAfterARun)
{
    h.store("LOOP_1MIN_TICKBOX", "1");
    MainWindow& m = start();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    h.advanceSeconds(20);
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    m.LOOP_5MIN_TICKBOX.userClick();
    EXPECT_EQ(m.LOOP_5MIN_TICKBOX.value(), 1);
    EXPECT_TRUE(m.LOOP_5MIN_TICKBOX.enabled());
    EXPECT_EQ(m.LOOP_1MIN_TICKBOX.value(), 0);
    EXPECT_FALSE(m.LOOP_1MIN_TICKBOX.enabled());
    EXPECT_EQ(m.AUTOCLOSE_TICKBOX.value(), 0);
    EXPECT_FALSE(m.AUTOCLOSE_TICKBOX.enabled());
}

TEST_F(SchedulerTest, AutoCloseCascadeAfterARun)
{
    h.store("LOOP_1MIN_TICKBOX", "1");
    MainWindow& m = start();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    m.AUTO_STARTS_STOPS_BUTTON.userClick();
    m.AUTOCLOSE_TICKBOX.userClick();
    EXPECT_EQ(m.AUTOCLOSE_TICKBOX.value(), 1);
    EXPECT_TRUE(m.AUTOCLOSE_TICKBOX.enabled());
    EXPECT_EQ(m.LOOP_1MIN_TICKBOX.value(), 0);
    EXPECT_FALSE(m.LOOP_1MIN_TICKBOX.enabled());
    EXPECT_EQ(m.LOOP_5MIN_TICKBOX.value(), 0);
    EXPECT_TRUE(m.LOOP_5MIN_TICKBOX.enabled());
}

TEST_F(SchedulerTest, RepeatBoxRulesInReady)
{
    MainWindow& m = start();
    m.LOOP_1MIN_TICKBOX.userClick();
    EXPECT_FALSE(m.LOOP_5MIN_TICKBOX.enabled());
    EXPECT_FALSE(m.AUTOCLOSE_TICKBOX.enabled());
    m.LOOP_1MIN_TICKBOX.userClick();
    EXPECT_TRUE(m.LOOP_5MIN_TICKBOX.enabled());
    EXPECT_TRUE(m.AUTOCLOSE_TICKBOX.enabled()) << "even with AutoStart unchecked";
    m.AUTOCLOSE_TICKBOX.userClick();
    EXPECT_FALSE(m.LOOP_1MIN_TICKBOX.enabled());
    EXPECT_FALSE(m.LOOP_5MIN_TICKBOX.enabled());
    m.AUTOSTART_TICKBOX.userClick();
    EXPECT_FALSE(m.AUTOSTART_TIMER.enabled()) << "checking AutoStart starts nothing";
}

} // namespace
} // namespace davev::test
