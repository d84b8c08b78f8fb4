#include <gtest/gtest.h>

#include <filesystem>

#include "harness.h"
#include "import/compose.h"
#include "import/launch.h"

namespace davev::test {
namespace {

const std::string SampleCommand = "type \"C:\\TEST-TYPE\\SOURCE-FILE.txt\" >> \"C:\\TEST-TYPE\\TARGET-FILE.txt\"\r\n"
                                  "echo. >> \"C:\\TEST-TYPE\\TARGET-FILE.txt\"";

struct ImportTest : ::testing::Test {
    Harness h;
    MainWindow& m = h.start();

    void paths(std::string source, std::string target)
    {
        m.SOURCE_TEXT_FILE_TEXTBOX.userEdit(std::move(source));
        m.TARGET_TEXT_FILE_TEXTBOX.userEdit(std::move(target));
    }
};

TEST_F(ImportTest, SamplePathsComposeTheWorkedExample)
{
    m.SOURCE_BUTTON.setVisible(true); // the sample buttons are hidden; their handlers still work
    m.TARGET_BUTTON.setVisible(true);
    m.SOURCE_TEXT_FILE_TEXTBOX.setText("something longer that is replaced");
    m.SOURCE_BUTTON.userClick();
    m.TARGET_BUTTON.userClick();
    EXPECT_EQ(m.SOURCE_TEXT_FILE_TEXTBOX.text(), SampleSourcePath);
    composeImportCommand(m);
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), SampleCommand);
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text().size(), 110u);
    composeImportCommand(m);
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), SampleCommand) << "nothing accumulates";
}

TEST_F(ImportTest, CompositionLengthAndQuotingFollowThePaths)
{
    for (const auto& [source, target] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"/a b/c d.txt", "/t t.txt"}, {"/ü/é.txt", "x"}, {"s", "/very/long/target/path.txt"}}) {
        paths(source, target);
        composeImportCommand(m);
        EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text().size(), 26 + source.size() + 2 * target.size());
        EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(),
                  "type \"" + source + "\" >> \"" + target + "\"\r\necho. >> \"" + target + "\"");
    }
}

TEST_F(ImportTest, OutputCmdComposesAndShowsTheCommandModally)
{
    paths("/in.txt", "/out.txt");
    h.display.whileModal([&](Window& output) {
        EXPECT_EQ(output.textBox("FULL_COMMAND_TEXTBOX").text(), composedCommand(m));
        EXPECT_EQ(output.label("BAT_FILENAME_LABEL").caption(), "DA-VEV.bat");
        EXPECT_TRUE(output.textBox("FULL_COMMAND_TEXTBOX").locked());
        output.textBox("FULL_COMMAND_TEXTBOX").setText("changed in the copy");
    });
    m.OUTPUT_CMD_BUTTON.userClick();
    EXPECT_EQ(h.display.modalShowings(), 1);
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), composedCommand(m)) << "the window shows a copy";
    EXPECT_TRUE(h.settings.has("DA-VEV", "OUTPUT_WINDOW-Left"));
    EXPECT_FALSE(h.settings.has("DA-VEV", "MAIN-Left")) << "Output Cmd stores no main-window setting";
}

TEST_F(ImportTest, EditingAPathLeavesTheOldCommandUntilComposed)
{
    paths("/a", "/b");
    composeImportCommand(m);
    const std::string before = m.FULL_COMMAND_TEXTBOX.text();
    paths("/c", "/d");
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), before);
}

TEST_F(ImportTest, SaveStoresFirstThenWritesTheFreshCommand)
{
    m.FULL_COMMAND_TEXTBOX.setText("previous command");
    m.SOURCE_TEXT_FILE_TEXTBOX.setText(std::string(SampleSourcePath));
    m.TARGET_TEXT_FILE_TEXTBOX.setText(std::string(SampleTargetPath));
    m.SAVE_BUTTON.userClick();
    EXPECT_EQ(h.file.fileName, "DA-VEV.bat");
    EXPECT_EQ(h.file.bytes, SampleCommand + "\r\n");
    EXPECT_EQ(h.file.bytes.size(), 112u);
    EXPECT_EQ(h.stored("FULL_COMMAND_TEXTBOX"), "previous command");
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), SampleCommand);
    EXPECT_EQ(h.settings.writes().size(), 10u);
    EXPECT_EQ(h.settings.commits(), 1) << "the ten keys go to the store in one write";
    EXPECT_FALSE(h.isStored("MAIN-Width"));
    EXPECT_FALSE(h.isStored("MAIN-Height"));

    m.SAVE_BUTTON.userClick();
    EXPECT_EQ(h.file.bytes.size(), 112u) << "a second Save rewrites, it never appends";
    EXPECT_EQ(h.stored("FULL_COMMAND_TEXTBOX"), SampleCommand);

    paths("", "");
    m.SAVE_BUTTON.userClick();
    EXPECT_EQ(h.file.bytes, "type \"\" >> \"\"\r\necho. >> \"\"\r\n");
    EXPECT_EQ(h.file.bytes.size(), 28u);
    EXPECT_EQ(h.status(), "READY...");
    EXPECT_TRUE(h.errors.reports.empty());
}

