#include <gtest/gtest.h>

#include "harness.h"
#include "settings/schema.h"

namespace davev::test {
namespace {

struct WindowsTest : ::testing::Test {
    Harness h;
    MainWindow& m = h.start();
};

TEST_F(WindowsTest, OutputWindowOpensAtDefaultsAndRemembersOnlyItsPosition)
{
    h.display.whileModal([](Window& w) {
        EXPECT_EQ(w.left(), 1000);
        EXPECT_EQ(w.top(), 1000);
        EXPECT_EQ(w.width(), 9705);
        EXPECT_EQ(w.height(), 3855);
        EXPECT_EQ(w.caption(), "DA-VEV - OUTPUT COMMAND");
        w.placedBy(3000, 4500);
        w.button("OK_BUTTON").userClick();
        EXPECT_FALSE(w.loaded());
    });
    m.OUTPUT_CMD_BUTTON.userClick();
    std::vector<std::string> keys;
    for (const auto& write : h.settings.writes())
        keys.push_back(write.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"OUTPUT_WINDOW-Left", "OUTPUT_WINDOW-Top", "OUTPUT_WINDOW-Left",
                                              "OUTPUT_WINDOW-Top"}))
        << "OK stores the position, the unload stores it again";
    EXPECT_EQ(h.stored("OUTPUT_WINDOW-Left"), "3000");
    EXPECT_FALSE(h.isStored("OUTPUT_WINDOW-Width"));
    EXPECT_FALSE(h.isStored("OUTPUT_WINDOW-Height"));

    h.store("OUTPUT_WINDOW-Width", "12000");
    h.display.whileModal([](Window& w) {
        EXPECT_EQ(w.left(), 3000);
        EXPECT_EQ(w.width(), 12000) << "a hand-written size is honoured";
        w.placedBy(10, 20); // closed by the window manager: the script leaves it open
    });
    m.OUTPUT_CMD_BUTTON.userClick();
    EXPECT_EQ(h.stored("OUTPUT_WINDOW-Top"), "20");
}

TEST_F(WindowsTest, OutputWindowShowsTheCommandOfThisMomentEveryTime)
{
    m.SOURCE_TEXT_FILE_TEXTBOX.userEdit("/one");
    std::vector<std::string> seen;
    for (int i = 0; i < 2; ++i)
        h.display.whileModal([&](Window& w) { seen.push_back(w.textBox("FULL_COMMAND_TEXTBOX").text()); });
    m.OUTPUT_CMD_BUTTON.userClick();
    m.SOURCE_TEXT_FILE_TEXTBOX.userEdit("/two");
    m.OUTPUT_CMD_BUTTON.userClick();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0].find("/one"), std::string::npos);
    EXPECT_NE(seen[1].find("/two"), std::string::npos);
    EXPECT_EQ(h.program->outputWindow(), h.program->outputWindow()) << "one shared instance";
}

TEST_F(WindowsTest, AboutWindowCreditAndPosition)
{
    h.display.whileModal([](Window& w) {
        EXPECT_EQ(w.width(), 5985);
        EXPECT_EQ(w.height(), 3390);
        Label& credit = w.label("DA_VEV_CREATOR");
        EXPECT_EQ(credit.caption(), "Created By Zerud904");
        credit.userDblClick();
        EXPECT_NE(credit.caption().find('@'), std::string::npos);
        const std::string address = credit.caption();
        credit.userDblClick();
        EXPECT_EQ(credit.caption(), address);
        w.placedBy(2222, 3333);
        w.button("OK_BUTTON").userClick();
    });
    m.ABOUT_BUTTON.userClick();
    EXPECT_EQ(h.stored("ABOUT-Left"), "2222");
    EXPECT_EQ(h.stored("ABOUT-Top"), "3333");
    EXPECT_FALSE(h.isStored("ABOUT-Width"));

    h.display.whileModal([](Window& w) {
        EXPECT_EQ(w.label("DA_VEV_CREATOR").caption(), "Created By Zerud904") << "reloaded from the layout";
        EXPECT_EQ(w.left(), 2222);
    });
    m.ABOUT_BUTTON.userClick();
}

TEST_F(WindowsTest, AboutWindowWithACorruptPositionStillOpens)
{
    h.store("ABOUT-Left", "left");
    h.display.whileModal([](Window& w) { EXPECT_EQ(w.left(), 1000); });
    m.ABOUT_BUTTON.userClick();
    EXPECT_EQ(h.display.modalShowings(), 1);
}

struct AlwaysOnTopTest : ::testing::Test {
    Harness h;
    MainWindow& m = h.start();
    void SetUp() override
    {
        m.window.setHandle(100);
        h.zOrder.calls.clear();
    }
};

TEST_F(AlwaysOnTopTest, TickDemotesTheForegroundWindowAndRaisesTheMainWindow)
{
    h.zOrder.foreground = 100;
    h.advanceSeconds(3);
    EXPECT_TRUE(h.zOrder.calls.empty()) << "main window in front: nothing";

    h.zOrder.foreground = 555;
    h.advanceSeconds(1);
    EXPECT_EQ(h.zOrder.calls, (std::vector<std::string>{"notop 555", "top 100"}));

    h.zOrder.calls.clear();
    h.zOrder.foreground = 0;
    h.advanceSeconds(1);
    EXPECT_EQ(h.zOrder.calls, (std::vector<std::string>{"top 100"})) << "no foreground window";
}

TEST_F(AlwaysOnTopTest, ClearingTheBoxStopsTheTicksAndLeavesTheWindowTopmost)
{
    h.zOrder.foreground = 555;
    h.advanceSeconds(1);
    m.AlwaysOnTopTimer_TICKBOX.userClick();
    h.zOrder.calls.clear();
    h.advanceSeconds(10);
    EXPECT_TRUE(h.zOrder.calls.empty());
    m.AlwaysOnTopTimer_TICKBOX.userClick();
    h.advanceSeconds(0.999);
    EXPECT_TRUE(h.zOrder.calls.empty()) << "the first tick follows one interval later";
    h.advanceSeconds(0.001);
    EXPECT_EQ(h.zOrder.calls.size(), 2u);
}

TEST(AlwaysOnTopStored, OffNeverTicks)
{
    Harness h;
    h.store("AlwaysOnTopTimer_TICKBOX", "0");
    h.start();
    h.zOrder.foreground = 555;
    h.advanceSeconds(60);
    EXPECT_TRUE(h.zOrder.calls.empty());
}

TEST(SettingsText, NumbersReadBackWhateverTheForm)
{
    using namespace settings;
    for (const float value : {0.f, 1000.f, -300.f, 2500.5f, 15000000.f, 0.25f})
        EXPECT_EQ(parseTwips(formatTwips(value)), value);
    EXPECT_EQ(formatTwips(1000), "1000");
    EXPECT_EQ(formatTwips(1234.5f), "1234.5");
    EXPECT_EQ(parseTwips(" 42 "), 42.f);
    EXPECT_FALSE(parseTwips("1,5"));
    EXPECT_FALSE(parseTwips(""));
    EXPECT_FALSE(parseTwips("nan"));
    EXPECT_FALSE(parseTwips("12px"));
    EXPECT_EQ(parseOption("2"), 2);
    EXPECT_FALSE(parseOption("3"));
    EXPECT_FALSE(parseOption("-1"));
    EXPECT_FALSE(parseOption("1.0"));
}

} // namespace
} // namespace davev::test
