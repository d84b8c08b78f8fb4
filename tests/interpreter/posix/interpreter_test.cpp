// da-vev-cmd run as a process on batch files, as the launcher runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <thread>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "interpreter_support.h"

namespace davev::test {
namespace {

std::string quote(const std::string& path)
{
    return "\"" + path + "\"";
}

class Interpreter : public ::testing::Test {
protected:
    // The log file and journals go to the test's own folder.
    void SetUp() override { setenv("XDG_STATE_HOME", state.c_str(), 1); }
    void TearDown() override { unsetenv("XDG_STATE_HOME"); }

    RunResult run(const std::string& batchText)
    {
        const std::string batch = dir / "Import.bat";
        writeFile(batch, batchText);
        return runInterpreter(batch, dir);
    }

    TempDir dir;
    const std::string state = dir / "state";
};

TEST_F(Interpreter, AppendsTheSourceThenALineEnd)
{
    const std::string source = dir / "SOURCE.txt";
    const std::string target = dir / "TARGET.txt";
    writeFile(source, std::string("line one\nline two\r\n\0binary\xff", 27));
    writeFile(target, "before\r\n");

    for (const char* lineEnd : {"\r\n", "\n"}) {
        const RunResult result = run(runnerLines(source, target, lineEnd));
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_EQ(result.errors, "");
    }
    const std::string copy = readFile(source) + "\r\n";
    EXPECT_EQ(readFile(target), "before\r\n" + copy + copy);
}

TEST_F(Interpreter, QuotedNamesKeepSpacesAndMetacharacters)
{
    const std::string folder = dir / "a b & c | d % e ^ f < g";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string source = folder + "/my source %PATH% ^&.txt";
    const std::string target = folder + "/my target > x.txt";
    writeFile(source, "payload");

    const RunResult result = run(runnerLines(source, target));
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(readFile(target), "payload\r\n");
}

TEST_F(Interpreter, RedirectionFormsAnyCaseAndBlankLines)
{
    writeFile(dir / "replaced", "old contents\r\n");
    const std::string unquoted = dir / "plain";
    const RunResult result = run("\r\n  \r\n  Echo.new > " + quote(dir / "replaced") + "\r\n\n" + "ECHO.a >> " +
                                 unquoted + " b\r\n" + "echo.to stdout\r\n" + "TYPE " + quote(dir / "replaced"));
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(readFile(dir / "replaced"), "new\r\n");
    // An unquoted name ends at white space; the rest belongs to the text.
    EXPECT_EQ(readFile(unquoted), "a b\r\n");
    EXPECT_EQ(result.output, "to stdout\r\nnew\r\n");
}

TEST_F(Interpreter, MissingSourceLeavesTargetsUntouchedAndLaterLinesRun)
{
    writeFile(dir / "existing", "kept");
    const RunResult result = run("type " + quote(dir / "missing") + " >> " + quote(dir / "existing") + "\r\n" +
                                 "type " + quote(dir / "missing") + " >> " + quote(dir / "new") + "\r\n" +
                                 "echo.after >> " + quote(dir / "after") + "\r\n");
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errors.find("Import.bat:1: type: cannot read \"" + dir / "missing" + "\": No such file"),
              std::string::npos)
        << result.errors;
    EXPECT_NE(result.errors.find("Import.bat:2:"), std::string::npos);
    EXPECT_EQ(readFile(dir / "existing"), "kept");
    EXPECT_FALSE(exists(dir / "new"));
    EXPECT_EQ(readFile(dir / "after"), "after\r\n");
}

TEST_F(Interpreter, DirectoriesAndUnknownCommandsFailTheirLineOnly)
{
    writeFile(dir / "s", "x");
    const RunResult result = run("type " + quote(dir / "s") + " >> " + quote(dir.path().string()) + "\r\n" + "type " +
                                 quote(dir.path().string()) + " >> " + quote(dir / "t") + "\r\n" + "del " +
                                 quote(dir / "s") + "\r\n" + "echo.still running >> " + quote(dir / "t") + "\r\n");
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errors.find(":1: cannot write"), std::string::npos) << result.errors;
    EXPECT_NE(result.errors.find(":2: type: cannot read"), std::string::npos) << result.errors;
    EXPECT_NE(result.errors.find(":3: 'del' is not recognized"), std::string::npos) << result.errors;
    EXPECT_EQ(readFile(dir / "t"), "still running\r\n");
    EXPECT_EQ(readFile(dir / "s"), "x");
}

