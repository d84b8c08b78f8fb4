#include "platform/posix/command_resolution.h"

#include <cerrno>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform_error.h"
#include "platform/posix/errno_text.h"

namespace davev {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

[[noreturn]] void fail(int number, const std::string& name)
{
    throw PlatformError(number, errnoText(number) + ": " + name);
}

// 0 when name is a regular file, else the error number that explains why not.
int regularFileError(const std::string& name)
{
    if (name.empty())
        return ENOENT;
    struct stat info {};
    if (stat(name.c_str(), &info) != 0)
        return errno;
    if (S_ISDIR(info.st_mode))
        return EISDIR;
    return S_ISREG(info.st_mode) ? 0 : EACCES;
}

ResolvedCommand startable(const std::string& name, const std::string& argumentText)
{
    if (const int error = regularFileError(name); error != 0)
        fail(error, name);
    ResolvedCommand command;
    command.isBatchFile = hasBatchExtension(name);
    if (access(name.c_str(), command.isBatchFile ? R_OK : X_OK) != 0)
        fail(errno, name);
    command.program = name;
    command.arguments = splitArguments(argumentText);
    return command;
}

} // namespace

std::string startableBatchFile(const std::string& name)
{
    return startable(name, {}).program;
}

bool hasBatchExtension(const std::string& path)
{
    if (path.size() < 4)
        return false;
    const char* extension = path.c_str() + path.size() - 4;
    return strcasecmp(extension, ".bat") == 0 || strcasecmp(extension, ".cmd") == 0;
}

ResolvedCommand resolveCommandLine(const std::string& commandLine)
{
    const std::size_t start = commandLine.find_first_not_of(" \t");
    if (start == std::string::npos)
        fail(ENOENT, "(empty command line)");

    if (commandLine[start] == '"') {
        const std::size_t close = commandLine.find('"', start + 1);
        if (close == std::string::npos)
            return startable(commandLine.substr(start + 1), {});
        return startable(commandLine.substr(start + 1, close - start - 1), commandLine.substr(close + 1));
    }

    // A line that is one file's whole name runs that file, and a batch file
    // name is never cut short: an unquoted "My Prog.bat" must not start a
    // program called "My" that happens to lie in the working directory.
    const std::size_t last = commandLine.find_last_not_of(" \t");
    const std::string whole = commandLine.substr(start, last + 1 - start);
    if (regularFileError(whole) == 0 || hasBatchExtension(whole))
        return startable(whole, {});

    // Otherwise a program followed by its arguments, as CreateProcess reads
    // it: the shortest prefix that names a file wins.
    std::size_t end = start;
    int lastError = ENOENT;
    std::string candidate;
    while (end < commandLine.size()) {
        end = commandLine.find_first_of(" \t", end + 1);
        if (end == std::string::npos)
            end = commandLine.size();
        if (isBlank(commandLine[end - 1]))
            continue;
        candidate = commandLine.substr(start, end - start);
        lastError = regularFileError(candidate);
        if (lastError == 0)
            return startable(candidate, commandLine.substr(end));
    }
    fail(lastError, candidate);
}

std::vector<std::string> splitArguments(const std::string& text)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (true) {
        while (i < n && isBlank(text[i]))
            ++i;
        if (i == n)
            return arguments;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !isBlank(text[i]))) {
            if (text[i] == '\\') {
                std::size_t count = 0;
                while (i < n && text[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < n && text[i] == '"') {
                    argument.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(count, '\\');
                }
            } else if (text[i] == '"') {
                if (quoted && i + 1 < n && text[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += text[i++];
            }
        }
        arguments.push_back(std::move(argument));
    }
}

} // namespace davev
