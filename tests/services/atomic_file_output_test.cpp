#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "files.h"
#include "platform/posix/atomic_file_output.h"

namespace davev {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

constexpr uid_t ordinaryUser = 65534; // nobody
constexpr int unreachable = 200;

void touch(const fs::path& path)
{
    std::ofstream(path) << "leftover";
}

// Runs body in a child process and returns its result (an error number, 0
// for success). Root's writes ignore permission bits, so with asOrdinaryUser
// a root test drops to an ordinary user first.
int inChildProcess(const std::function<int()>& body, bool asOrdinaryUser = false)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (asOrdinaryUser && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(ordinaryUser) != 0 || ::setuid(ordinaryUser) != 0))
            ::_exit(unreachable);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct AtomicFileOutputTest : ::testing::Test {
    test::TempDir temp;
    fs::path dir = temp.path();
    // Some cases take write access away from the directory.
    void TearDown() override { fs::permissions(dir, fs::perms::owner_all); }
    static std::string read(const fs::path& p) { return test::readFile(p); }
    void write(const std::string& text, const std::string& name = "R.bat")
    {
        AtomicFileOutput out;
        out.open((dir / name).string());
        out.print(text);
        out.close();
    }
    int errorOf(const std::string& text, const std::string& name = "R.bat")
    {
        try {
            write(text, name);
        } catch (const PlatformError& error) {
            message = error.description();
            return error.number();
        }
        return 0;
    }
    std::size_t entries() { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }
    static Names names(const fs::path& in)
    {
        Names found;
        for (const auto& entry : fs::directory_iterator(in))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    static mode_t modeOf(const fs::path& p)
    {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_mode & 0777;
    }
    static ino_t inodeOf(const fs::path& p)
    {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_ino;
    }
    std::string message;
};

TEST_F(AtomicFileOutputTest, ReplacesTheWholeFileWithTextAndCrLf)
{
    write("a long first version\r\nof two lines");
    write("short");
    EXPECT_EQ(read(dir / "R.bat"), "short\r\n");
    EXPECT_EQ(entries(), 1u) << "no temporary file is left behind";
    struct stat st {};
    ASSERT_EQ(::stat((dir / "R.bat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0022, 0u) << "never writable by others";
}

TEST_F(AtomicFileOutputTest, FailuresLeaveThePreviousFileWhole)
{
    write("previous");
    fs::create_directory(dir / "D.bat");
    AtomicFileOutput out;
    try {
        out.open((dir / "D.bat").string());
        FAIL() << "a directory of that name must fail";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), EISDIR);
        EXPECT_NE(error.description().find("D.bat"), std::string::npos);
    }
    EXPECT_THROW(out.open((dir / "missing" / "X.bat").string()), PlatformError);
    EXPECT_THROW(out.print("no file"), PlatformError);
    EXPECT_EQ(read(dir / "R.bat"), "previous\r\n");
    EXPECT_EQ(entries(), 2u);
}

TEST_F(AtomicFileOutputTest, AnAbandonedWriteLeavesNothing)
{
    write("kept");
    {
        AtomicFileOutput out;
        out.open((dir / "R.bat").string());
        out.print("never closed");
    }
    EXPECT_EQ(read(dir / "R.bat"), "kept\r\n");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFileOutputTest, AFileMadeReadOnlyIsRefusedAndLeftAlone)
{
    write("previous");
    fs::permissions(dir / "R.bat", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(errorOf("next"), EACCES);
    EXPECT_NE(message.find("R.bat (the file is read-only)"), std::string::npos) << message;
    EXPECT_EQ(read(dir / "R.bat"), "previous\r\n");
    EXPECT_EQ(modeOf(dir / "R.bat"), 0444u);
    EXPECT_EQ(names(dir), Names{"R.bat"});
}

TEST_F(AtomicFileOutputTest, AFileThatAlreadyHoldsTheTextIsLeftUntouchedYetStillChecked)
{
    const auto mtimeOf = [](const fs::path& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_mtim.tv_sec;
    };
    const fs::path file = dir / "R.bat";
    write("same");
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    const ino_t inode = inodeOf(file);
    write("same");
    EXPECT_EQ(inodeOf(file), inode) << "not replaced";
    EXPECT_EQ(mtimeOf(file), 1000000000) << "not rewritten";
    EXPECT_EQ(names(dir), Names{"R.bat"});

    write("sane"); // same length, other bytes
    EXPECT_NE(inodeOf(file), inode);
    EXPECT_EQ(read(file), "sane\r\n");

    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(errorOf("sane"), EACCES) << "a read-only file is refused even when it holds the text";
    EXPECT_NE(message.find("(the file is read-only)"), std::string::npos) << message;
    EXPECT_EQ(names(dir), Names{"R.bat"});
}

TEST_F(AtomicFileOutputTest, WritesThroughSymbolicLinksToTheirTarget)
{
    fs::create_directory(dir / "real");
    write("old", "real/R.bat");
    fs::permissions(dir / "real/R.bat", fs::perms::owner_read | fs::perms::owner_write);
    const ino_t before = inodeOf(dir / "real/R.bat");
    fs::create_symlink("real/R.bat", dir / "link.bat");
    fs::create_symlink(dir / "link.bat", dir / "chain.bat");

    write("new", "chain.bat");
    EXPECT_TRUE(fs::is_symlink(dir / "link.bat"));
    EXPECT_TRUE(fs::is_symlink(dir / "chain.bat"));
    EXPECT_EQ(read(dir / "real/R.bat"), "new\r\n");
    EXPECT_NE(inodeOf(dir / "real/R.bat"), before) << "replaced whole, not rewritten";
    EXPECT_EQ(modeOf(dir / "real/R.bat"), 0600u);
    EXPECT_EQ(names(dir / "real"), Names{"R.bat"});

    fs::create_symlink("real/New.bat", dir / "dangling.bat");
    write("created", "dangling.bat");
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.bat"));
    EXPECT_EQ(read(dir / "real/New.bat"), "created\r\n");
    EXPECT_EQ(names(dir), (Names{"chain.bat", "dangling.bat", "link.bat", "real"}));
}

TEST_F(AtomicFileOutputTest, ANewFileTakesTheUmaskAnExistingOneKeepsModeAndOwner)
{
    for (const auto& [mask, expected] : {std::pair<mode_t, mode_t>{077, 0600}, {027, 0640}, {022, 0644}, {002, 0644}}) {
        const mode_t previous = ::umask(mask);
        write("x", "U.bat");
        ::umask(previous);
        EXPECT_EQ(modeOf(dir / "U.bat"), expected) << "umask " << std::oct << mask;
        fs::remove(dir / "U.bat");
    }
    write("x", "K.bat");
    fs::permissions(dir / "K.bat", fs::perms::owner_read | fs::perms::owner_write);
    write("y", "K.bat");
    EXPECT_EQ(modeOf(dir / "K.bat"), 0600u) << "an existing file keeps its mode";
    if (::geteuid() == 0) {
        // Root saving a user's batch file leaves it the user's, or the interpreter refuses it.
        ASSERT_EQ(::chown((dir / "K.bat").c_str(), ordinaryUser, ordinaryUser), 0);
        write("z", "K.bat");
        struct stat st {};
        ASSERT_EQ(::stat((dir / "K.bat").c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, ordinaryUser);
        EXPECT_EQ(st.st_gid, ordinaryUser);
        EXPECT_EQ(read(dir / "K.bat"), "z\r\n");
    }
}

TEST_F(AtomicFileOutputTest, InADirectoryTheUserCannotWriteTheFileIsRewrittenInPlace)
{
    write("a longer previous version");
    const ino_t before = inodeOf(dir / "R.bat");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.c_str(), ordinaryUser, ordinaryUser), 0);
        ASSERT_EQ(::chown((dir / "R.bat").c_str(), ordinaryUser, ordinaryUser), 0);
    }
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    auto saveAsUser = [&](const std::string& text, const std::string& name) {
        return inChildProcess([&] { return ::access(dir.c_str(), X_OK) == 0 ? errorOf(text, name) : unreachable; },
                              true);
    };

    const int result = saveAsUser("next", "R.bat");
    if (result == unreachable)
        GTEST_SKIP() << "an ordinary user cannot reach " << dir;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(read(dir / "R.bat"), "next\r\n");
    EXPECT_EQ(inodeOf(dir / "R.bat"), before);
    EXPECT_EQ(saveAsUser("new", "New.bat"), EACCES) << "no file to rewrite";
    EXPECT_EQ(names(dir), Names{"R.bat"});
}

TEST_F(AtomicFileOutputTest, NoTemporaryFileOutlivesAFailedWriteOrACrash)
{
    write("kept");
    // A file-size limit refuses the write as a full disk would.
    EXPECT_EQ(inChildProcess([&] {
                  std::signal(SIGXFSZ, SIG_IGN);
                  const rlimit limit{4, 4};
                  ::setrlimit(RLIMIT_FSIZE, &limit);
                  return errorOf("far more than four bytes");
              }),
              EFBIG);
    EXPECT_EQ(read(dir / "R.bat"), "kept\r\n");
    EXPECT_EQ(names(dir), Names{"R.bat"});

    const auto killedMidWrite = [&] {
        inChildProcess([&] {
            AtomicFileOutput out;
            out.open((dir / "R.bat").string());
            out.print("half");
            ::raise(SIGKILL);
            return 0;
        });
    };
    // The replacement of a file is made only once its text is complete.
    killedMidWrite();
    EXPECT_EQ(names(dir), Names{"R.bat"});
    // A program killed writing a new file leaves its temporary file behind.
    fs::remove(dir / "R.bat");
    killedMidWrite();
    ASSERT_EQ(entries(), 1u);
    // Others' files and one still being written by a live program stay.
    const Names kept{".Other.bat.7.saving", ".R.bat.77.saving", ".R.bat.saving", ".R.bat.x1.saving", "R.bat",
                     "R.bat.1.saving"};
    for (const std::string& name : kept)
        if (name != "R.bat")
            touch(dir / name);
    touch(dir / ".R.bat.4242.saving");
    const int live = ::open((dir / ".R.bat.77.saving").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    write("next");
    ::close(live);
    EXPECT_EQ(read(dir / "R.bat"), "next\r\n");
    EXPECT_EQ(names(dir), kept);
}

} // namespace
} // namespace davev