TEST_F(Interpreter, AppendingAFileToItselfCopiesItOnce)
{
    // Larger than a copy slice of the read/write fallback, so a copy that
    // kept reading its own output would show.
    std::string content(3 << 20, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>('a' + i % 23);
    const std::string file = dir / "self.txt";
    writeFile(file, content);

    const RunResult result = run(runnerLines(file, file));
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_TRUE(readFile(file) == content + content + "\r\n");
}

TEST_F(Interpreter, ConcurrentImportsLandWholeOneAfterAnother)
{
    constexpr int runners = 8;
    constexpr std::size_t size = 1 << 20;
    const std::string target = dir / "shared target.txt";
    std::vector<int> pids;
    for (int i = 0; i < runners; ++i) {
        const std::string name = std::to_string(i);
        writeFile(dir / ("source" + name), std::string(size, static_cast<char>('A' + i)));
        writeFile(dir / ("run" + name + ".bat"), runnerLines(dir / ("source" + name), target));
    }
    for (int i = 0; i < runners; ++i)
        pids.push_back(startInterpreter(dir / ("run" + std::to_string(i) + ".bat")));
    for (const int pid : pids)
        EXPECT_EQ(waitForExit(pid), 0);

    const std::string result = readFile(target);
    ASSERT_EQ(result.size(), runners * (size + 2));
    std::string seen;
    for (std::size_t at = 0; at < result.size(); at += size + 2) {
        const char letter = result[at];
        EXPECT_EQ(result.substr(at, size), std::string(size, letter)) << "copy at " << at << " is mixed";
        EXPECT_EQ(result.substr(at + size, 2), "\r\n");
        seen += letter;
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, "ABCDEFGH");
}

TEST_F(Interpreter, RefusesRunnerFilesOthersCanChange)
{
    const std::string batch = dir / "Import.bat";
    writeFile(batch, "echo.ran >> " + quote(dir / "t") + "\r\n");

    ASSERT_EQ(chmod(batch.c_str(), 0666), 0);
    RunResult result = runInterpreter(batch, dir);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errors.find("refusing to run"), std::string::npos) << result.errors;
    EXPECT_NE(result.errors.find("every user may write it"), std::string::npos) << result.errors;
    EXPECT_FALSE(exists(dir / "t"));

    ASSERT_EQ(chmod(batch.c_str(), 0644), 0);
    if (std::system(("setfacl -m u:65534:rw " + quote(batch) + " 2>/dev/null").c_str()) == 0) {
        result = runInterpreter(batch, dir);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_NE(result.errors.find("its access control list lets user 65534"), std::string::npos) << result.errors;
        EXPECT_FALSE(exists(dir / "t"));
        ASSERT_EQ(std::system(("setfacl -b " + quote(batch)).c_str()), 0);
    } else {
        std::cerr << "skipping the access control list: the file system refuses one\n";
    }
    // A list longer than a page, which tmpfs takes and ext4 does not.
    if (char shm[] = "/dev/shm/davev-test-XXXXXX"; mkdtemp(shm)) {
        const std::string longListed = std::string(shm) + "/Import.bat";
        writeFile(longListed, "echo.ran >> " + quote(dir / "t") + "\r\n");
        std::string entries = "u:65534:rw";
        for (int id = 20000; id < 20600; ++id)
            entries += ",u:" + std::to_string(id) + ":r";
        if (std::system(("setfacl -m " + entries + " " + quote(longListed) + " 2>/dev/null").c_str()) == 0) {
            result = runInterpreter(longListed, dir);
            EXPECT_NE(result.exitCode, 0);
            EXPECT_NE(result.errors.find("its access control list lets user 65534"), std::string::npos)
                << result.errors;
            EXPECT_FALSE(exists(dir / "t"));
        }
        std::filesystem::remove_all(shm);
    }

    if (geteuid() != 0)
        GTEST_SKIP() << "giving the file to another user or group needs root";
    ASSERT_EQ(chown(batch.c_str(), 0, 65534), 0);
    ASSERT_EQ(chmod(batch.c_str(), 0664), 0);
    result = runInterpreter(batch, dir);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errors.find("its group 65534"), std::string::npos) << result.errors;
    EXPECT_FALSE(exists(dir / "t"));

    ASSERT_EQ(chmod(batch.c_str(), 0644), 0);
    ASSERT_EQ(chown(batch.c_str(), 65534, 65534), 0);
    result = runInterpreter(batch, dir);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errors.find("belongs to another user"), std::string::npos) << result.errors;
    EXPECT_FALSE(exists(dir / "t"));

    // root's group is root's user private group: its write bit lets no one else in.
    ASSERT_EQ(chown(batch.c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(batch.c_str(), 0664), 0);
    result = runInterpreter(batch, dir);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(readFile(dir / "t"), "ran\r\n");
}

