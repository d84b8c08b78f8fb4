#pragma once

#include <chrono>
#include <string>

namespace davev {

// How long a writer waits for another to let go of the settings' lock: a
// writer holding it longer is stopped or stuck.
inline constexpr std::chrono::milliseconds settingsLockWait{5000};

// An exclusive lock on a file, held while the object lives, against other
// writers of the same file that take it the same way or through QLockFile
// (the lock QSettings takes): the file PATH.lock, created exclusively and
// locked with flock, removed on release, never flushed to disk. A held lock
// file is waited for, up to wait, or until a termination signal comes. One
// that nobody holds is taken over when it is a leftover, as QLockFile judges
// one: its writer has ended, or it is older than QLockFile's 30 s.
class FileLock {
public:
    // Throws PlatformError naming the file, and the holder when there is
    // one, when the lock cannot be taken.
    explicit FileLock(const std::string& path, std::chrono::milliseconds wait = settingsLockWait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    std::string name_;
    int fd_ = -1;
};

} // namespace davev
