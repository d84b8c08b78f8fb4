#include "platform/posix/posix_launcher.h"

#include "platform/posix/command_resolution.h"
#include "platform/posix/detached_spawn.h"
#include "platform/posix/interpreter_location.h"

namespace davev {

PosixLauncher::PosixLauncher(std::string interpreterPath) : interpreterPath_(std::move(interpreterPath)) {}

const std::string& PosixLauncher::interpreter()
{
    if (interpreterPath_.empty())
        interpreterPath_ = findCommandInterpreter();
    return interpreterPath_;
}

long PosixLauncher::launch(const std::string& commandLine, WindowStyle /*style: no console windows here*/)
{
    ResolvedCommand command = resolveCommandLine(commandLine);
    std::vector<std::string> argv;
    if (command.isBatchFile) {
        argv = {interpreter(), command.program};
    } else {
        argv.push_back(command.program);
        argv.insert(argv.end(), command.arguments.begin(), command.arguments.end());
    }
    return spawnDetached(argv);
}

long PosixLauncher::launchBatchFile(const std::string& fileName, WindowStyle /*style*/)
{
    return spawnDetached({interpreter(), startableBatchFile(fileName)});
}

} // namespace davev
