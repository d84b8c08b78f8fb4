#include "interpreter/posix/byte_copier.h"

#include <algorithm>
#include <cerrno>
#include <sys/sendfile.h>
#include <unistd.h>

#include "platform/posix/file_io.h"

namespace davev::cmd {

namespace {

// Kernel copies go in slices so a stop signal is noticed between them.
constexpr std::size_t kernelSlice = std::size_t{64} << 20;
constexpr std::size_t bufferSize = std::size_t{64} << 10;

bool meansUnsupported(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF ||
           error == ESPIPE;
}

} // namespace

void KernelCopier::begin()
{
    copyRangeWorks_ = true;
    sendfileWorks_ = true;
}

long KernelCopier::copy(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t length)
{
    const std::size_t slice = std::min(length, kernelSlice);
    if (copyRangeWorks_) {
        const ssize_t copied = copy_file_range(in, inOffset, out, outOffset, slice, 0);
        if (copied > 0)
            return copied;
        if (copied < 0 && !meansUnsupported(errno))
            return -1;
        // Some file systems answer 0 although data remains (procfs, for one);
        // the next method tells a real end of input apart.
        copyRangeWorks_ = false;
    }
    if (sendfileWorks_) {
        if (outOffset && lseek(out, *outOffset, SEEK_SET) < 0)
            return -1;
        const ssize_t copied = sendfile(out, in, inOffset, slice);
        if (copied >= 0) {
            if (outOffset)
                *outOffset += copied;
            return copied;
        }
        if (!meansUnsupported(errno))
            return -1;
        sendfileWorks_ = false;
    }
    return copyThroughBuffer(in, inOffset, out, outOffset, length);
}

long KernelCopier::copyThroughBuffer(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t length)
{
    if (!buffer_)
        buffer_ = std::make_unique<char[]>(bufferSize);
    const std::size_t wanted = std::min(length, bufferSize);
    const ssize_t got = inOffset ? pread(in, buffer_.get(), wanted, *inOffset) : read(in, buffer_.get(), wanted);
    if (got <= 0)
        return got;
    if (const int error = writeAll(out, std::string_view(buffer_.get(), static_cast<std::size_t>(got)), outOffset)) {
        errno = error;
        return -1;
    }
    if (inOffset)
        *inOffset += got;
    if (outOffset)
        *outOffset += got;
    return got;
}

} // namespace davev::cmd
