#include "interpreter/core/batch_runner.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace davev::cmd {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Locks are polled, so a waiting import also sees its stop signal and its
// time limit; the pause grows to this so a long wait costs next to nothing.
constexpr milliseconds longestPause{50};

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

std::string describe(milliseconds wait)
{
    if (wait.count() % 60000 == 0)
        return std::to_string(wait.count() / 60000) + " minutes";
    if (wait.count() % 1000 == 0)
        return std::to_string(wait.count() / 1000) + " s";
    return std::to_string(wait.count()) + " ms";
}

} // namespace

RunnerHandle::RunnerHandle(RunnerHandle&& other) noexcept
    : files(other.files), file(other.file), owned(std::exchange(other.owned, false))
{
}

RunnerHandle& RunnerHandle::operator=(RunnerHandle&& other) noexcept
{
    if (this != &other) {
        if (owned)
            files->close(file.handle);
        files = other.files;
        file = other.file;
        owned = std::exchange(other.owned, false);
    }
    return *this;
}

RunnerHandle::~RunnerHandle()
{
    if (owned)
        files->close(file.handle);
}

BatchRunner::BatchRunner(FileSystem& files, milliseconds lockWait)
    : files_(files), journals_(files), lockWait_(lockWait)
{
}

BatchRunner::~BatchRunner()
{
    importEnded_ = nullptr;
    noticed_ = nullptr;
    abandon("the interpreter ended before the import did");
}

std::optional<std::string> BatchRunner::runLine(std::string_view line)
{
    const ParsedLine parsed = parseLine(line);
    const BatchCommand& command = parsed.command;
    if (parsed.error.empty() && command.kind == CommandKind::Nothing && !command.output)
        return std::nullopt;
    if (import_ && (!parsed.error.empty() || !command.output || command.output->path != import_->name)) {
        if (auto failure = finish(); failure && noticed_)
            noticed_(*failure);
    }
    if (!parsed.error.empty())
        return parsed.error;
    if (import_ && import_->failure)
        return "not run, as an earlier line writing " + quoted(import_->name) + " failed";
    switch (command.kind) {
    case CommandKind::Echo:
        return echo(command.text + "\r\n", command.output);
    case CommandKind::Type:
        return type(command.file, command.output);
    case CommandKind::Nothing:
        break;
    }
    return touch(*command.output);
}

BatchRunner::Import& BatchRunner::importFor(const Redirection& output)
{
    if (!import_) {
        import_.emplace();
        import_->name = output.path;
        import_->began = Clock::now();
    }
    return *import_;
}

std::optional<std::string> BatchRunner::openTarget(Import& import)
{
    if (import.target.owned)
        return std::nullopt;
    OpenFile file;
    if (auto error = files_.openTarget(import.name, file))
        return "cannot write " + quoted(import.name) + ": " + error->text;
    import.target = Handle(files_, file);
    return std::nullopt;
}

BatchRunner::Wait BatchRunner::acquire(int handle, LockMode mode)
{
    const Clock::time_point deadline = Clock::now() + lockWait_;
    milliseconds pause{1};
    while (true) {
        switch (files_.tryLock(handle, mode)) {
        case LockAttempt::Taken:
            return Wait::Taken;
        case LockAttempt::Unsupported:
            return Wait::Unlocked;
        case LockAttempt::Busy:
            break;
        }
        if (stopRequested())
            return Wait::Stopped;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return Wait::TimedOut;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, longestPause);
    }
}

std::optional<std::string> BatchRunner::waitFailure(Wait wait, const std::string& name) const
{
    switch (wait) {
    case Wait::Taken:
    case Wait::Unlocked:
        return std::nullopt;
    case Wait::Stopped:
        return "stopped by a signal while waiting for another import of " + quoted(name) + " to finish";
    case Wait::TimedOut:
        break;
    }
    return "gave up after waiting " + describe(lockWait_) + " for another import of " + quoted(name) +
           " to finish; nothing was written";
}

std::optional<std::string> BatchRunner::lockTarget(Import& import)
{
    if (import.locked || !import.target.file.regular)
        return std::nullopt;
    const Wait wait = acquire(import.target.file.handle, LockMode::Exclusive);
    import.locked = wait == Wait::Taken || wait == Wait::Unlocked;
    if (wait == Wait::Taken)
        return repair(import);
    return waitFailure(wait, import.name);
}

