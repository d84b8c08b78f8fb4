#include "platform/posix/cmd/batch_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/cmd/file_descriptor.h"
#include "platform/posix/errno_text.h"

namespace davev::cmd {

namespace {

// Runner files hold two lines; anything this big was not written by the program.
constexpr off_t largestBatchFile = off_t{1} << 20;

} // namespace

std::optional<std::string> readRunnerBatchFile(const std::string& path, std::string& content)
{
    const std::string refusal = "refusing to run \"" + path + "\": ";
    // O_NONBLOCK keeps a FIFO planted under the name from stalling the open.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return "cannot read \"" + path + "\": " + errnoText(errno);
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        return "cannot read \"" + path + "\": " + errnoText(errno);
    if (!S_ISREG(info.st_mode))
        return refusal + "it is not a regular file";
    if (info.st_uid != geteuid())
        return refusal + "it belongs to another user (uid " + std::to_string(info.st_uid) +
               "), who could make it copy your files anywhere";
    if ((info.st_mode & S_IWOTH) != 0)
        return refusal + "every user may write it, so anyone could make it copy your files anywhere";
    if (info.st_size > largestBatchFile)
        return refusal + "it is too large for a runner batch file";

    content.assign(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = read(fd.get(), content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return "cannot read \"" + path + "\": " + errnoText(errno);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    content.resize(done);
    return std::nullopt;
}

std::vector<std::string_view> splitLines(std::string_view content)
{
    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        content.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace davev::cmd
