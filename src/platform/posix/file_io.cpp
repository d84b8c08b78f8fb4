#include "platform/posix/file_io.h"

#include <cerrno>
#include <fcntl.h>

namespace davev {

int writeAll(int fd, std::string_view data, const off_t* offset)
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

int makeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        if (mkdir(folder.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

const char* kindOfFile(mode_t mode)
{
    return S_ISDIR(mode)    ? "a folder"
           : S_ISFIFO(mode) ? "a FIFO (named pipe)"
           : S_ISSOCK(mode) ? "a socket"
           : S_ISCHR(mode)  ? "a character device"
           : S_ISBLK(mode)  ? "a block device"
           : S_ISLNK(mode)  ? "a symbolic link"
                            : "a special file";
}

int syncFolder(const std::string& folder)
{
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return errno;
    while (fsync(fd.get()) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

} // namespace davev
