#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "files.h"
#include "platform/posix/atomic_file_output.h"

namespace davev {
namespace {

namespace fs = std::filesystem;

struct AtomicFileOutputTest : ::testing::Test {
    test::TempDir temp;
    fs::path dir = temp.path();
    // Some cases take write access away from the directory.
    void TearDown() override { fs::permissions(dir, fs::perms::owner_all); }
    static std::string read(const fs::path& p) { return test::readFile(p); }
    void write(const std::string& text)
    {
        AtomicFileOutput out;
        out.open((dir / "R.bat").string());
        out.print(text);
        out.close();
    }
    std::size_t entries() { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }
};

TEST_F(AtomicFileOutputTest, ReplacesTheWholeFileWithTextAndCrLf)
{
    write("a long first version\r\nof two lines");
    write("short");
    EXPECT_EQ(read(dir / "R.bat"), "short\r\n");
    EXPECT_EQ(entries(), 1u) << "no temporary file is left behind";
    struct stat st {};
    ASSERT_EQ(::stat((dir / "R.bat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "never writable by others";
}

TEST_F(AtomicFileOutputTest, FailuresLeaveThePreviousFileWhole)
{
    write("previous");
    if (::geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(write("next"), PlatformError);
        fs::permissions(dir, fs::perms::owner_all);
    }
    EXPECT_EQ(read(dir / "R.bat"), "previous\r\n");

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

} // namespace
} // namespace davev
