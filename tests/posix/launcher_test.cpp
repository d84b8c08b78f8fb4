// Starting runner batch files and programs from a Windows-style command line.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/platform_error.h"
#include "platform/posix/command_resolution.h"
#include "platform/posix/interpreter_location.h"
#include "platform/posix/posix_launcher.h"
#include "test_support.h"

namespace davev::test {
namespace {

class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& path) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

class Launching : public ::testing::Test {
protected:
    // A runner that appends "done" to the file named "out" in the folder.
    std::string writeRunner(const std::string& name)
    {
        writeFile(dir / name, "echo.done >> \"" + out + "\"\r\n");
        return dir / name;
    }
    bool ranOnce()
    {
        return waitUntil([&] { return readFile(out) == "done\r\n"; });
    }

    int errorOf(const std::string& commandLine, std::string& text)
    {
        try {
            launcher.launch(commandLine, WindowStyle::Hidden);
        } catch (const PlatformError& error) {
            text = error.description();
            return error.number();
        }
        return 0;
    }

    TempDir dir;
    const std::string out = dir / "out";
    PosixLauncher launcher{DAVEV_CMD_PATH};
};

TEST_F(Launching, RunsBatchFilesNamedEveryWay)
{
    const std::string quoted = '"' + writeRunner("quoted name.bat") + '"';
    const std::string spaced = writeRunner("My Import.bat");
    const WorkingDirectory here(dir.path());
    writeRunner("UPPER.BAT");
    writeRunner("script.Cmd");
    for (const std::string& commandLine : {quoted, spaced, std::string("UPPER.BAT"), std::string("  script.Cmd")}) {
        std::filesystem::remove(out);
        EXPECT_GT(launcher.launch(commandLine, WindowStyle::Hidden), 0);
        EXPECT_TRUE(ranOnce()) << commandLine;
    }
}

TEST_F(Launching, RunsAnExecutableDirectlyWithItsArguments)
{
    const std::string batch = writeRunner("with space.bat");
    launcher.launch("\"" DAVEV_CMD_PATH "\" \"" + batch + "\"", WindowStyle::NormalFocus);
    EXPECT_TRUE(ranOnce());
}

TEST_F(Launching, ReportsWhatCouldNotBeStarted)
{
    writeFile(dir / "notes.txt", "text");
    ASSERT_EQ(mkdir((dir / "folder.bat").c_str(), 0755), 0);
    const WorkingDirectory here(dir.path());
    std::string text;

    EXPECT_EQ(errorOf("NightlyImport.bat", text), ENOENT);
    EXPECT_EQ(text, "No such file or directory: NightlyImport.bat");
    EXPECT_EQ(errorOf("\"del \"C:\\x.txt", text), ENOENT);
    EXPECT_EQ(text, "No such file or directory: del ");
    EXPECT_EQ(errorOf("notes.txt", text), EACCES);
    EXPECT_NE(text.find("notes.txt"), std::string::npos);
    EXPECT_EQ(errorOf("folder.bat", text), EISDIR);
    EXPECT_EQ(errorOf("", text), ENOENT);

    writeRunner("fine.bat");
    PosixLauncher noInterpreter(dir / "missing/da-vev-cmd");
    try {
        noInterpreter.launch("fine.bat", WindowStyle::Hidden);
        ADD_FAILURE() << "started without an interpreter";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), ENOENT);
        EXPECT_NE(error.description().find("missing/da-vev-cmd"), std::string::npos);
    }
}

TEST_F(Launching, AnUnquotedBatchFileNameIsNeverCutShortToAPlantedPrefix)
{
    // "My" would note its start in "planted"; as a plain file it could not start at all.
    const std::string planted = dir / "planted";
    writeFile(dir / "My", "#!/bin/sh\necho ran > \"" + planted + "\"\n");
    writeRunner("My Prog.bat");
    const WorkingDirectory here(dir.path());
    std::string text;
    for (const mode_t mode : {0755, 0644}) {
        ASSERT_EQ(chmod("My", mode), 0);
        std::filesystem::remove(out);
        EXPECT_EQ(errorOf("My Prog.bat", text), 0) << text;
        EXPECT_TRUE(ranOnce()) << "mode " << std::oct << mode;
        const ResolvedCommand command = resolveCommandLine("My Prog.bat ");
        EXPECT_EQ(command.program, "My Prog.bat");
        EXPECT_TRUE(command.isBatchFile);
    }

    // Before the first Save the batch file is missing: that is the failure, not a run of "My".
    std::filesystem::remove(dir / "My Prog.bat");
    EXPECT_EQ(errorOf("My Prog.bat", text), ENOENT);
    EXPECT_EQ(text, "No such file or directory: My Prog.bat");
    EXPECT_FALSE(exists(planted));

    // The runner batch file of a program named " Nightly" or "\"Nightly" is
    // that file, never "Nightly.bat".
    writeFile(dir / "Nightly.bat", "echo.wrong >> \"" + out + "\"\r\n");
    for (const std::string name : {" Nightly.bat", "\"Nightly.bat"}) {
        std::filesystem::remove(out);
        EXPECT_THROW(launcher.launchBatchFile(name, WindowStyle::Hidden), PlatformError) << name;
        writeRunner(name);
        EXPECT_GT(launcher.launchBatchFile(name, WindowStyle::Hidden), 0);
        EXPECT_TRUE(ranOnce()) << name;
    }

    // A program with arguments is still found by its shortest prefix.
    ASSERT_EQ(chmod("My", 0755), 0);
    const ResolvedCommand tool = resolveCommandLine("My Prog.txt \"x y\"");
    EXPECT_EQ(tool.program, "My");
    EXPECT_EQ(tool.arguments, (std::vector<std::string>{"Prog.txt", "x y"}));
}

