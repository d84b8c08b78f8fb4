// The runner in this process, with copies that fail or stop part-way.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

#include "interpreter/core/batch_runner.h"
#include "interpreter/core/journal.h"
#include "interpreter/core/run_batch.h"
#include "interpreter/posix/posix_file_system.h"
#include "test_support.h"

namespace davev::test {
namespace {

using cmd::BatchRunner;
using cmd::KernelCopier;
using cmd::PosixFileSystem;

// Copies for real, in small steps, until a byte budget is spent; then fails.
class FailingCopier : public cmd::ByteCopier {
public:
    FailingCopier(std::size_t budget, int error) : budget_(budget), error_(error) {}

    long copy(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t length) override
    {
        ++calls;
        if (budget_ == 0) {
            errno = error_;
            return -1;
        }
        const long copied = real_.copy(in, inOffset, out, outOffset, std::min({length, budget_, step}));
        if (copied > 0)
            budget_ -= static_cast<std::size_t>(copied);
        if (afterEachStep)
            afterEachStep();
        return copied;
    }

    std::function<void()> afterEachStep;
    int calls = 0;

private:
    static constexpr std::size_t step = 64 << 10;
    KernelCopier real_;
    std::size_t budget_;
    int error_;
};

class Runner : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(source, std::string(1 << 20, 's'));
        writeFile(target, "previous import\r\n");
    }
    std::string typeLine() const { return "type \"" + source + "\" >> \"" + target + "\""; }

    TempDir dir;
    const std::string source = dir / "source.txt";
    const std::string target = dir / "target.txt";
};

// The tests' setting may shorten the bound, never lift it nor make it zero
// by mistake.
TEST_F(Runner, TheLockWaitSettingOnlyShortensTheBound)
{
    using std::chrono::milliseconds;
    EXPECT_EQ(cmd::lockWaitFrom("250"), milliseconds(250));
    EXPECT_EQ(cmd::lockWaitFrom(nullptr), cmd::defaultLockWait);
    for (const char* setting : {"", "x", "-1", "250ms", "99999999999999999999", "3600000"})
        EXPECT_EQ(cmd::lockWaitFrom(setting), cmd::defaultLockWait) << setting;
}

TEST_F(Runner, FailedCopyCutsTheTargetBackAndEndsItsImport)
{
    const std::pair<std::size_t, int> failures[] = {{0, ENOSPC}, {300 << 10, ENOSPC}, {100 << 10, EIO}};
    for (const auto& [budget, error] : failures) {
        FailingCopier copier(budget, error);
        PosixFileSystem files(copier, dir / "state");
        BatchRunner runner(files);
        const auto failure = runner.runLine(typeLine());
        ASSERT_TRUE(failure.has_value());
        EXPECT_NE(failure->find(std::strerror(error)), std::string::npos) << *failure;
        EXPECT_NE(failure->find("is left as it was"), std::string::npos) << *failure;
        EXPECT_EQ(readFile(target), "previous import\r\n") << "budget " << budget;
    }
    FailingCopier copier(100 << 10, EIO);
    PosixFileSystem files(copier, dir / "state");
    BatchRunner runner(files);
    EXPECT_TRUE(runner.runLine(typeLine()).has_value());
    // The line end of the failed import is no part of the target either,
    // while a line writing elsewhere starts an import of its own.
    const auto skipped = runner.runLine("echo. >> \"" + target + "\"");
    ASSERT_TRUE(skipped.has_value());
    EXPECT_NE(skipped->find("not run"), std::string::npos) << *skipped;
    EXPECT_EQ(runner.runLine("echo.elsewhere >> \"" + dir / "other.txt" + "\""), std::nullopt);
    EXPECT_EQ(runner.runLine("echo.next >> \"" + target + "\""), std::nullopt);
    EXPECT_EQ(runner.finish(), std::nullopt);
    EXPECT_EQ(readFile(target), "previous import\r\nnext\r\n");
    EXPECT_EQ(readFile(dir / "other.txt"), "elsewhere\r\n");
}

