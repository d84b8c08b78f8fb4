#include "platform/posix/atomic_file_output.h"

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/errno_text.h"

namespace davev {
namespace {

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

void writeAll(int fd, std::string_view bytes, const std::string& name)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno, name);
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

} // namespace

AtomicFileOutput::~AtomicFileOutput()
{
    discard();
}

void AtomicFileOutput::open(const std::string& fileName)
{
    discard();
    struct stat existing {};
    if (::stat(fileName.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        fail(EISDIR, fileName);
    std::string pattern = directoryOf(fileName) + "/." + fileName.substr(fileName.rfind('/') + 1) + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        fail(errno, fileName);
    // The interpreter refuses a batch file that others may write.
    ::fchmod(fd, 0644);
    fd_ = fd;
    fileName_ = fileName;
    tempName_ = pattern;
}

void AtomicFileOutput::print(std::string_view text)
{
    if (fd_ < 0)
        throw PlatformError(EBADF, "Bad file descriptor: no file is open for output");
    std::string line(text);
    line += "\r\n";
    writeAll(fd_, line, fileName_);
}

void AtomicFileOutput::close()
{
    if (fd_ < 0)
        throw PlatformError(EBADF, "Bad file descriptor: no file is open for output");
    const std::string name = fileName_;
    if (::fsync(fd_) != 0) {
        const int error = errno;
        discard();
        fail(error, name);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        discard();
        fail(error, name);
    }
    if (::rename(tempName_.c_str(), name.c_str()) != 0) {
        const int error = errno;
        discard();
        fail(error, name);
    }
    tempName_.clear();
    const int dir = ::open(directoryOf(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void AtomicFileOutput::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempName_.empty()) {
        ::unlink(tempName_.c_str());
        tempName_.clear();
    }
}

} // namespace davev
