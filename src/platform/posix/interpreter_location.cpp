#include "platform/posix/interpreter_location.h"

#include <cerrno>
#include <climits>
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

// Absolute, as the kernel reports it.
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
    return findCommandInterpreter(runningProgramDirectory());
}

std::string findCommandInterpreter(const std::string& programDirectory)
{
    const std::string name = commandInterpreterName;
    std::string candidates[3];
    if (!programDirectory.empty()) {
        candidates[0] = programDirectory + "/" + name;
        candidates[1] = programDirectory + "/../libexec/da-vev/" + name;
    }
    candidates[2] = std::string(DAVEV_LIBEXEC_DIR) + "/" + name;
    for (const std::string& path : candidates)
        if (!path.empty() && path.front() == '/' && isExecutableFile(path))
            return path;
    throw PlatformError(ENOENT, errnoText(ENOENT) + ": " + name + " (the command interpreter)");
}

} // namespace davev
