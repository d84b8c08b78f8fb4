#include "platform/posix/atomic_file_output.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/errno_text.h"
#include "platform/posix/file_io.h"

namespace davev {
namespace {

constexpr const char* tempSuffix = ".saving";

[[noreturn]] void fail(int number, const std::string& name)
{
    throw PlatformError(number, errnoText(number) + ": " + name);
}

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// The file a chain of symbolic links ends at; the path itself when it is no
// link. The end need not exist yet: a dangling link creates its target.
std::string followLinks(const std::string& fileName)
{
    std::string path = fileName;
    for (int hop = 0; hop < 40; ++hop) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length < 0)
            return path; // no link, or nothing there; open reports the rest
        if (static_cast<std::size_t>(length) == sizeof target)
            fail(ENAMETOOLONG, fileName);
        const std::string next(target, static_cast<std::size_t>(length));
        path = next.front() == '/' ? next : directoryOf(path) + "/" + next;
    }
    fail(ELOOP, fileName);
}

// ".NAME.PID.saving"
bool isTempNameOf(std::string_view entry, const std::string& base)
{
    const std::string prefix = "." + base + ".";
    const std::string_view suffix = tempSuffix;
    if (entry.size() <= prefix.size() + suffix.size() || !entry.starts_with(prefix) || !entry.ends_with(suffix))
        return false;
    const std::string_view pid = entry.substr(prefix.size(), entry.size() - prefix.size() - suffix.size());
    return pid.find_first_not_of("0123456789") == std::string_view::npos;
}

// A writer holds the lock on its temporary file until the file is renamed
// away, so an unlocked one belongs to a program that ended mid-write.
void removeLeftovers(const std::string& directory, const std::string& base)
{
    DIR* entries = ::opendir(directory.c_str());
    if (entries == nullptr)
        return;
    const int directoryFd = ::dirfd(entries);
    while (const dirent* entry = ::readdir(entries)) {
        if (!isTempNameOf(entry->d_name, base))
            continue;
        const int fd = ::openat(directoryFd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(directoryFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == held.st_ino &&
            named.st_dev == held.st_dev)
            ::unlinkat(directoryFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(entries);
}

// A new, locked temporary file, or -1 with errno set.
int createTempFile(const std::string& name)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        // 0666 lets the umask decide, as for any new file.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0)
            return -1;
        struct stat info {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &info) == 0 && info.st_nlink > 0)
            return fd;
        // Another program's clean-up took it before it was locked.
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

// Gives the temporary file the replaced file's owner and mode; false when
// the owner cannot be kept.
bool keepAttributes(int fd, const struct stat& existing)
{
    struct stat temp {};
    if (::fstat(fd, &temp) != 0)
        return false;
    if ((temp.st_uid != existing.st_uid || temp.st_gid != existing.st_gid) &&
        ::fchown(fd, existing.st_uid, existing.st_gid) != 0)
        return false;
    return ::fchmod(fd, existing.st_mode & 0777) == 0;
}

// The interpreter refuses a batch file that others may write, whatever the umask.
void withholdWriteFromOthers(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        ::fchmod(fd, info.st_mode & 0777 & ~(S_IWGRP | S_IWOTH));
}

// True when the file already holds exactly `bytes`.
bool holdsAlready(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    std::string held(bytes.size() + 1, '\0');
    std::size_t length = 0;
    ssize_t got = 0;
    while (length < held.size() && (got = ::read(fd, held.data() + length, held.size() - length)) > 0)
        length += static_cast<std::size_t>(got);
    const bool same = got >= 0 && std::string_view(held.data(), length) == bytes;
    ::close(fd);
    return same;
}

} // namespace

AtomicFileOutput::~AtomicFileOutput()
{
    discard();
}

void AtomicFileOutput::open(const std::string& fileName)
{
    discard();
    fileName_ = fileName;
    target_ = followLinks(fileName);

    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            fail(EISDIR, fileName);
        // Root may write any file, so the mode is read as the user's intent.
        if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            fail(EACCES, fileName + " (the file is read-only)");
        if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
            fail(errno, fileName);
    }

    removeLeftovers(directoryOf(target_), baseNameOf(target_));
    existing_.reset();
    if (exists)
        existing_ = existing;
    // A regular file may already hold the text: it is replaced only once the
    // text is known to differ, so an unchanged file costs no new file beside it.
    if (!replacesRegularFile())
        startWriting();
    opened_ = true;
}

bool AtomicFileOutput::replacesRegularFile() const
{
    return existing_ && S_ISREG(existing_->st_mode);
}

void AtomicFileOutput::startWriting()
{
    const std::string tempName =
        directoryOf(target_) + "/." + baseNameOf(target_) + "." + std::to_string(::getpid()) + tempSuffix;
    const int fd = createTempFile(tempName);
    if (fd < 0) {
        const int error = errno;
        const bool directoryRefused = error == EACCES || error == EPERM || error == EROFS;
        // Only a regular file is rewritten in place: opening a FIFO would block.
        if (!replacesRegularFile() || !directoryRefused)
            fail(error, fileName_);
    } else {
        fd_ = fd;
        tempName_ = tempName;
        if (!existing_) {
            withholdWriteFromOthers(fd);
            return;
        }
        if (keepAttributes(fd, *existing_))
            return;
        removeTemp();
    }

    // No replacement possible: rewrite the file itself, like an editor does
    // when it cannot create files beside it.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0)
        fail(errno, fileName_);
}

void AtomicFileOutput::print(std::string_view text)
{
    if (!opened_)
        throw PlatformError(EBADF, "Bad file descriptor: no file is open for output");
    pending_.append(text);
    pending_ += "\r\n";
}

void AtomicFileOutput::write(std::string_view bytes)
{
    if (!opened_)
        throw PlatformError(EBADF, "Bad file descriptor: no file is open for output");
    pending_.append(bytes);
}

void AtomicFileOutput::close()
{
    if (!opened_)
        throw PlatformError(EBADF, "Bad file descriptor: no file is open for output");
    // The file already is what it would become, mode included (a replacement
    // keeps the mode): rewriting it would only cost two flushes to disk.
    if (replacesRegularFile() && static_cast<std::size_t>(existing_->st_size) == pending_.size() &&
        holdsAlready(target_, pending_)) {
        discard();
        return;
    }
    if (fd_ < 0) {
        try {
            startWriting();
        } catch (const PlatformError&) {
            discard();
            throw;
        }
    }
    int error = writeAll(fd_, pending_);
    // In place, the old text may be longer than the new.
    if (error == 0 && tempName_.empty() && ::ftruncate(fd_, static_cast<off_t>(pending_.size())) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd_) != 0)
        error = errno;
    // The lock on the temporary file is held until it has become the file.
    if (error == 0 && !tempName_.empty() && ::rename(tempName_.c_str(), target_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        const std::string name = fileName_;
        discard();
        fail(error, name);
    }
    if (!tempName_.empty()) {
        tempName_.clear();
        // The file is replaced; unless its new name reaches the disk, a power
        // cut could bring the old one back. A folder that cannot be opened to
        // be flushed leaves nothing to try.
        error = syncFolder(directoryOf(target_));
        if (error != 0 && error != EACCES) {
            const std::string name = fileName_;
            discard();
            fail(error, name);
        }
    }
    discard();
}

void AtomicFileOutput::removeTemp()
{
    if (!tempName_.empty()) {
        ::unlink(tempName_.c_str());
        tempName_.clear();
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void AtomicFileOutput::discard()
{
    removeTemp();
    pending_.clear();
    opened_ = false;
}

} // namespace davev
