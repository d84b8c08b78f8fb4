#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>
#include <windows.h>

#include "files.h"
#include "processes.h"
#include "platform/platform_error.h"
#include "platform/win32/cmd_launcher.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

using test::readFile;
using test::TempDir;

bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds bound = std::chrono::seconds(60))
{
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs each test in a temporary working directory, as the program runs in
// the directory that holds its batch file.
class Launching : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t previous[MAX_PATH + 1] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        previous_ = previous;
        ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    }
    // An interpreter may still be removing its journal when a test's last
    // check passes; the folder goes only once every one started has ended
    // (under Wine, removing a folder around a file still open never ends).
    void TearDown() override
    {
        for (const HANDLE process : started_)
            test::endProcess(process);
        SetCurrentDirectoryW(previous_.c_str());
    }

    long launch(const std::string& commandLine) { return started(launcher.launch(commandLine, WindowStyle::Hidden)); }
    long launchBatchFile(const std::string& fileName)
    {
        return started(launcher.launchBatchFile(fileName, WindowStyle::Hidden));
    }

    TempDir dir;
    CmdLauncher launcher{test::interpreterPath()};

private:
    // Held from the start, so that an ended process's id taken by another
    // cannot mislead the wait.
    long started(long id)
    {
        if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)))
            started_.push_back(process);
        return id;
    }

    std::wstring previous_;
    std::vector<HANDLE> started_;
};

TEST_F(Launching, TheRunnerBatchFileRunsHiddenThroughTheProgramsInterpreter)
{
    writeFile(dir / "source.txt", "line one\r\nline two");
    writeFile(dir / "target.txt", "old\r\n");
    writeFile(dir / "DA-VEV.bat", "type \"source.txt\" >> \"target.txt\"\r\necho. >> \"target.txt\"\r\n");

    EXPECT_GT(launch("DA-VEV.bat"), 0);
    // da-vev-cmd's echo. writes CR LF alone; the system's would write " \r\n".
    const std::string once = "old\r\nline one\r\nline two\r\n";
    EXPECT_TRUE(waitUntil([&] { return readFile(dir / "target.txt") == once; })) << readFile(dir / "target.txt");

    launch("DA-VEV.bat");
    EXPECT_TRUE(waitUntil([&] { return readFile(dir / "target.txt") == once + "line one\r\nline two\r\n"; }))
        << readFile(dir / "target.txt");
}

TEST_F(Launching, ANameWithASpaceRunsThatFileAndNotAShorterPrefix)
{
    writeFile(dir / "My Prog.bat", "echo right>> \"target.txt\"\r\n");
    // Unquoted, the interpreter would run My.bat with the argument Prog.bat.
    writeFile(dir / "My.bat", "echo wrong>> \"target.txt\"\r\n");
    writeFile(dir / "My", "not a program");

    launch("My Prog.bat");
    ASSERT_TRUE(waitUntil([&] { return !readFile(dir / "target.txt").empty(); }));
    EXPECT_EQ(readFile(dir / "target.txt"), "right\r\n");

    // Missing, the batch file is reported missing; a program "My.exe" in the
    // working directory is not started in its place.
    ASSERT_TRUE(DeleteFileW(L"My Prog.bat"));
    ASSERT_TRUE(CopyFileW(test::interpreterPath().c_str(), L"My.exe", FALSE));
    writeFile(dir / "Prog.bat", "echo wrong>> \"target.txt\"\r\n");
    try {
        launch("My Prog.bat");
        ADD_FAILURE() << "something was started for a missing My Prog.bat";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), ERROR_FILE_NOT_FOUND);
        EXPECT_NE(error.description().find("My Prog.bat"), std::string::npos) << error.description();
    }
    // The runner batch file of a program named " Nightly" is that file, never "Nightly.bat".
    writeFile(dir / "Nightly.bat", "echo wrong>> \"nightly.txt\"\r\n");
    writeFile(dir / " Nightly.bat", "echo right>> \"nightly.txt\"\r\n");
    launchBatchFile(" Nightly.bat");
    ASSERT_TRUE(waitUntil([&] { return !readFile(dir / "nightly.txt").empty(); }));
    EXPECT_EQ(readFile(dir / "nightly.txt"), "right\r\n");

    EXPECT_EQ(CmdLauncher::interpreterCommandLine(L"C:\\DA VEV\\da-vev-cmd.exe", L"C:\\w\\My Prog.bat"),
              L"\"C:\\DA VEV\\da-vev-cmd.exe\" \"C:\\w\\My Prog.bat\"");
}

TEST_F(Launching, WhatCannotBeStartedIsReportedWithTheWindowsError)
{
    try {
        launch("DA-VEV.bat");
        FAIL() << "no batch file: Run Now before any Save";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), ERROR_FILE_NOT_FOUND);
        EXPECT_NE(error.description().find("DA-VEV.bat"), std::string::npos) << error.description();
        EXPECT_GT(error.description().find(" (starting"), 0u) << "the system's text comes first";
    }
    // Without its interpreter beside it, the program says which file is missing.
    writeFile(dir / "DA-VEV.bat", "echo.>> \"target.txt\"\r\n");
    try {
        CmdLauncher(widenAnsi(dir / "missing\\da-vev-cmd.exe")).launch("DA-VEV.bat", WindowStyle::Hidden);
        FAIL() << "no interpreter";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), ERROR_FILE_NOT_FOUND);
        EXPECT_NE(error.description().find("missing\\da-vev-cmd.exe"), std::string::npos) << error.description();
    }
    // "del " names no program: del is built into the interpreter.
    try {
        launcher.launch("\"del \"C:\\TEST-TYPE\\TARGET-FILE.txt", WindowStyle::NormalFocus);
        FAIL() << "the DEL FILE command line starts nothing";
    } catch (const PlatformError& error) {
        EXPECT_NE(error.number(), 0);
    }
}

} // namespace
} // namespace davev
