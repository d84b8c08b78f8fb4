// The runner on a file system in memory, with any batch text and one
// failing file operation: whatever happens, every handle and lock is let go,
// no journal is left behind that would cut a target back unless a cut-back
// itself failed, and a failed import never leaves bytes of its own in its
// target.
//
// A file cannot grow past 64 KiB: the disk is then full.
//
// Input: one byte choosing the failing operation (0 for none), one byte for
// the copy step and whether an earlier import was cut off in "t", then the
// batch file's text.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "interpreter/core/batch_runner.h"
#include "interpreter/core/journal.h"
#include "interpreter/core/run_batch.h"
#include "memory_file_system.h"

namespace {

using namespace davev;

class Checker final : public cmd::ImportReporter {
public:
    explicit Checker(test::MemoryFileSystem& files) : files_(files) {}

    void report(std::size_t, const std::string& message) override
    {
        if (message.empty())
            std::abort();
    }

    void importEnded(const cmd::ImportEnd& import) override
    {
        if (import.target == "nul" || !files_.has(import.target))
            return;
        const std::string& now = files_.content(import.target);
        std::string& before = lastKnown_[import.target];
        if (import.failure && !files_.cutBackFailed && !before.starts_with(now))
            std::abort();
        before = now;
    }

    void remember(const std::string& name) { lastKnown_[name] = files_.content(name); }

private:
    test::MemoryFileSystem& files_;
    std::map<std::string, std::string> lastKnown_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    test::MemoryFileSystem files;
    files.put("a", "alpha\r\n");
    files.put("b", std::string(300, 'b'));
    files.put("t", "target\r\n");
    files.put("u", "");
    files.failingOperation = data[0] == 0 ? -1 : data[0] - 1;
    files.copyStep = 1 + (data[1] & 0x3f);
    files.diskSize = 1 << 16; // a file appended to itself doubles each time
    const bool interrupted = (data[1] & 0x80) != 0;
    cmd::OpenFile t;
    if (interrupted && !files.openTarget("t", t)) {
        cmd::Journals journals(files);
        files.put(journals.placesOf("t", t).beside, cmd::formatJournal({t.identity, 3, 7}));
        files.close(t.handle);
    }
    files.failingOperation += interrupted ? 1 : 0;

    // Every file present before the run, the planted journal included: a
    // batch line may name any of them as its target.
    Checker checker(files);
    for (const auto& [name, id] : files.names())
        checker.remember(name);
    {
        cmd::BatchRunner runner(files, std::chrono::milliseconds(0));
        cmd::runBatch(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2), runner, checker);
    }
    if (files.openHandles() != 0 || files.locksHeld() != 0)
        std::abort();
    // A journal left behind (its removal failed) must not cut anything back
    // at the next import: it records the length its file has now.
    for (const auto& [name, id] : files.names()) {
        const auto parsed = cmd::parseJournal(files.node(id).content);
        if (!parsed)
            continue;
        const std::uint64_t length = files.node(parsed->target.file).content.size();
        const bool harmless = parsed->length >= length;
        if (!files.cutBackFailed && !harmless && !(interrupted && parsed->target == t.identity))
            std::abort();
    }
    return 0;
}
