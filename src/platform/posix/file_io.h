#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace davev {

// Owns an open descriptor; closing it also drops any flock held through it.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    // Gives the descriptor up without closing it.
    [[nodiscard]] int release() { return std::exchange(fd_, -1); }
    explicit operator bool() const { return fd_ >= 0; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// Writes all of data to fd, at *offset when given (which is left as it is),
// else at its file position, going on after a signal. A write that takes
// nothing fails with EIO rather than being tried for ever. Returns 0 or the
// error number.
int writeAll(int fd, std::string_view data, const off_t* offset = nullptr);

// Makes a folder that only this user may enter, and the folders above it.
// Returns 0 or the error number (ENOTDIR when something else has its name).
int makeFolders(const std::string& folder);

// What a file that is not a regular file is, for a message: "a folder",
// "a FIFO (named pipe)" ...
const char* kindOfFile(mode_t mode);

// Flushes a folder's entries (a file created or renamed in it) to the disk.
// Returns 0 or the error number: EACCES when the folder cannot be opened to
// be flushed (a folder the user may write but not read).
int syncFolder(const std::string& folder);

} // namespace davev
