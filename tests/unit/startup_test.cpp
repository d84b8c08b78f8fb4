#include <gtest/gtest.h>

#include "harness.h"
#include "scheduler/status_texts.h"

namespace davev::test {
namespace {

struct Combination {
    const char* stored; // auto-start, auto-close, 1 min, 5 min
    int values[4];
    bool enabled[4];
    bool countdown;
};

// Every option combination the program can store, and the state start-up leaves.
const Combination Combinations[] = {
    {"0000", {0, 0, 0, 0}, {true, false, true, true}, false},
    {"0010", {0, 0, 1, 0}, {true, false, true, false}, false},
    {"0001", {0, 0, 0, 1}, {true, false, false, true}, false},
    {"0100", {0, 1, 0, 0}, {true, false, false, false}, false},
    {"1000", {1, 0, 0, 0}, {false, false, false, false}, true},
    {"1010", {1, 0, 1, 0}, {false, false, false, false}, true},
    {"1001", {1, 0, 0, 1}, {false, false, false, false}, true},
    {"1100", {1, 1, 0, 0}, {false, false, false, false}, true},
};

class StartupCombinations : public ::testing::TestWithParam<Combination> {};

TEST_P(StartupCombinations, LeaveTheDocumentedState)
{
    const Combination& c = GetParam();
    Harness h;
    const char* keys[] = {"AUTOSTART_TICKBOX", "AUTOCLOSE_TICKBOX", "LOOP_1MIN_TICKBOX", "LOOP_5MIN_TICKBOX"};
    for (int i = 0; i < 4; ++i)
        h.store(keys[i], std::string(1, c.stored[i]));
    MainWindow& m = h.start();
    CheckBox* boxes[] = {&m.AUTOSTART_TICKBOX, &m.AUTOCLOSE_TICKBOX, &m.LOOP_1MIN_TICKBOX, &m.LOOP_5MIN_TICKBOX};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(boxes[i]->value(), c.values[i]) << keys[i];
        EXPECT_EQ(boxes[i]->enabled(), c.enabled[i]) << keys[i];
    }
    EXPECT_EQ(m.AUTOSTART_TIMER.enabled(), c.countdown);
    EXPECT_EQ(m.AUTO_STARTS_STOPS_BUTTON.caption(), c.countdown ? "STOP" : "START");
    EXPECT_EQ(h.status(), c.countdown ? status::AutostartCountdown : status::Ready);
    EXPECT_EQ(m.SAVE_BUTTON.enabled(), !c.countdown);
    EXPECT_EQ(m.RUN_NOW_BUTTON.enabled(), !c.countdown);
    EXPECT_EQ(m.SOURCE_TEXT_FILE_TEXTBOX.locked(), c.countdown);
    EXPECT_EQ(m.TARGET_TEXT_FILE_TEXTBOX.locked(), c.countdown);
    EXPECT_TRUE(m.AUTO_STARTS_STOPS_BUTTON.enabled());
    EXPECT_TRUE(m.AlwaysOnTopTimer.enabled());
}

INSTANTIATE_TEST_SUITE_P(StoredOptions, StartupCombinations, ::testing::ValuesIn(Combinations));

TEST(Startup, FirstStartUsesDefaultsAndReplacesPlaceholders)
{
    Harness h;
    h.name.name = "NightlyImport";
    MainWindow& m = h.start();
    EXPECT_EQ(m.window.left(), 1000);
    EXPECT_EQ(m.window.top(), 1000);
    EXPECT_EQ(m.window.width(), 5760);
    EXPECT_EQ(m.window.height(), 3150);
    EXPECT_EQ(m.window.caption(), "DA-VEV - NightlyImport");
    EXPECT_EQ(m.APP_EXE_NAME_LABEL.caption(), "NightlyImport");
    EXPECT_EQ(m.AlwaysOnTopTimer_TICKBOX.value(), 1);
    EXPECT_FALSE(m.AUTOCLOSE_TICKBOX.enabled());
    EXPECT_EQ(m.SOURCE_TEXT_FILE_TEXTBOX.text(), "");
    EXPECT_EQ(m.TARGET_TEXT_FILE_TEXTBOX.text(), "");
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), "");
    EXPECT_TRUE(h.display.isShown(m.window));
    EXPECT_TRUE(h.settings.writes().empty()) << "loading writes nothing";

    const int intervals[] = {1000, 10000, 3000, 10000, 60000, 60000, 60000, 60000, 60000, 3000};
    const Timer* timers[] = {&m.AlwaysOnTopTimer, &m.AUTOSTART_TIMER, &m.BAT_TIMER,       &m.AUTOCLOSE_TIMER,
                             &m.LOOP_1MIN_TIMER,  &m.LOOP_2MIN_TIMER, &m.LOOP_3MIN_TIMER, &m.LOOP_4MIN_TIMER,
                             &m.LOOP_5MIN_TIMER,  &m.ZERO_END_TIMER};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(timers[i]->interval(), intervals[i]) << timers[i]->name();
}

