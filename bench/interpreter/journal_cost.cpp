// What the import journal costs: imports of a 1 KiB and a 1 GiB source
// through the runner on real files, alternately with the journal and with
// its operations left out (the target is flushed either way), and one
// fdatasync of a small file as the anchor for "one extra flush".
// Usage: journal_cost_bench [FOLDER] [SMALL_RUNS] [LARGE_RUNS]
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "interpreter/core/batch_runner.h"
#include "interpreter/posix/byte_copier.h"
#include "interpreter/posix/posix_file_system.h"

namespace {

using namespace davev::cmd;
using Clock = std::chrono::steady_clock;

// Every operation of the real file system, but none on the journal's files:
// there is never a journal to find, and writing or removing one costs nothing.
class WithoutJournal final : public FileSystem {
public:
    explicit WithoutJournal(FileSystem& real) : real_(real) {}
    FileResult openSource(const std::string& name, OpenFile& file) override { return real_.openSource(name, file); }
    FileResult openTarget(const std::string& name, OpenFile& file) override { return real_.openTarget(name, file); }
    int standardOutput() override { return real_.standardOutput(); }
    void close(int handle) override { real_.close(handle); }
    LockAttempt tryLock(int handle, LockMode mode) override { return real_.tryLock(handle, mode); }
    void unlock(int handle) override { real_.unlock(handle); }
    FileResult length(int handle, std::uint64_t& length) override { return real_.length(handle, length); }
    FileResult truncate(int handle, std::uint64_t length) override { return real_.truncate(handle, length); }
    FileResult flush(int handle) override { return real_.flush(handle); }
    FileResult copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset, std::uint64_t length,
                    std::uint64_t& copied) override
    {
        return real_.copy(in, inOffset, out, outOffset, length, copied);
    }
    FileResult write(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& written) override
    {
        return real_.write(out, outOffset, bytes, written);
    }
    std::string folderOf(const std::string&, const OpenFile&) override { return "."; }
    std::string userFolder() override { return {}; }
    std::string pathIn(const std::string& folder, std::string_view name) override
    {
        return folder + "/" + std::string(name);
    }
    FileResult makeFolder(const std::string&) override { return std::nullopt; }
    SmallFile readSmallFile(const std::string&, std::size_t) override { return SmallFile{}; }
    FileResult replaceSmallFile(const std::string&, std::string_view, FileIdentity&) override { return std::nullopt; }
    Removal removeSmallFile(const std::string&, const FileIdentity&, FileError&) override { return Removal::Removed; }
    std::uint64_t processId() override { return real_.processId(); }

private:
    FileSystem& real_;
};

double millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void makeFile(const std::string& path, std::size_t size)
{
    std::vector<char> block(1 << 20);
    std::mt19937 random(7);
    for (char& c : block)
        c = static_cast<char>('a' + random() % 26);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t done = 0; done < size;) {
        const std::size_t piece = std::min(block.size(), size - done);
        if (::write(fd, block.data(), piece) != static_cast<ssize_t>(piece))
            std::exit(1);
        done += piece;
    }
    fsync(fd);
    ::close(fd);
}

Clock::duration importOnce(FileSystem& files, const std::string& source, const std::string& target)
{
    if (::truncate(target.c_str(), 0) != 0 && errno != ENOENT)
        std::exit(1);
    sync(); // each import starts with nothing left to write back
    const auto start = Clock::now();
    BatchRunner runner(files);
    const bool ok = !runner.runLine("type \"" + source + "\" >> \"" + target + "\"") &&
                    !runner.runLine("echo. >> \"" + target + "\"") && !runner.finish();
    const auto took = Clock::now() - start;
    if (!ok)
        std::exit(1);
    return took;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void compare(const char* what, FileSystem& with, FileSystem& without, const std::string& source,
             const std::string& target, int runs)
{
    std::vector<double> journaled;
    std::vector<double> bare;
    importOnce(with, source, target); // warm the caches
    for (int run = 0; run < runs; ++run) {
        // Alternating which goes first evens out what one leaves the other.
        if (run % 2 == 0)
            journaled.push_back(millis(importOnce(with, source, target)));
        bare.push_back(millis(importOnce(without, source, target)));
        if (run % 2 == 1)
            journaled.push_back(millis(importOnce(with, source, target)));
    }
    std::printf("%-8s with journal %9.3f ms   without %9.3f ms   journal costs %8.3f ms  (medians of %d)\n", what,
                median(journaled), median(bare), median(journaled) - median(bare), runs);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string parent = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const int smallRuns = argc > 2 ? std::atoi(argv[2]) : 200;
    const int largeRuns = argc > 3 ? std::atoi(argv[3]) : 5;
    std::string pattern = parent + "/davev-journal-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return 1;
    const std::string folder = pattern;
    makeFile(folder + "/small", 1024);
    makeFile(folder + "/large", std::size_t{1} << 30);

    KernelCopier copier;
    PosixFileSystem files(copier, folder + "/state");
    WithoutJournal bare(files);

    std::vector<double> flushes;
    const int fd = ::open((folder + "/anchor").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (int run = 0; run < smallRuns; ++run) {
        if (pwrite(fd, "x", 1, run) != 1)
            return 1;
        const auto start = Clock::now();
        fdatasync(fd);
        flushes.push_back(millis(Clock::now() - start));
    }
    ::close(fd);
    std::printf("anchor: one fdatasync of a 1-byte write %9.3f ms  (median of %d)\n", median(flushes), smallRuns);

    compare("1 KiB", files, bare, folder + "/small", folder + "/target", smallRuns);
    compare("1 GiB", files, bare, folder + "/large", folder + "/target", largeRuns);
    std::filesystem::remove_all(folder);
    return 0;
}