TEST(CommandResolution, TheInterpreterNeverComesFromARelativeOrEmptyPathEntry)
{
    TempDir dir;
    const std::string fake = "#!/bin/sh\necho planted\n";
    ASSERT_TRUE(std::filesystem::create_directory(dir / "bin"));
    for (const std::string& path : {dir / "da-vev-cmd", dir / "bin/da-vev-cmd"}) {
        writeFile(path, fake);
        ASSERT_EQ(chmod(path.c_str(), 0755), 0);
    }
    const WorkingDirectory here(dir.path());
    const char* previous = getenv("PATH");
    const std::string saved = previous ? previous : "";
    setenv("PATH", ":bin:.:", 1);
    try {
        // Found in an installed location, or not at all.
        const std::string found = findCommandInterpreter();
        EXPECT_EQ(found.front(), '/') << found;
        EXPECT_NE(readFile(found), fake) << found;
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), ENOENT) << error.description();
    }
    setenv("PATH", saved.c_str(), 1);
}

TEST(CommandResolution, TheInterpreterLiesBesideTheProgramOrInItsInstallation)
{
    TempDir prefix;
    ASSERT_TRUE(std::filesystem::create_directories(prefix / "bin"));
    ASSERT_TRUE(std::filesystem::create_directories(prefix / "libexec/da-vev"));
    const std::string installed = prefix / "libexec/da-vev/da-vev-cmd";
    std::filesystem::copy_file(DAVEV_CMD_PATH, installed);
    EXPECT_EQ(std::filesystem::canonical(findCommandInterpreter(prefix / "bin")), installed);
    std::filesystem::copy_file(DAVEV_CMD_PATH, prefix / "bin/da-vev-cmd");
    EXPECT_EQ(findCommandInterpreter(prefix / "bin"), prefix / "bin/da-vev-cmd") << "as in the build tree";
}

TEST(CommandResolution, ArgumentsSplitLikeTheMicrosoftRuntime)
{
    using Words = std::vector<std::string>;
    EXPECT_EQ(splitArguments(R"( a  "b c"d "" e\f)"), (Words{"a", "b cd", "", "e\\f"}));
    EXPECT_EQ(splitArguments(R"(a\"b c\\"d e" f\\\"g "x""y")"), (Words{"a\"b", "c\\d e", "f\\\"g", "x\"y"}));
    EXPECT_EQ(splitArguments(" \t "), Words{});
}

TEST_F(Launching, TheImportOutlivesTheProgramThatStartedIt)
{
    // The runner waits for the target's lock, held here, until the
    // launching process is gone.
    writeFile(dir / "source", "late data");
    const int held = open(out.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    writeFile(dir / "Slow.bat", "type \"" + dir / "source" + "\" >> \"" + out + "\"\r\necho. >> \"" + out + "\"\r\n");

    int pidPipe[2];
    ASSERT_EQ(pipe(pidPipe), 0);
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        long started = -1;
        try {
            started = launcher.launch("\"" + dir / "Slow.bat" + "\"", WindowStyle::Hidden);
        } catch (...) {
        }
        _exit(write(pidPipe[1], &started, sizeof started) == sizeof started && started > 0 ? 0 : 1);
    }
    close(pidPipe[1]);
    long runner = -1;
    ASSERT_EQ(read(pidPipe[0], &runner, sizeof runner), static_cast<ssize_t>(sizeof runner));
    close(pidPipe[0]);
    ASSERT_EQ(waitForExit(program), 0);

    EXPECT_EQ(getsid(static_cast<pid_t>(runner)), runner) << "the runner should lead its own session";
    close(held);
    EXPECT_TRUE(waitUntil([&] { return readFile(out) == "late data\r\n"; })) << readFile(out);
}

TEST_F(Launching, LeavesNoZombieBehind)
{
    const long pid = launcher.launch('"' + writeRunner("Quick.bat") + '"', WindowStyle::Hidden);
    ASSERT_TRUE(ranOnce());
    const std::string entry = "/proc/" + std::to_string(pid);
    EXPECT_TRUE(waitUntil([&] { return !exists(entry); })) << "state: " << readFile(entry + "/stat");
}

} // namespace
} // namespace davev::test