TEST_F(Runner, StopSignalDuringACopyCutsTheTargetBack)
{
    volatile std::sig_atomic_t stop = 0;
    FailingCopier copier(std::size_t{1} << 30, 0);
    copier.afterEachStep = [&stop] { stop = SIGTERM; };
    PosixFileSystem files(copier, dir / "state");
    BatchRunner runner(files);
    runner.setStopFlag(&stop);
    const auto failure = runner.runLine(typeLine());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(copier.calls, 1);
    EXPECT_EQ(readFile(target), "previous import\r\n");
}

TEST_F(Runner, ASourceThatGrowsMeanwhileIsCopiedAsItWasWhenTheImportBegan)
{
    FailingCopier copier(std::size_t{1} << 30, 0);
    copier.afterEachStep = [this] { std::ofstream(source, std::ios::app) << std::string(64 << 10, 'g'); };
    PosixFileSystem files(copier, dir / "state");
    BatchRunner runner(files);
    EXPECT_EQ(runner.runLine(typeLine()), std::nullopt);
    EXPECT_EQ(runner.finish(), std::nullopt);
    EXPECT_TRUE(readFile(target) == "previous import\r\n" + std::string(1 << 20, 's'));
}

TEST_F(Runner, AnImportWhoseFolderIsMovedMeanwhileIsNeverUndoneOnceItSucceeded)
{
    const std::string folder = dir / "before";
    const std::string moved = dir / "after";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    writeFile(folder + "/target.txt", "previous import\r\n");
    FailingCopier copier(std::size_t{1} << 30, 0);
    copier.afterEachStep = [&] { std::rename(folder.c_str(), moved.c_str()); };
    PosixFileSystem files(copier, dir / "state");
    BatchRunner runner(files);
    EXPECT_EQ(runner.runLine("type \"" + source + "\" >> \"" + folder + "/target.txt\""), std::nullopt);
    const bool succeeded = !runner.finish().has_value();

    KernelCopier kernel;
    PosixFileSystem plain(kernel, dir / "state");
    BatchRunner next(plain);
    EXPECT_EQ(next.runLine("type \"" + source + "\" >> \"" + moved + "/target.txt\""), std::nullopt);
    EXPECT_EQ(next.finish(), std::nullopt);
    const std::string copy = readFile(source);
    EXPECT_TRUE(readFile(moved + "/target.txt") == "previous import\r\n" + copy + (succeeded ? copy : ""))
        << (succeeded ? "the import that succeeded was undone" : "");
}

// Files that cannot be cut back, as on a failing disk.
class UncuttableFiles final : public PosixFileSystem {
public:
    using PosixFileSystem::PosixFileSystem;
    cmd::FileResult truncate(int, std::uint64_t) override { return cmd::FileError{"Input/output error"}; }
};

TEST_F(Runner, ATargetThatCannotBeCutBackTakesNoFurtherImport)
{
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    const cmd::FileIdentity identity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    const std::string before = readFile(target);
    // What an import that was cut off leaves: a fragment and its journal.
    std::ofstream(target, std::ios::app) << "fragment";
    std::ofstream(dir / (".da-vev-journal-" + std::to_string(identity.device) + "-" + std::to_string(identity.file)))
        << cmd::formatJournal({identity, before.size(), 1});

    KernelCopier copier;
    UncuttableFiles uncuttable(copier, dir / "state");
    BatchRunner failing(uncuttable);
    const auto failure = failing.runLine(typeLine());
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("could not be cut back: Input/output error; nothing was written"), std::string::npos)
        << *failure;
    failing.finish();
    EXPECT_EQ(readFile(target), before + "fragment");

    PosixFileSystem files(copier, dir / "state");
    BatchRunner runner(files);
    EXPECT_EQ(runner.runLine(typeLine()), std::nullopt);
    EXPECT_EQ(runner.finish(), std::nullopt);
    EXPECT_TRUE(readFile(target) == before + readFile(source));
}

} // namespace
} // namespace davev::test
