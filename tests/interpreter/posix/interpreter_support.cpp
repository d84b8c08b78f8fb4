#include "interpreter_support.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "interpreter/core/batch_runner.h"
#include "interpreter/posix/byte_copier.h"
#include "interpreter/posix/posix_file_system.h"

namespace davev::test {

namespace {

// Copies for real in small steps and stops the process once the budget is spent.
class StoppingCopier final : public cmd::ByteCopier {
public:
    explicit StoppingCopier(std::size_t budget) : budget_(budget) {}

    long copy(int in, off_t* inOffset, int out, off_t* outOffset, std::size_t length) override
    {
        const long copied = real_.copy(in, inOffset, out, outOffset, std::min({length, budget_, step}));
        if (copied > 0)
            budget_ -= static_cast<std::size_t>(copied);
        if (budget_ == 0)
            raise(SIGSTOP);
        return copied;
    }

private:
    static constexpr std::size_t step = 16 << 10;
    cmd::KernelCopier real_;
    std::size_t budget_;
};

void becomeUser(uid_t user)
{
    if (user == static_cast<uid_t>(-1) || user == geteuid())
        return;
    const passwd* entry = getpwuid(user);
    if (!entry || setgid(entry->pw_gid) != 0 || setuid(user) != 0)
        _exit(120);
}

} // namespace

std::string runnerLines(const std::string& source, const std::string& target, const char* lineEnd)
{
    return "type \"" + source + "\" >> \"" + target + "\"" + lineEnd + "echo. >> \"" + target + "\"" + lineEnd;
}

RunResult runInterpreterWith(const std::string& batchFile, const std::string& scratch, const RunOptions& options)
{
    const std::string outputFile = scratch + "/.stdout";
    const std::string errorFile = scratch + "/.stderr";
    std::string program = DAVEV_CMD_PATH;
    if (options.user != static_cast<uid_t>(-1) && options.user != geteuid()) {
        // The build may lie where that user cannot go (root's home, say).
        program = scratch + "/.da-vev-cmd";
        std::filesystem::copy_file(DAVEV_CMD_PATH, program, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(program, std::filesystem::perms(0755));
    }
    int errorPipe[2] = {-1, -1};
    if (options.closedErrorPipe && pipe(errorPipe) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        becomeUser(options.user);
        const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errors =
            options.closedErrorPipe ? errorPipe[1] : ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (output < 0 || errors < 0 || dup2(output, 1) < 0 || dup2(errors, 2) < 0)
            _exit(121);
        if (options.closedErrorPipe)
            close(errorPipe[0]);
        if (options.closedOutputs) {
            close(1);
            close(2);
        }
        if (options.fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execl(program.c_str(), program.c_str(), batchFile.c_str(), static_cast<char*>(nullptr));
        _exit(122);
    }
    if (options.closedErrorPipe) {
        close(errorPipe[0]);
        close(errorPipe[1]);
    }
    RunResult result;
    int status = 0;
    const bool ended = waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, options.bound);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        result.exitCode = -1;
    } else {
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    result.output = readFile(outputFile);
    result.errors = readFile(errorFile);
    return result;
}

pid_t startImportThatStops(const std::string& source, const std::string& target, const std::string& journalFolder,
                           std::size_t budget, uid_t user)
{
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        becomeUser(user);
        StoppingCopier copier(budget);
        cmd::PosixFileSystem files(copier, journalFolder);
        cmd::BatchRunner runner(files);
        runner.runLine("type \"" + source + "\" >> \"" + target + "\"");
        _exit(123); // the budget outlasted the source
    }
    int status = 0;
    if (waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status))
        throw std::runtime_error("the import did not stop part-way");
    return pid;
}

void killAndReap(pid_t pid)
{
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

uid_t unprivilegedUser()
{
    if (geteuid() != 0)
        return geteuid();
    const passwd* nobody = getpwnam("nobody");
    return nobody ? nobody->pw_uid : 65534;
}

} // namespace davev::test
