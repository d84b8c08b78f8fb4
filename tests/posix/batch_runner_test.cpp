// The runner in this process, with copies that fail or stop part-way.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/posix/cmd/batch_runner.h"
#include "test_support.h"

namespace davev::test {
namespace {

using cmd::BatchRunner;
using cmd::KernelCopier;

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

TEST_F(Runner, FailedWriteCutsTheTargetBack)
{
    for (const std::size_t budget : {std::size_t{0}, std::size_t{300} << 10}) {
        FailingCopier copier(budget, ENOSPC);
        BatchRunner runner(copier);
        const auto failure = runner.runLine(typeLine());
        ASSERT_TRUE(failure.has_value());
        EXPECT_NE(failure->find("No space left on device"), std::string::npos) << *failure;
        EXPECT_NE(failure->find("is left as it was"), std::string::npos) << *failure;
        EXPECT_EQ(readFile(target), "previous import\r\n") << "budget " << budget;
        EXPECT_GT(copier.calls, 0);
    }
}

TEST_F(Runner, FailedReadCutsTheTargetBackAndTheNextLineStillAppends)
{
    FailingCopier copier(100 << 10, EIO);
    BatchRunner runner(copier);
    EXPECT_TRUE(runner.runLine(typeLine()).has_value());
    EXPECT_EQ(runner.runLine("echo.next >> \"" + target + "\""), std::nullopt);
    EXPECT_EQ(readFile(target), "previous import\r\nnext\r\n");
}

TEST_F(Runner, StopSignalDuringACopyCutsTheTargetBack)
{
    volatile std::sig_atomic_t stop = 0;
    FailingCopier copier(std::size_t{1} << 30, 0);
    copier.afterEachStep = [&stop] { stop = SIGTERM; };
    BatchRunner runner(copier);
    runner.setStopFlag(&stop);
    const auto failure = runner.runLine(typeLine());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(copier.calls, 1);
    EXPECT_EQ(readFile(target), "previous import\r\n");
}

TEST_F(Runner, WholeCopyWhenNothingFails)
{
    FailingCopier copier(std::size_t{1} << 30, 0);
    BatchRunner runner(copier);
    EXPECT_EQ(runner.runLine(typeLine()), std::nullopt);
    EXPECT_EQ(readFile(target), "previous import\r\n" + readFile(source));
    EXPECT_GT(copier.calls, 1) << "the copy should have gone in steps";
}

} // namespace
} // namespace davev::test