TEST(Startup, RestoresPositionTextsAndCommandWithItsLineBreak)
{
    Harness h;
    h.store("MAIN-Left", "2500.5");
    h.store("MAIN-Top", "-300");
    h.store("MAIN-Height", "5000");
    h.store("SOURCE_TEXT_FILE_TEXTBOX", "/data/in.txt");
    h.store("FULL_COMMAND_TEXTBOX", "line one\r\nline two");
    h.store("AlwaysOnTopTimer_TICKBOX", "0");
    MainWindow& m = h.start();
    EXPECT_FLOAT_EQ(m.window.left(), 2500.5f);
    EXPECT_EQ(m.window.top(), -300);
    EXPECT_EQ(m.window.height(), 5000);
    EXPECT_EQ(m.SOURCE_TEXT_FILE_TEXTBOX.text(), "/data/in.txt");
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), "line one\r\nline two");
    EXPECT_FALSE(m.AlwaysOnTopTimer.enabled());
}

TEST(Startup, GreyValueIsKeptAndCountsAsUnchecked)
{
    Harness h;
    h.store("AUTOSTART_TICKBOX", "2");
    h.store("LOOP_1MIN_TICKBOX", "2");
    h.store("AlwaysOnTopTimer_TICKBOX", "2");
    MainWindow& m = h.start();
    EXPECT_EQ(m.AUTOSTART_TICKBOX.value(), 2);
    EXPECT_EQ(m.LOOP_1MIN_TICKBOX.value(), 2);
    EXPECT_FALSE(m.AUTOSTART_TIMER.enabled());
    EXPECT_FALSE(m.AlwaysOnTopTimer.enabled());
    EXPECT_TRUE(m.LOOP_5MIN_TICKBOX.enabled());
    h.display.close(m.window);
    EXPECT_EQ(h.stored("AUTOSTART_TICKBOX"), "2") << "an untouched grey box is stored as it was";
}

TEST(Startup, BothRepeatsStoredResolveToTheFiveMinuteBoxAlone)
{
    Harness h;
    h.store("LOOP_1MIN_TICKBOX", "1");
    h.store("LOOP_5MIN_TICKBOX", "1");
    MainWindow& m = h.start();
    EXPECT_EQ(m.LOOP_1MIN_TICKBOX.value(), 0);
    EXPECT_EQ(m.LOOP_5MIN_TICKBOX.value(), 1);
    EXPECT_FALSE(m.LOOP_1MIN_TICKBOX.enabled());
    EXPECT_FALSE(m.AUTOCLOSE_TICKBOX.enabled());
}

TEST(Startup, CorruptValuesFallBackToDefaultsWithANote)
{
    Harness h;
    h.store("MAIN-Left", "abc");
    h.store("MAIN-Width", "1e999");
    h.store("AlwaysOnTopTimer_TICKBOX", "7");
    h.store("AUTOSTART_TICKBOX", "yes");
    h.store("TARGET_TEXT_FILE_TEXTBOX", "/kept.txt");
    MainWindow& m = h.start();
    EXPECT_EQ(m.window.left(), 1000);
    EXPECT_EQ(m.window.width(), 5760);
    EXPECT_EQ(m.AlwaysOnTopTimer_TICKBOX.value(), 1);
    EXPECT_EQ(m.AUTOSTART_TICKBOX.value(), 0);
    EXPECT_EQ(m.TARGET_TEXT_FILE_TEXTBOX.text(), "/kept.txt") << "the load went on after the bad values";
    EXPECT_EQ(h.errors.notes.size(), 4u);
    EXPECT_TRUE(h.errors.reports.empty());
}