std::optional<std::string> BatchRunner::lockTargetAndSource(Import& import, const OpenFile& source,
                                                            const std::string& sourceName)
{
    const auto lockSource = [&] { return waitFailure(acquire(source.handle, LockMode::Shared), sourceName); };
    if (!import.target.file.regular)
        return lockSource();
    if (import.locked) {
        if (files_.tryLock(source.handle, LockMode::Shared) != LockAttempt::Busy)
            return std::nullopt;
        // Once this import has written, its target stays locked until it
        // ends; otherwise waiting here, holding the target, could deadlock
        // with a runner that holds the source and wants the target.
        if (import.journal)
            return lockSource();
        files_.unlock(import.target.file.handle);
        import.locked = false;
    }
    if (source.identity < import.target.file.identity) {
        if (auto failure = lockSource())
            return failure;
        return lockTarget(import);
    }
    if (auto failure = lockTarget(import))
        return failure;
    return lockSource();
}

const JournalPlaces& BatchRunner::placesOf(Import& import)
{
    if (!import.places)
        import.places = journals_.placesOf(import.name, import.target.file);
    return *import.places;
}

std::optional<std::string> BatchRunner::repair(Import& import)
{
    const OpenFile& target = import.target.file;
    for (const Journals::Found& found : journals_.find(placesOf(import), target)) {
        // Written after a fragment that stays, this import would be torn too,
        // and its own journal would take the fragment for the target's start.
        std::uint64_t length = 0;
        FileResult error = files_.length(target.handle, length);
        if (!error && length > found.record.length) {
            error = files_.truncate(target.handle, found.record.length);
            if (!error)
                error = files_.flush(target.handle);
        }
        if (error)
            return quoted(import.name) +
                   " holds part of an import that was cut off, and could not be cut back: " + error->text +
                   "; nothing was written";
        if (length > found.record.length && noticed_)
            noticed_(quoted(import.name) + " was cut back from " + std::to_string(length) + " to " +
                     std::to_string(found.record.length) + " bytes: an import by process " +
                     std::to_string(found.record.writer) + " was cut off part-way");
        // One that stays would cut this import back at the next, however well it ends.
        if (auto kept = journals_.remove(found.file, false))
            return "cannot write " + quoted(import.name) +
                   ": the journal of an import that was cut off cannot be removed: " + kept->text;
    }
    return std::nullopt;
}

std::optional<std::string> BatchRunner::prepareWrite(Import& import, bool replace, std::uint64_t& offset)
{
    offset = 0;
    const OpenFile& target = import.target.file;
    if (!target.regular)
        return std::nullopt;
    std::uint64_t length = 0;
    if (auto error = files_.length(target.handle, length))
        return "cannot write " + quoted(import.name) + ": " + error->text;
    if (!import.journal || (replace && import.startLength > 0)) {
        const std::uint64_t restore = replace ? 0 : import.journal ? import.startLength : length;
        const JournalRecord record{target.identity, restore, files_.processId()};
        if (auto failure = journals_.write(placesOf(import), record, import.journal))
            return "cannot write " + quoted(import.name) + ": " + *failure;
        import.startLength = restore;
    }
    if (replace) {
        if (auto error = files_.truncate(target.handle, 0))
            return "cannot replace " + quoted(import.name) + ": " + error->text;
        length = 0;
    }
    offset = length;
    return std::nullopt;
}

std::optional<std::string> BatchRunner::copyAll(int in, int out, std::uint64_t* outOffset, std::uint64_t length,
                                                std::uint64_t& copied, const std::string& what)
{
    std::uint64_t inOffset = 0;
    while (copied < length) {
        std::uint64_t moved = 0;
        const FileResult result = files_.copy(in, inOffset, out, outOffset, length - copied, moved);
        if (result && result->interrupted && !stopRequested())
            continue;
        if (result)
            return what + ": " + result->text;
        if (moved == 0)
            break; // the source was cut short meanwhile
        copied += moved;
        if (stopRequested())
            return what + ": stopped by a signal";
    }
    return std::nullopt;
}

