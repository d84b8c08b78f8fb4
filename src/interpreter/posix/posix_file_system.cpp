#include "interpreter/posix/posix_file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "interpreter/core/batch_text.h"
#include "platform/posix/file_io.h"
#include "platform/posix/errno_text.h"

namespace davev::cmd {

namespace {

FileError errorFrom(int number)
{
    FileError error{errnoText(number), number == EINTR};
    if (number == EFBIG)
        error.text += " (the file-size limit was reached)";
    return error;
}

FileError notRegular(mode_t mode)
{
    return FileError{std::string("it is ") + kindOfFile(mode) + ", not a regular file", false};
}

FileIdentity identityOf(const struct stat& info)
{
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

OpenFile describe(int fd, const struct stat& info)
{
    return OpenFile{fd, identityOf(info), S_ISREG(info.st_mode), static_cast<std::uint64_t>(info.st_size),
                    static_cast<std::uint64_t>(info.st_nlink)};
}

std::string folderOfPath(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

bool ownRegularFile(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_uid == geteuid();
}

} // namespace

PosixFileSystem::PosixFileSystem(ByteCopier& copier, std::string userFolder, int standardOutput)
    : copier_(copier), userFolder_(std::move(userFolder)), standardOutput_(standardOutput)
{
}

FileResult PosixFileSystem::openSource(const std::string& name, OpenFile& file)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    FileDescriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return errorFrom(errno);
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        return errorFrom(errno);
    if (S_ISDIR(info.st_mode))
        return errorFrom(EISDIR);
    if (!S_ISREG(info.st_mode))
        return notRegular(info.st_mode);
    file = describe(fd.get(), info);
    static_cast<void>(fd.release());
    return std::nullopt;
}

FileResult PosixFileSystem::openTarget(const std::string& name, OpenFile& file)
{
    const bool nullDevice = namesNullDevice(name);
    // No O_APPEND: copy_file_range refuses such descriptors, and the end is
    // found under the lock anyway. No O_TRUNC: replacing waits for the lock.
    // O_NONBLOCK: opening a FIFO must not wait for a reader.
    FileDescriptor fd(::open(nullDevice ? "/dev/null" : name.c_str(),
                             O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | (nullDevice ? 0 : O_NONBLOCK), 0666));
    struct stat info {};
    if (!fd) {
        const int error = errno;
        // A FIFO without a reader, or a socket, cannot be opened at all.
        if (stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            return notRegular(info.st_mode);
        return errorFrom(error);
    }
    if (fstat(fd.get(), &info) != 0)
        return errorFrom(errno);
    if (!nullDevice && !S_ISREG(info.st_mode))
        return notRegular(info.st_mode);
    file = describe(fd.get(), info);
    static_cast<void>(fd.release());
    return std::nullopt;
}

void PosixFileSystem::close(int handle)
{
    if (handle >= 0 && handle != standardOutput_)
        ::close(handle);
}

LockAttempt PosixFileSystem::tryLock(int handle, LockMode mode)
{
    const int operation = (mode == LockMode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    while (flock(handle, operation) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return LockAttempt::Busy;
        // A file system without locks is written unlocked, as Windows would.
        return LockAttempt::Unsupported;
    }
    return LockAttempt::Taken;
}

void PosixFileSystem::unlock(int handle)
{
    flock(handle, LOCK_UN);
}

FileResult PosixFileSystem::length(int handle, std::uint64_t& length)
{
    struct stat info {};
    if (fstat(handle, &info) != 0)
        return errorFrom(errno);
    length = static_cast<std::uint64_t>(info.st_size);
    return std::nullopt;
}

FileResult PosixFileSystem::truncate(int handle, std::uint64_t length)
{
    while (ftruncate(handle, static_cast<off_t>(length)) != 0) {
        if (errno != EINTR)
            return errorFrom(errno);
    }
    return std::nullopt;
}

FileResult PosixFileSystem::flush(int handle)
{
    while (fdatasync(handle) != 0) {
        if (errno != EINTR)
            return errorFrom(errno);
    }
    return std::nullopt;
}

FileResult PosixFileSystem::copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset,
                                 std::uint64_t length, std::uint64_t& copied)
{
    copied = 0;
    off_t inPosition = static_cast<off_t>(inOffset);
    off_t outPosition = outOffset ? static_cast<off_t>(*outOffset) : 0;
    const long moved =
        copier_.copy(in, &inPosition, out, outOffset ? &outPosition : nullptr, static_cast<std::size_t>(length));
    if (moved < 0)
        return errorFrom(errno);
    copied = static_cast<std::uint64_t>(moved);
    inOffset = static_cast<std::uint64_t>(inPosition);
    if (outOffset)
        *outOffset = static_cast<std::uint64_t>(outPosition);
    return std::nullopt;
}

FileResult PosixFileSystem::write(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& written)
{
    written = 0;
    off_t position = outOffset ? static_cast<off_t>(*outOffset) : 0;
    if (const int error = writeAll(out, bytes, outOffset ? &position : nullptr))
        return errorFrom(error);
    written = bytes.size();
    if (outOffset)
        *outOffset += bytes.size();
    return std::nullopt;
}

std::string PosixFileSystem::folderOf(const std::string& name, const OpenFile&)
{
    std::error_code error;
    const std::string file = std::filesystem::canonical(name, error).string();
    return error ? std::string() : folderOfPath(file);
}

std::string PosixFileSystem::pathIn(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    path += '/';
    path += name;
    return path;
}

FileResult PosixFileSystem::makeFolder(const std::string& folder)
{
    if (const int error = makeFolders(folder))
        return errorFrom(error);
    return std::nullopt;
}

SmallFile PosixFileSystem::readSmallFile(const std::string& path, std::size_t limit)
{
    SmallFile file;
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
    struct stat info {};
    if (!fd) {
        const int error = errno;
        // A folder on the way that cannot be entered hides whatever is there.
        if (error == ENOENT || error == ENOTDIR || lstat(path.c_str(), &info) != 0)
            return file;
        file.found = SmallFile::Found::Other;
        file.problem = !S_ISREG(info.st_mode) ? kindOfFile(info.st_mode)
                       : error == EACCES      ? "a file this user may not read"
                                              : "a file that cannot be read (" + errnoText(error) + ")";
        return file;
    }
    file.found = SmallFile::Found::Other;
    if (fstat(fd.get(), &info) != 0) {
        file.problem = "a file that cannot be examined (" + errnoText(errno) + ")";
    } else if (!S_ISREG(info.st_mode)) {
        file.problem = kindOfFile(info.st_mode);
    } else if (info.st_uid != geteuid()) {
        file.problem = "a file of another user";
    } else if (static_cast<std::uint64_t>(info.st_size) > limit) {
        file.problem = "a file of " + std::to_string(info.st_size) + " bytes";
    } else {
        std::string text(limit + 1, '\0');
        const ssize_t got = pread(fd.get(), text.data(), text.size(), 0);
        if (got < 0 || static_cast<std::size_t>(got) > limit) {
            file.problem = "a file that cannot be read";
            return file;
        }
        text.resize(static_cast<std::size_t>(got));
        file = SmallFile{SmallFile::Found::Ours, identityOf(info), std::move(text), {}};
    }
    return file;
}

FileResult PosixFileSystem::replaceSmallFile(const std::string& path, std::string_view bytes, FileIdentity& written)
{
    // A new file renamed over path, so that a link planted under its name,
    // symbolic or hard, is replaced rather than written through, and a file
    // that replaces an earlier one is never seen half-written.
    const std::string fresh = path + ".new";
    if (struct stat left{}; lstat(fresh.c_str(), &left) == 0 && ownRegularFile(left))
        unlink(fresh.c_str()); // left by an import killed while writing it
    FileDescriptor fd(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600));
    if (!fd)
        return errorFrom(errno);
    struct stat info {};
    // Readable by this user whatever the umask, or the next import could not read it.
    int error = fchmod(fd.get(), 0600) == 0 ? writeAll(fd.get(), bytes) : errno;
    if (error == 0 && fsync(fd.get()) != 0)
        error = errno;
    if (error == 0 && fstat(fd.get(), &info) != 0)
        error = errno;
    fd.reset();
    if (error == 0 && rename(fresh.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(fresh.c_str());
        return errorFrom(error);
    }
    // A name that is not on the disk could vanish with the power, while the
    // target keeps what was appended.
    if (const int folderError = syncFolder(folderOfPath(path))) {
        unlink(path.c_str());
        return errorFrom(folderError);
    }
    written = identityOf(info);
    return std::nullopt;
}

Removal PosixFileSystem::removeSmallFile(const std::string& path, const FileIdentity& expected, FileError& error)
{
    // The removal is not flushed: should a power cut undo it, the next
    // import cuts back one that had finished, which still leaves the target
    // with whole imports only.
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Removal::Absent;
        error = errorFrom(errno);
        return Removal::Failed;
    }
    if (!ownRegularFile(info) || identityOf(info) != expected)
        return Removal::NotOurs;
    if (unlink(path.c_str()) == 0)
        return Removal::Removed;
    if (errno == ENOENT)
        return Removal::Absent;
    error = errorFrom(errno);
    return Removal::Failed;
}

std::uint64_t PosixFileSystem::processId()
{
    return static_cast<std::uint64_t>(getpid());
}

} // namespace davev::cmd