TEST_F(Interpreter, AnImportThatFailsLeavesItsTargetAsItWas)
{
    const std::string source = dir / "source.txt";
    const std::string target = dir / "target.txt";
    const std::string fifo = dir / "fifo";
    const std::string socketFile = dir / "socket";
    writeFile(source, std::string(1 << 20, 's'));
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketFile.size(), sizeof address.sun_path);
    socketFile.copy(address.sun_path, socketFile.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const long before = 8; // "before\r\n"
    struct Case {
        std::string what;
        std::string batch;
        RunOptions options;
        std::string says;
    };
    const Case cases[] = {
        {"missing source", runnerLines(dir / "missing", target), {}, "1: type: cannot read"},
        {"FIFO source", runnerLines(fifo, target), {}, "it is a FIFO (named pipe), not a regular file"},
        {"FIFO target", runnerLines(source, fifo), {}, "it is a FIFO (named pipe), not a regular file"},
        {"device source", runnerLines("/dev/zero", target), {}, "it is a character device, not a regular file"},
        {"socket target", runnerLines(source, socketFile), {}, "it is a socket, not a regular file"},
        {"file-size limit in the copy", runnerLines(source, target), {before + (300 << 10)}, "File too large"},
        {"file-size limit at the line end", runnerLines(source, target), {before + (1 << 20) + 1}, "2: echo >>"},
        {"closed standard error", runnerLines(dir / "missing", target), {-1, true}, ""},
    };
    for (const Case& test : cases) {
        writeFile(target, "before\r\n");
        writeFile(dir / "Import.bat", test.batch);
        const RunResult result = runInterpreterWith(dir / "Import.bat", dir.path(), test.options);
        EXPECT_EQ(result.exitCode, 1) << test.what << ": " << result.errors;
        EXPECT_TRUE(readFile(target) == "before\r\n") << test.what;
        EXPECT_NE(result.errors.find(test.says), std::string::npos) << test.what << ": " << result.errors;
        if (test.what.starts_with("file-size")) {
            EXPECT_NE(result.errors.find("is left as it was"), std::string::npos) << result.errors;
        }
    }
    close(listener);
}