std::optional<std::string> BatchRunner::type(const std::string& sourceName, const std::optional<Redirection>& output)
{
    OpenFile opened;
    if (auto error = files_.openSource(sourceName, opened)) {
        std::string message = "type: cannot read " + quoted(sourceName) + ": " + error->text;
        return output ? fail(importFor(*output), std::move(message)) : message;
    }
    const Handle source(files_, opened);
    std::uint64_t copied = 0;
    if (!output) {
        if (auto failure = waitFailure(acquire(opened.handle, LockMode::Shared), sourceName))
            return failure;
        std::uint64_t length = 0;
        if (auto error = files_.length(opened.handle, length))
            return "type: cannot read " + quoted(sourceName) + ": " + error->text;
        return copyAll(opened.handle, files_.standardOutput(), nullptr, length, copied, "type " + quoted(sourceName));
    }

    Import& import = importFor(*output);
    if (auto failure = openTarget(import))
        return fail(import, std::move(*failure));
    const OpenFile& target = import.target.file;
    const bool toItself = target.regular && target.identity == opened.identity;
    if (auto failure = toItself ? lockTarget(import) : lockTargetAndSource(import, opened, sourceName))
        return fail(import, std::move(*failure));
    std::uint64_t offset = 0;
    if (auto failure = prepareWrite(import, !output->append, offset))
        return fail(import, std::move(*failure));

    // Sizes are read under the locks. A file appended to itself copies what
    // it held then, once; any source copies what it held then, as later
    // writes to it are no part of this command.
    std::uint64_t length = offset;
    if (!toItself) {
        if (auto error = files_.length(opened.handle, length))
            return fail(import, "type: cannot read " + quoted(sourceName) + ": " + error->text);
    }
    const std::string what = "type " + quoted(sourceName) + (output->append ? " >> " : " > ") + quoted(output->path);
    auto failure = copyAll(opened.handle, target.handle, target.regular ? &offset : nullptr, length, copied, what);
    import.appended += copied;
    if (failure)
        return fail(import, std::move(*failure));
    return std::nullopt;
}

std::optional<std::string> BatchRunner::echo(const std::string& bytes, const std::optional<Redirection>& output)
{
    std::uint64_t written = 0;
    if (!output) {
        if (auto error = files_.write(files_.standardOutput(), nullptr, bytes, written))
            return "echo: " + error->text;
        return std::nullopt;
    }
    Import& import = importFor(*output);
    if (auto failure = openTarget(import))
        return fail(import, std::move(*failure));
    if (auto failure = lockTarget(import))
        return fail(import, std::move(*failure));
    std::uint64_t offset = 0;
    if (auto failure = prepareWrite(import, !output->append, offset))
        return fail(import, std::move(*failure));
    const OpenFile& target = import.target.file;
    const FileResult error = files_.write(target.handle, target.regular ? &offset : nullptr, bytes, written);
    import.appended += written;
    if (error)
        return fail(import,
                    "echo " + std::string(output->append ? ">> " : "> ") + quoted(output->path) + ": " + error->text);
    return std::nullopt;
}

std::optional<std::string> BatchRunner::touch(const Redirection& output)
{
    Import& import = importFor(output);
    if (auto failure = openTarget(import))
        return fail(import, std::move(*failure));
    if (auto failure = lockTarget(import))
        return fail(import, std::move(*failure));
    if (output.append)
        return std::nullopt;
    std::uint64_t offset = 0;
    if (auto failure = prepareWrite(import, true, offset))
        return fail(import, std::move(*failure));
    return std::nullopt;
}

std::string BatchRunner::fail(Import& import, std::string message)
{
    if (import.failure)
        return message;
    if (import.journal) {
        const OpenFile& target = import.target.file;
        FileResult error = files_.truncate(target.handle, import.startLength);
        if (!error)
            error = files_.flush(target.handle);
        if (error) {
            // The journal stays, so the next import of the file cuts it back.
            message += "; " + quoted(import.name) + " could not be cut back: " + error->text;
        } else {
            // One that stays records the length the target has now: harmless.
            static_cast<void>(journals_.remove(*import.journal, true));
            message += "; " + quoted(import.name) + " is left as it was";
            import.appended = 0;
        }
        import.journal.reset();
    }
    import.failure = message;
    import.target = Handle();
    import.locked = false;
    return message;
}

std::optional<std::string> BatchRunner::finish()
{
    if (!import_)
        return std::nullopt;
    Import& import = *import_;
    std::optional<std::string> failure;
    if (!import.failure && import.journal) {
        const OpenFile& target = import.target.file;
        std::uint64_t length = 0;
        if (auto error = files_.flush(target.handle); error || (error = files_.length(target.handle, length))) {
            failure = fail(import, "cannot write " + quoted(import.name) + ": " + error->text);
        } else if (auto kept = journals_.remove(*import.journal, true)) {
            // Left in place, the journal would undo this import at the next.
            failure = fail(import, "cannot finish the import into " + quoted(import.name) +
                                       ": its journal cannot be removed: " + kept->text);
        } else {
            import.appended = length - std::min(length, import.startLength);
        }
    }
    end(import);
    return failure;
}

void BatchRunner::abandon(const std::string& reason)
{
    if (!import_)
        return;
    fail(*import_, reason);
    end(*import_);
}

void BatchRunner::end(Import& import)
{
    ImportEnd ended{import.name, import.appended, Clock::now() - import.began, import.failure};
    import_.reset();
    if (importEnded_)
        importEnded_(ended);
}

} // namespace davev::cmd
