#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "interpreter/core/batch_line.h"
#include "interpreter/core/file_system.h"
#include "interpreter/core/journal.h"

namespace davev::cmd {

// How long an import waits for another import to let go of its files
// before it gives up and leaves the target untouched.
inline constexpr std::chrono::milliseconds defaultLockWait = std::chrono::minutes(10);

// One import as it ended, for the trace every import leaves.
struct ImportEnd {
    std::string target;         // as the batch file names it
    std::uint64_t appended = 0; // bytes the target kept
    std::chrono::steady_clock::duration took{};
    std::optional<std::string> failure; // the first line that failed, and what became of the target
};

// An open file of a FileSystem, closed with it.
struct RunnerHandle {
    FileSystem* files = nullptr;
    OpenFile file;
    bool owned = false;
    RunnerHandle() = default;
    RunnerHandle(FileSystem& f, const OpenFile& opened) : files(&f), file(opened), owned(true) {}
    RunnerHandle(RunnerHandle&& other) noexcept;
    RunnerHandle& operator=(RunnerHandle&& other) noexcept;
    ~RunnerHandle();
};
// The import in progress: consecutive lines writing to one file.

struct RunnerImport {
    std::string name;
    RunnerHandle target;
    bool locked = false;
    std::optional<JournalPlaces> places; // found once the target is locked
    std::optional<JournalFile> journal;  // written before the first byte
    std::uint64_t startLength = 0;
    std::uint64_t appended = 0;
    std::optional<std::string> failure;
    std::chrono::steady_clock::time_point began;
};

// Runs batch lines one at a time.
//
// Consecutive lines that write to the same file make one import, which
// lands whole or not at all: when one of its lines fails, the lines after
// it do not run and the file is cut back to the length it had before the
// import. Before its first byte, an import records the file and that
// length in a journal, flushed to the disk; it removes the journal once
// everything it wrote has been flushed too. A journal found by the next
// import of the file means an import was cut off (killed, power lost): the
// file is cut back first, and that is reported.
//
// Every write to a regular file happens under an exclusive lock on it, kept
// for the whole import. A regular source is read under a shared lock, so a
// file that another import is still appending to is copied whole or not
// yet, and only up to the length it had then. Locks are taken in identity
// order and never waited for while another is held out of that order, so
// two runners cannot deadlock; a wait lasts at most lockWait.
class BatchRunner {
public:
    explicit BatchRunner(FileSystem& files, std::chrono::milliseconds lockWait = defaultLockWait);
    ~BatchRunner();
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Returns the message for a line that failed or did not run, nothing
    // when it succeeded.
    std::optional<std::string> runLine(std::string_view line);
    // Ends the import in progress: on the disk, or cut back when it failed.
    // Returns the message when it failed only now, as it was flushed.
    std::optional<std::string> finish();
    // Ends the import in progress by cutting it back, for the reason given.
    void abandon(const std::string& reason);

    // Once *flag is non-zero the copy or wait in progress is abandoned and
    // the import cut back.
    void setStopFlag(const volatile std::sig_atomic_t* flag) { stop_ = flag; }
    void onImportEnd(std::function<void(const ImportEnd&)> handler) { importEnded_ = std::move(handler); }
    // Told what belongs to no line: the repair of an import that was cut
    // off, or the failure of an import found only as it ended.
    void onNotice(std::function<void(const std::string&)> handler) { noticed_ = std::move(handler); }

private:
    using Handle = RunnerHandle;
    using Import = RunnerImport;
    enum class Wait { Taken, Unlocked, TimedOut, Stopped };

    std::optional<std::string> type(const std::string& sourceName, const std::optional<Redirection>& output);
    std::optional<std::string> echo(const std::string& bytes, const std::optional<Redirection>& output);
    std::optional<std::string> touch(const Redirection& output);

    Import& importFor(const Redirection& output);
    std::optional<std::string> openTarget(Import& import);
    std::optional<std::string> lockTarget(Import& import);
    std::optional<std::string> lockTargetAndSource(Import& import, const OpenFile& source,
                                                   const std::string& sourceName);
    std::optional<std::string> waitFailure(Wait wait, const std::string& name) const;
    Wait acquire(int handle, LockMode mode);
    // Cuts back what an import that was cut off left in the target; returns
    // the failure of the import at hand when its journal cannot be removed.
    std::optional<std::string> repair(Import& import);
    const JournalPlaces& placesOf(Import& import);
    // Journals the import before its first write and gives the offset the
    // next write goes to: the end, or 0 after emptying the file.
    std::optional<std::string> prepareWrite(Import& import, bool replace, std::uint64_t& offset);
    std::optional<std::string> copyAll(int in, int out, std::uint64_t* outOffset, std::uint64_t length,
                                       std::uint64_t& copied, const std::string& what);
    // Cuts the import back, ends its lines and returns message with what
    // became of the target.
    std::string fail(Import& import, std::string message);
    void end(Import& import);

    bool stopRequested() const { return stop_ && *stop_ != 0; }

    FileSystem& files_;
    Journals journals_;
    std::chrono::milliseconds lockWait_;
    const volatile std::sig_atomic_t* stop_ = nullptr;
    std::optional<Import> import_;
    std::function<void(const ImportEnd&)> importEnded_;
    std::function<void(const std::string&)> noticed_;
};

} // namespace davev::cmd