TEST_F(Interpreter, EveryImportLeavesOneLineInTheLog)
{
    if (struct stat info{}; stat("/dev/log", &info) == 0 && S_ISSOCK(info.st_mode))
        GTEST_SKIP() << "this system has a system log; the log file is written only without one";
    const std::string source = dir / "source.txt";
    const std::string log = state + "/DA-VEV/imports.log";
    writeFile(source, std::string(1024, 's'));
    ASSERT_EQ(run(runnerLines(source, dir / "t.txt")).exitCode, 0);
    ASSERT_EQ(run(runnerLines(dir / "missing", dir / "t.txt")).exitCode, 1);

    const std::string lines = readFile(log);
    const std::string batch = "import of batch file \"" + dir / "Import.bat" + "\" into \"" + dir / "t.txt" + "\": ";
    EXPECT_NE(lines.find(batch + "1026 bytes appended in "), std::string::npos) << lines;
    EXPECT_NE(lines.find(" s, succeeded\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find(batch + "0 bytes appended in "), std::string::npos) << lines;
    EXPECT_NE(lines.find(" s, failed: type: cannot read"), std::string::npos) << lines;

    // A full log file is rotated, so the log cannot grow without bound.
    const std::string full(1 << 20, 'x');
    writeFile(log, full);
    ASSERT_EQ(run(runnerLines(source, dir / "t.txt")).exitCode, 0);
    EXPECT_TRUE(readFile(log + ".1") == full);
    const std::string fresh = readFile(log);
    EXPECT_EQ(std::count(fresh.begin(), fresh.end(), '\n'), 1) << fresh;
    EXPECT_NE(fresh.find("succeeded"), std::string::npos) << fresh;
}

TEST_F(Interpreter, ALineNoLogCanTakeGoesToStandardErrorAndTheImportStands)
{
    if (struct stat info{}; stat("/dev/log", &info) == 0 && S_ISSOCK(info.st_mode))
        GTEST_SKIP() << "this system has a system log; the log file is written only without one";
    const std::string log = state + "/DA-VEV/imports.log";
    const std::string elsewhere = dir / "elsewhere.txt";
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string says;
    };
    const Case cases[] = {
        {"a FIFO", [&] { ASSERT_EQ(mkfifo(log.c_str(), 0600), 0); }, "it is a FIFO (named pipe), not a regular file"},
        {"a link", [&] { ASSERT_EQ(symlink(elsewhere.c_str(), log.c_str()), 0); },
         "it is a symbolic link, not a regular file"},
        {"no folder", [&] { writeFile(state, ""); }, "Not a directory"},
    };
    writeFile(dir / "source.txt", "new");
    writeFile(elsewhere, "kept");
    for (const Case& test : cases) {
        std::filesystem::remove_all(state);
        std::filesystem::create_directories(state + "/DA-VEV");
        if (test.says == "Not a directory")
            std::filesystem::remove_all(state);
        test.arrange();

        RunOptions bounded;
        bounded.bound = std::chrono::seconds(20);
        writeFile(dir / "Import.bat", runnerLines(dir / "source.txt", dir / "t.txt"));
        const RunResult result = runInterpreterWith(dir / "Import.bat", dir.path(), bounded);
        EXPECT_EQ(result.exitCode, 0) << test.what << ": " << result.errors;
        EXPECT_NE(result.errors.find("da-vev-cmd: a log line was lost (cannot "), std::string::npos)
            << test.what << ": " << result.errors;
        EXPECT_NE(result.errors.find(test.says + "): import of batch file"), std::string::npos)
            << test.what << ": " << result.errors;
        EXPECT_NE(result.errors.find("succeeded"), std::string::npos) << test.what << ": " << result.errors;
        EXPECT_EQ(readFile(elsewhere), "kept") << test.what;
    }
    EXPECT_EQ(readFile(dir / "t.txt"), "new\r\nnew\r\nnew\r\n");
}

TEST_F(Interpreter, AWriterStuckHoldingTheLogFileHoldsNoImportUp)
{
    if (struct stat info{}; stat("/dev/log", &info) == 0 && S_ISSOCK(info.st_mode))
        GTEST_SKIP() << "this system has a system log; the log file is written only without one";
    const std::string log = state + "/DA-VEV/imports.log";
    writeFile(dir / "source.txt", "new");
    ASSERT_EQ(run(runnerLines(dir / "source.txt", dir / "t.txt")).exitCode, 0);
    const int held = ::open(log.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    writeFile(dir / "Import.bat", runnerLines(dir / "source.txt", dir / "t.txt"));
    RunOptions bounded;
    bounded.bound = std::chrono::seconds(20);
    const RunResult result = runInterpreterWith(dir / "Import.bat", dir.path(), bounded);
    close(held);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    const std::string lines = readFile(log);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << lines;
}

TEST_F(Interpreter, AWriterThatWaitedWhileTheLogWasRotatedKeepsTheRotatedLog)
{
    if (struct stat info{}; stat("/dev/log", &info) == 0 && S_ISSOCK(info.st_mode))
        GTEST_SKIP() << "this system has a system log; the log file is written only without one";
    const std::string log = state + "/DA-VEV/imports.log";
    const std::string full(1 << 20, 'x');
    ASSERT_EQ(mkdir(state.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((state + "/DA-VEV").c_str(), 0755), 0);
    writeFile(log, full);
    writeFile(dir / "source.txt", "new");
    writeFile(dir / "Import.bat", runnerLines(dir / "source.txt", dir / "t.txt"));
    const int held = ::open(log.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, log.c_str(), IN_OPEN), 0);

    // Another import rotates the log while this one waits for its lock.
    std::thread rotator([&] {
        pollfd opened{watch, POLLIN, 0};
        poll(&opened, 1, 10000);
        rename(log.c_str(), (log + ".1").c_str());
        writeFile(log, "line of the other import\n");
        close(held);
    });
    const RunResult result = runInterpreterWith(dir / "Import.bat", dir.path(), {});
    rotator.join();
    close(watch);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_TRUE(readFile(log + ".1").starts_with(full));
    EXPECT_EQ(readFile(log), "line of the other import\n");
}

} // namespace
} // namespace davev::test
