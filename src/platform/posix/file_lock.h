#pragma once

#include <string>

namespace davev {

// An exclusive lock on a file, held while the object lives, against other
// writers of the same file that take it the same way or through QLockFile
// (the lock QSettings takes): the file PATH.lock, created exclusively and
// locked with flock, removed on release, never flushed to disk. A held lock
// file is waited for; one that nobody holds and is older than a second, left
// by a writer that ended holding it, is taken over.
class FileLock {
public:
    // Throws PlatformError naming the file when the lock cannot be taken.
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    std::string name_;
    int fd_ = -1;
};

} // namespace davev
