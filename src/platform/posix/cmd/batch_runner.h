#pragma once

#include <csignal>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "platform/posix/cmd/batch_line.h"
#include "platform/posix/cmd/byte_copier.h"
#include "platform/posix/cmd/file_descriptor.h"

namespace davev::cmd {

// Runs batch lines one at a time.
//
// Every write to a regular file happens under an exclusive flock on it, and
// the lock is kept while the following lines write to the same file, so the
// "type" and "echo." of one runner land together even when several runners
// share a target. A regular source is read under a shared lock, so a file
// that another import is still appending to is copied whole or not yet.
// Locks are taken in (device, inode) order and never waited for while
// another is held out of that order, so two runners cannot deadlock.
//
// An append is all or nothing: when copying fails or is stopped part-way the
// target is cut back to the length it had.
class BatchRunner {
public:
    explicit BatchRunner(ByteCopier& copier, int standardOutput = 1);

    // Returns the message for a line that failed, nothing when it succeeded.
    std::optional<std::string> runLine(std::string_view line);

    // Once *flag is non-zero the copy in progress is abandoned and cut back.
    void setStopFlag(const volatile std::sig_atomic_t* flag) { stop_ = flag; }

private:
    struct Target {
        FileDescriptor fd;
        dev_t device = 0;
        ino_t inode = 0;
        bool regular = false;
        bool locked = false;
        std::string name;
    };
    enum class Lock { Taken, Busy, Stopped };

    std::optional<std::string> type(const std::string& sourceName, const std::optional<Redirection>& output);
    std::optional<std::string> echo(const std::string& bytes, const std::optional<Redirection>& output);
    std::optional<std::string> openOnly(const Redirection& output);

    std::optional<std::string> openTarget(const Redirection& output);
    Lock lock(int fd, int operation) const;
    Lock lockTarget();
    Lock lockTargetAndSource(int source, dev_t sourceDevice, ino_t sourceInode);
    // Sets `start` to the offset appending starts at: the end, or 0 after
    // replacing the content; an error when neither can be done.
    std::optional<std::string> startOffset(const Redirection& output, off_t& start);
    std::string cutBack(off_t length, int error, const std::string& what);
    bool stopRequested() const { return stop_ && *stop_ != 0; }

    ByteCopier& copier_;
    int standardOutput_;
    const volatile std::sig_atomic_t* stop_ = nullptr;
    std::optional<Target> target_;
};

} // namespace davev::cmd