TEST_F(ImportTest, SaveRefusesAPathThatCannotBeQuoted)
{
    paths("/ok.txt", "/ok.txt");
    m.SAVE_BUTTON.userClick();
    const std::string good = h.file.bytes;
    for (const std::string& bad :
         {std::string("/x\" & rm -rf ~ & \".txt"), std::string("/a\r\nb"), std::string("/nul\0byte", 9)}) {
        h.errors.reports.clear();
        paths("/ok.txt", bad);
        m.SAVE_BUTTON.userClick();
        ASSERT_EQ(h.errors.reports.size(), 1u);
        EXPECT_EQ(h.errors.reports[0].number(), errors::BadFileName);
        EXPECT_NE(h.errors.reports[0].description().find("target"), std::string::npos);
        EXPECT_EQ(h.file.bytes, good) << "the batch file is left as it was";
        EXPECT_EQ(h.file.opens, 1);
        EXPECT_EQ(h.stored("TARGET_TEXT_FILE_TEXTBOX"), bad) << "settings were stored before the check";
        EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), composedCommand(m)) << "and the command recomposed";
    }
    paths("/a\"b", "/ok.txt");
    m.SAVE_BUTTON.userClick();
    EXPECT_NE(h.errors.reports.back().description().find("source"), std::string::npos);

    // A character the file's code page lacks is refused the same way, by field.
    h.file.unrepresentable = "\u2215"; // DIVISION SLASH, a look-alike of '/'
    for (const char* field : {"source", "target"}) {
        h.errors.reports.clear();
        const bool source = std::string_view(field) == "source";
        paths(source ? "/a\u2215b.txt" : "/ok.txt", source ? "/ok.txt" : "/a\u2215b.txt");
        m.SAVE_BUTTON.userClick();
        ASSERT_EQ(h.errors.reports.size(), 1u);
        EXPECT_EQ(h.errors.reports[0].number(), errors::BadFileName);
        EXPECT_NE(h.errors.reports[0].description().find(field), std::string::npos);
        EXPECT_EQ(h.file.bytes, good);
        EXPECT_EQ(h.file.opens, 1);
    }
}

TEST_F(ImportTest, SaveStopsAtTheFailingStep)
{
    h.settings.failSaves(true);
    m.FULL_COMMAND_TEXTBOX.setText("old");
    paths("/s", "/t");
    m.SAVE_BUTTON.userClick();
    ASSERT_EQ(h.errors.reports.size(), 1u);
    EXPECT_TRUE(h.settings.writes().empty()) << "none of the ten keys is stored";
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), "old") << "no composition after the store refused";
    EXPECT_EQ(h.file.opens, 0);

    h.settings.failSaves(false);
    h.file.failOpen = true;
    m.SAVE_BUTTON.userClick();
    EXPECT_EQ(h.errors.reports.size(), 2u);
    EXPECT_EQ(m.FULL_COMMAND_TEXTBOX.text(), composedCommand(m));
    EXPECT_EQ(h.stored("SOURCE_TEXT_FILE_TEXTBOX"), "/s");
}

TEST_F(ImportTest, RunNowLaunchesTheBareBatchNameHidden)
{
    Harness other;
    other.name.name = "My Import";
    MainWindow& named = other.start();
    named.RUN_NOW_BUTTON.userClick();
    named.RUN_NOW_BUTTON.userClick();
    ASSERT_EQ(other.launcher.launches.size(), 2u);
    EXPECT_EQ(other.launcher.launches[0].commandLine, "My Import.bat");
    EXPECT_EQ(other.launcher.launches[0].style, WindowStyle::Hidden);
    EXPECT_TRUE(other.launcher.launches[0].batchFile) << "run as the file it names, never parsed as a command line";
    EXPECT_EQ(named.CURRENT_STATUS_LABEL.caption(), "READY...");

    other.launcher.fail = true;
    other.settings.clearWrites();
    named.RUN_NOW_BUTTON.userClick();
    EXPECT_EQ(other.errors.reports.size(), 1u);
    EXPECT_TRUE(other.settings.writes().empty());
    ASSERT_EQ(other.log.lines.size(), 1u) << "the box may go unseen";
    EXPECT_EQ(other.log.lines[0], "batch file \"My Import.bat\" could not be started in working directory \"" +
                                      std::filesystem::current_path().string() +
                                      "\": Error 2: No such file or directory: My Import.bat");
}

TEST_F(ImportTest, DeleteCommandLineIsTheFixedSixCharactersAndTheTarget)
{
    EXPECT_EQ(deleteCommandLine(m), "\"del \"");
    m.TARGET_TEXT_FILE_TEXTBOX.setText(std::string(SampleTargetPath));
    EXPECT_EQ(deleteCommandLine(m), "\"del \"C:\\TEST-TYPE\\TARGET-FILE.txt");
    EXPECT_EQ(deleteCommandLine(m).size(), 34u);
    m.DEL_FILE_BUTTON.userClick();
    EXPECT_TRUE(h.launcher.launches.empty()) << "the hidden button is out of the user's reach";
    deleteFileClick(m, h.launcher);
    EXPECT_EQ(h.launcher.launches.back().style, WindowStyle::NormalFocus);
    EXPECT_FALSE(h.launcher.launches.back().batchFile);
}

} // namespace
} // namespace davev::test
