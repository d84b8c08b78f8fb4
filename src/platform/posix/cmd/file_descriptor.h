#pragma once

#include <cerrno>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace davev::cmd {

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
// else at its file position, going on after a signal. Returns 0 or the error
// number.
inline int writeAll(int fd, std::string_view data, const off_t* offset = nullptr)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const char* from = data.data() + done;
        const std::size_t size = data.size() - done;
        const ssize_t written =
            offset ? pwrite(fd, from, size, *offset + static_cast<off_t>(done)) : write(fd, from, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

} // namespace davev::cmd
