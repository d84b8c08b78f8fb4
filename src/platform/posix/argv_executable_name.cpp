#include "platform/posix/argv_executable_name.h"

#include <strings.h>

namespace davev {

ArgvExecutableName::ArgvExecutableName(const char* argv0) : name_(baseName(argv0 ? argv0 : "DA-VEV")) {}

std::string ArgvExecutableName::baseName(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (const auto slash = path.rfind('/'); slash != std::string::npos)
        path.erase(0, slash + 1);
    if (path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".exe") == 0)
        path.resize(path.size() - 4);
    return path.empty() ? std::string("DA-VEV") : path;
}

} // namespace davev
