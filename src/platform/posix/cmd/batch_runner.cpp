#include "platform/posix/cmd/batch_runner.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>

#include "platform/posix/errno_text.h"

namespace davev::cmd {

namespace {

constexpr std::size_t unboundedSlice = std::size_t{1} << 30;

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

bool isNullDevice(const std::string& name)
{
    return strcasecmp(name.c_str(), "nul") == 0 || strcasecmp(name.c_str(), "nul:") == 0;
}

} // namespace

BatchRunner::BatchRunner(ByteCopier& copier, int standardOutput) : copier_(copier), standardOutput_(standardOutput) {}

std::optional<std::string> BatchRunner::runLine(std::string_view line)
{
    const ParsedLine parsed = parseLine(line);
    if (!parsed.error.empty())
        return parsed.error;
    const BatchCommand& command = parsed.command;
    switch (command.kind) {
    case CommandKind::Echo:
        return echo(command.text + "\r\n", command.output);
    case CommandKind::Type:
        return type(command.file, command.output);
    case CommandKind::Nothing:
        break;
    }
    return command.output ? openOnly(*command.output) : std::nullopt;
}

std::optional<std::string> BatchRunner::openTarget(const Redirection& output)
{
    const std::string name = isNullDevice(output.path) ? std::string("/dev/null") : output.path;
    // No O_APPEND: copy_file_range refuses such descriptors, and the end is
    // found under the lock anyway. No O_TRUNC: replacing waits for the lock.
    FileDescriptor fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
    if (!fd)
        return "cannot write " + quoted(output.path) + ": " + errnoText(errno);
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        return "cannot write " + quoted(output.path) + ": " + errnoText(errno);
    if (target_ && target_->device == info.st_dev && target_->inode == info.st_ino) {
        target_->name = output.path;
        return std::nullopt;
    }
    target_.reset();
    target_ = Target{std::move(fd), info.st_dev, info.st_ino, S_ISREG(info.st_mode), false, output.path};
    return std::nullopt;
}

BatchRunner::Lock BatchRunner::lock(int fd, int operation) const
{
    while (flock(fd, operation) != 0) {
        if (errno == EINTR) {
            if (stopRequested())
                return Lock::Stopped;
            continue;
        }
        if (errno == EWOULDBLOCK)
            return Lock::Busy;
        // A file system without locks is written unlocked, as Windows would.
        break;
    }
    return Lock::Taken;
}

BatchRunner::Lock BatchRunner::lockTarget()
{
    if (target_->locked || !target_->regular)
        return Lock::Taken;
    const Lock result = lock(target_->fd.get(), LOCK_EX);
    target_->locked = result == Lock::Taken;
    return result;
}

BatchRunner::Lock BatchRunner::lockTargetAndSource(int source, dev_t sourceDevice, ino_t sourceInode)
{
    Target& target = *target_;
    if (target.locked) {
        if (lock(source, LOCK_SH | LOCK_NB) == Lock::Taken)
            return Lock::Taken;
        // Waiting here, holding the target, could deadlock with a runner
        // that holds the source and wants the target: start over in order.
        flock(target.fd.get(), LOCK_UN);
        target.locked = false;
    }
    if (!target.regular)
        return lock(source, LOCK_SH);
    const bool sourceFirst = std::pair(sourceDevice, sourceInode) < std::pair(target.device, target.inode);
    if (sourceFirst) {
        if (const Lock result = lock(source, LOCK_SH); result != Lock::Taken)
            return result;
        return lockTarget();
    }
    if (const Lock result = lockTarget(); result != Lock::Taken)
        return result;
    return lock(source, LOCK_SH);
}

std::optional<std::string> BatchRunner::startOffset(const Redirection& output, off_t& start)
{
    start = 0;
    if (!target_->regular)
        return std::nullopt;
    if (!output.append) {
        if (ftruncate(target_->fd.get(), 0) != 0)
            return "cannot replace " + quoted(output.path) + ": " + errnoText(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (fstat(target_->fd.get(), &info) != 0)
        return "cannot write " + quoted(output.path) + ": " + errnoText(errno);
    start = info.st_size;
    return std::nullopt;
}

std::string BatchRunner::cutBack(off_t length, int error, const std::string& what)
{
    std::string message = what + ": " + errnoText(error);
    if (!target_->regular)
        return message;
    if (ftruncate(target_->fd.get(), length) != 0)
        return message + "; " + quoted(target_->name) + " could not be cut back: " + errnoText(errno);
    return message + "; " + quoted(target_->name) + " is left as it was";
}

std::optional<std::string> BatchRunner::type(const std::string& sourceName, const std::optional<Redirection>& output)
{
    FileDescriptor source(::open(sourceName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!source)
        return "type: cannot read " + quoted(sourceName) + ": " + errnoText(errno);
    struct stat sourceInfo {};
    if (fstat(source.get(), &sourceInfo) != 0)
        return "type: cannot read " + quoted(sourceName) + ": " + errnoText(errno);
    if (S_ISDIR(sourceInfo.st_mode))
        return "type: cannot read " + quoted(sourceName) + ": " + errnoText(EISDIR);
    const bool sourceIsRegular = S_ISREG(sourceInfo.st_mode);

    int out = standardOutput_;
    bool toItself = false;
    off_t start = 0;
    if (output) {
        if (auto error = openTarget(*output))
            return error;
        toItself = target_->device == sourceInfo.st_dev && target_->inode == sourceInfo.st_ino;
        const Lock locked = toItself || !sourceIsRegular
                                ? lockTarget()
                                : lockTargetAndSource(source.get(), sourceInfo.st_dev, sourceInfo.st_ino);
        if (locked == Lock::Stopped)
            return "type " + quoted(sourceName) + ": stopped by a signal before it began";
        if (auto error = startOffset(*output, start))
            return error;
        out = target_->fd.get();
    }

    // Sizes are read under the locks. A file appended to itself copies what
    // it held then, once; a regular source copies what it held then, as
    // another writer's later appends are no part of this command.
    bool bounded = false;
    std::uint64_t length = 0;
    if (toItself) {
        bounded = true;
        length = static_cast<std::uint64_t>(start);
    } else if (sourceIsRegular && fstat(source.get(), &sourceInfo) == 0 && sourceInfo.st_size > 0) {
        bounded = true;
        length = static_cast<std::uint64_t>(sourceInfo.st_size);
    }

    const bool positionalOut = output && target_->regular;
    off_t inOffset = 0;
    off_t outOffset = start;
    copier_.begin();
    std::uint64_t copied = 0;
    while (!bounded || copied < length) {
        const std::size_t wanted = bounded ? static_cast<std::size_t>(length - copied) : unboundedSlice;
        const long moved = copier_.copy(source.get(), sourceIsRegular ? &inOffset : nullptr, out,
                                        positionalOut ? &outOffset : nullptr, wanted);
        const int error = errno;
        if (moved == 0)
            break;
        if (moved < 0 && error == EINTR && !stopRequested())
            continue;
        const std::string what = "type " + quoted(sourceName) + (output ? " >> " + quoted(output->path) : "");
        if (moved < 0)
            return output ? cutBack(start, error, what) : what + ": " + errnoText(error);
        copied += static_cast<std::uint64_t>(moved);
        if (stopRequested())
            return output ? cutBack(start, EINTR, what) : what + ": " + errnoText(EINTR);
    }
    return std::nullopt;
}

std::optional<std::string> BatchRunner::echo(const std::string& bytes, const std::optional<Redirection>& output)
{
    int out = standardOutput_;
    off_t start = 0;
    if (output) {
        if (auto error = openTarget(*output))
            return error;
        if (lockTarget() == Lock::Stopped)
            return "echo: stopped by a signal before it began";
        if (auto error = startOffset(*output, start))
            return error;
        out = target_->fd.get();
    }
    const bool positional = output && target_->regular;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            positional ? pwrite(out, bytes.data() + done, bytes.size() - done, start + static_cast<off_t>(done))
                       : write(out, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            const int error = errno;
            const std::string what = "echo" + (output ? " >> " + quoted(output->path) : std::string());
            return output ? cutBack(start, error, what) : what + ": " + errnoText(error);
        }
        done += static_cast<std::size_t>(written);
    }
    return std::nullopt;
}

std::optional<std::string> BatchRunner::openOnly(const Redirection& output)
{
    if (auto error = openTarget(output))
        return error;
    if (lockTarget() == Lock::Stopped)
        return "stopped by a signal before the line began";
    off_t start = 0;
    return startOffset(output, start);
}

} // namespace davev::cmd