TEST(Startup, UnusableSizesAndUnrepresentablePositionsFallBackAndOffScreenMovesOnScreen)
{
    Harness h;
    h.store("MAIN-Left", "-20000"); // off the screen, still a position
    h.store("MAIN-Top", "600000");  // beyond 16-bit pixel coordinates
    h.store("MAIN-Width", "0");
    h.store("MAIN-Height", "99999"); // taller than the screen
    MainWindow& m = h.start();
    EXPECT_EQ(m.window.left(), 0) << "on the screen's left edge";
    EXPECT_EQ(m.window.top(), 1000);
    EXPECT_EQ(m.window.width(), 5760);
    EXPECT_EQ(m.window.height(), 3150);
    ASSERT_EQ(h.errors.notes.size(), 4u);
    EXPECT_NE(h.errors.notes[0].find("MAIN-Top"), std::string::npos) << h.errors.notes[0];
    EXPECT_NE(h.errors.notes[3].find("-20000 and 1000"), std::string::npos) << h.errors.notes[3];
    EXPECT_EQ(h.stored("MAIN-Left"), "-20000") << "the store at the close corrects it";

    h.store("ABOUT-Width", "-5985");
    h.store("ABOUT-Left", "30000"); // right of the 28800-twip screen
    m.ABOUT_BUTTON.userClick();
    EXPECT_EQ(h.settings.value("DA-VEV", "ABOUT-Left"), "22815") << "stored back where it opened";
    EXPECT_EQ(h.errors.notes.size(), 6u);
    EXPECT_TRUE(h.errors.reports.empty());
    h.display.close(m.window);
    EXPECT_EQ(h.stored("MAIN-Left"), "0");
}

// A position on a monitor since unplugged goes to the nearest one left, at the
// default position when the window is larger than that one.
TEST(Startup, APositionOnAMonitorSinceUnpluggedMovesToTheNearestOne)
{
    Harness h;
    h.display.setScreens({{0, 0, 19200, 15000}, {-7500, 3000, 7500, 11250}});
    h.store("MAIN-Left", "24000");
    h.store("MAIN-Top", "16000");
    EXPECT_EQ(h.start().window.left(), 13440);
    EXPECT_EQ(h.m().window.top(), 11850);
    h.display.close(h.m().window);

    h.store("MAIN-Left", "-12000");
    h.store("MAIN-Top", "-12000");
    h.store("MAIN-Height", "12000"); // taller than the nearest screen
    h.start();
    EXPECT_EQ(h.m().window.left(), 1000);
    EXPECT_EQ(h.m().window.top(), 1000);
    EXPECT_EQ(h.errors.notes.size(), 2u);
}

TEST(Shutdown, StoresTheTenKeysInOrderAndNeverTheSize)
{
    Harness h;
    h.store("AUTOSTART_TICKBOX", "1");
    MainWindow& m = h.start();
    m.window.placedBy(1234, 567);
    const int commitsBefore = h.settings.commits();
    h.display.close(m.window);
    EXPECT_EQ(h.settings.commits() - commitsBefore, 1) << "the ten keys go to the store in one write";
    std::vector<std::string> keys;
    for (const auto& write : h.settings.writes())
        keys.push_back(write.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"MAIN-Left", "MAIN-Top", "AlwaysOnTopTimer_TICKBOX", "AUTOSTART_TICKBOX",
                                              "AUTOCLOSE_TICKBOX", "LOOP_1MIN_TICKBOX", "LOOP_5MIN_TICKBOX",
                                              "SOURCE_TEXT_FILE_TEXTBOX", "TARGET_TEXT_FILE_TEXTBOX",
                                              "FULL_COMMAND_TEXTBOX"}));
    EXPECT_EQ(h.stored("MAIN-Left"), "1234");
    EXPECT_EQ(h.stored("MAIN-Top"), "567");
    EXPECT_EQ(h.stored("AUTOSTART_TICKBOX"), "1") << "closed during the countdown: counts down again next time";
    EXPECT_FALSE(h.isStored("MAIN-Width"));
    EXPECT_FALSE(h.isStored("MAIN-Height"));
    EXPECT_TRUE(h.display.ended());
}

TEST(Settings, EachExecutableNameHasItsOwnSection)
{
    Harness h;
    h.name.name = "First";
    h.store("SOURCE_TEXT_FILE_TEXTBOX", "/first.txt");
    h.name.name = "Second";
    MainWindow& m = h.start();
    EXPECT_EQ(m.SOURCE_TEXT_FILE_TEXTBOX.text(), "");
    h.display.close(m.window);
    EXPECT_EQ(h.settings.value("First", "SOURCE_TEXT_FILE_TEXTBOX"), "/first.txt");
    EXPECT_TRUE(h.settings.has("Second", "MAIN-Left"));
}

} // namespace
} // namespace davev::test
