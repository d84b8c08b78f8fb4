#include "platform/posix/interpreter_location.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform_error.h"
#include "platform/posix/errno_text.h"

namespace davev {

namespace {

bool isExecutableFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string runningProgramDirectory()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    const std::string program(path, static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

} // namespace

std::string findCommandInterpreter()
{
    const std::string name = commandInterpreterName;
    if (const std::string beside = runningProgramDirectory(); !beside.empty()) {
        if (const std::string path = beside + "/" + name; isExecutableFile(path))
            return path;
    }
    if (const std::string path = std::string(DAVEV_LIBEXEC_DIR) + "/" + name; isExecutableFile(path))
        return path;
    if (const char* searchPath = std::getenv("PATH")) {
        const std::string directories = searchPath;
        std::size_t begin = 0;
        while (begin <= directories.size()) {
            std::size_t end = directories.find(':', begin);
            if (end == std::string::npos)
                end = directories.size();
            // An empty entry would mean the current directory; a runner found
            // there could have been planted by anyone who can write it.
            if (end > begin) {
                if (const std::string path = directories.substr(begin, end - begin) + "/" + name;
                    isExecutableFile(path))
                    return path;
            }
            begin = end + 1;
        }
    }
    throw PlatformError(ENOENT, errnoText(ENOENT) + ": " + name + " (the command interpreter)");
}

} // namespace davev
