#include "test_support.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace davev::test {

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

namespace {

int spawnInterpreter(const std::string& batchFile, const std::string& outputFile, const std::string& errorFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputFile.empty())
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!errorFile.empty())
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string program = DAVEV_CMD_PATH;
    std::string argument = batchFile;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        throw std::runtime_error("cannot start da-vev-cmd");
    return pid;
}

} // namespace

int startInterpreter(const std::string& batchFile)
{
    return spawnInterpreter(batchFile, {}, {});
}

int waitForExit(int pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

RunResult runInterpreter(const std::string& batchFile, const TempDir& scratch)
{
    const std::string outputFile = scratch / ".stdout";
    const std::string errorFile = scratch / ".stderr";
    RunResult result;
    result.exitCode = waitForExit(spawnInterpreter(batchFile, outputFile, errorFile));
    result.output = readFile(outputFile);
    result.errors = readFile(errorFile);
    return result;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace davev::test
