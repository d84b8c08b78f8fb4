#include "platform/posix/cmd/posix_import_files.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cmd/batch_text.h"
#include "platform/posix/cmd/file_descriptor.h"
#include "platform/posix/errno_text.h"

namespace davev::cmd {

namespace {

constexpr std::size_t largestJournal = 4096;

FileError errorFrom(int number)
{
    FileError error{errnoText(number), number == EINTR};
    if (number == EFBIG)
        error.text += " (the file-size limit was reached)";
    return error;
}

FileError notRegular(mode_t mode)
{
    const char* kind = S_ISFIFO(mode)   ? "a FIFO (named pipe)"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                                        : "a special file";
    return FileError{std::string("it is ") + kind + ", not a regular file", false};
}

OpenFile describe(int fd, const struct stat& info)
{
    return OpenFile{fd, FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
                    S_ISREG(info.st_mode), static_cast<std::uint64_t>(info.st_size)};
}

std::string folderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

std::string journalName(const OpenFile& target)
{
    return std::to_string(target.identity.device) + "-" + std::to_string(target.identity.file);
}

// 0 once the folder's entries are on the disk, else the error number.
int flushFolder(const std::string& folder)
{
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return errno;
    return fsync(fd.get()) == 0 ? 0 : errno;
}

// Writes the record to a new file and renames it to path, then flushes
// the folder, so the record is on the disk before the target is touched.
// A link planted under the journal's name, symbolic or hard, is replaced
// rather than written through, and a record that replaces an earlier one
// is never seen half-written. Returns an error number, 0 on success.
int writeRecord(const std::string& path, std::string_view record)
{
    const std::string fresh = path + ".new";
    unlink(fresh.c_str()); // left by an import killed while writing it
    FileDescriptor fd(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600));
    if (!fd)
        return errno;
    // Readable whatever the umask, so that the next import of the target by
    // another user finds the record and can cut the target back.
    int error = fchmod(fd.get(), 0644) == 0 ? writeAll(fd.get(), record) : errno;
    if (error == 0 && fsync(fd.get()) != 0)
        error = errno;
    fd.reset();
    if (error == 0 && rename(fresh.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(fresh.c_str());
        return error;
    }
    // A name that is not on the disk could vanish with the power, while the
    // target keeps what was appended.
    if (const int folderError = flushFolder(folderOf(path))) {
        unlink(path.c_str());
        return folderError;
    }
    return 0;
}

bool folderRefusesJournal(int error)
{
    return error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG || error == ENOSPC ||
           error == EDQUOT || error == ELOOP || error == EEXIST;
}

// A journal is trusted only from someone who could cut the target back
// anyway: this user, the target's owner or root. Anyone else's could cut
// the target back to a length of their choosing.
std::optional<std::string> readRecord(const std::string& path, uid_t targetOwner)
{
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
    if (!fd)
        return std::nullopt;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > largestJournal)
        return std::nullopt;
    if (info.st_uid != geteuid() && info.st_uid != targetOwner && info.st_uid != 0)
        return std::nullopt;
    std::string text(largestJournal, '\0');
    const ssize_t got = pread(fd.get(), text.data(), text.size(), 0);
    if (got < 0)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(got));
    return text;
}

} // namespace

PosixImportFiles::PosixImportFiles(ByteCopier& copier, std::string fallbackFolder, int standardOutput)
    : copier_(copier), fallbackFolder_(std::move(fallbackFolder)), standardOutput_(standardOutput)
{
}

FileResult PosixImportFiles::openSource(const std::string& name, OpenFile& file)
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

FileResult PosixImportFiles::openTarget(const std::string& name, OpenFile& file)
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

void PosixImportFiles::close(int handle)
{
    if (handle >= 0 && handle != standardOutput_)
        ::close(handle);
}

LockAttempt PosixImportFiles::tryLock(int handle, LockMode mode)
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

void PosixImportFiles::unlock(int handle)
{
    flock(handle, LOCK_UN);
}

FileResult PosixImportFiles::length(int handle, std::uint64_t& length)
{
    struct stat info {};
    if (fstat(handle, &info) != 0)
        return errorFrom(errno);
    length = static_cast<std::uint64_t>(info.st_size);
    return std::nullopt;
}

FileResult PosixImportFiles::truncate(int handle, std::uint64_t length)
{
    while (ftruncate(handle, static_cast<off_t>(length)) != 0) {
        if (errno != EINTR)
            return errorFrom(errno);
    }
    return std::nullopt;
}

FileResult PosixImportFiles::flush(int handle)
{
    while (fdatasync(handle) != 0) {
        if (errno != EINTR)
            return errorFrom(errno);
    }
    return std::nullopt;
}

FileResult PosixImportFiles::copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset,
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

FileResult PosixImportFiles::write(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& written)
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

std::string PosixImportFiles::besideJournal(const std::string& targetName, const OpenFile& target) const
{
    // Beside the file itself, not beside a link to it, so that an import
    // through any of its names finds the journal.
    std::error_code error;
    const std::string file = std::filesystem::canonical(targetName, error).string();
    return folderOf(error ? targetName : file) + "/.da-vev-journal-" + journalName(target);
}

std::string PosixImportFiles::fallbackJournal(const OpenFile& target) const
{
    return fallbackFolder_ + "/" + journalName(target);
}

FileResult PosixImportFiles::writeJournal(const std::string& targetName, const OpenFile& target,
                                          std::string_view record)
{
    const std::string beside = besideJournal(targetName, target);
    const int besideError = writeRecord(beside, record);
    if (besideError == 0) {
        written_[target.identity] = beside;
        return std::nullopt;
    }
    // A target the user may write in a folder the user may not.
    if (!folderRefusesJournal(besideError) || fallbackFolder_.empty())
        return errorFrom(besideError);
    std::error_code ignored;
    std::filesystem::create_directories(fallbackFolder_, ignored);
    if (const int error = writeRecord(fallbackJournal(target), record))
        return errorFrom(error);
    written_[target.identity] = fallbackJournal(target);
    return std::nullopt;
}

std::optional<std::string> PosixImportFiles::readJournal(const std::string& targetName, const OpenFile& target)
{
    struct stat info {};
    if (fstat(target.handle, &info) != 0)
        return std::nullopt;
    if (auto text = readRecord(besideJournal(targetName, target), info.st_uid))
        return text;
    if (fallbackFolder_.empty())
        return std::nullopt;
    return readRecord(fallbackJournal(target), info.st_uid);
}

FileResult PosixImportFiles::removeJournal(const std::string& targetName, const OpenFile& target)
{
    // The removal is not flushed: should a power cut undo it, the next
    // import cuts back one that had finished, which still leaves the target
    // with whole imports only.
    FileResult result;
    // Gone from where this process wrote it, the journal was moved away with
    // its folder, and the next import of the target would find it there.
    if (const auto written = written_.find(target.identity); written != written_.end()) {
        if (unlink(written->second.c_str()) != 0)
            result = errorFrom(errno);
        written_.erase(written);
    }
    const auto remove = [&result](const std::string& path) {
        if (unlink(path.c_str()) != 0 && errno != ENOENT && !result)
            result = errorFrom(errno);
    };
    remove(besideJournal(targetName, target));
    if (!fallbackFolder_.empty())
        remove(fallbackJournal(target));
    return result;
}

std::uint64_t PosixImportFiles::processId()
{
    return static_cast<std::uint64_t>(getpid());
}

} // namespace davev::cmd
