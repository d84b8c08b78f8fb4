#include "platform/posix/detached_spawn.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "platform/platform_error.h"
#include "platform/posix/errno_text.h"

namespace davev {

namespace {

// posix_spawn starts the child with clone(CLONE_VFORK) and exec, so nothing
// runs in a forked copy of this multithreaded process and exec failures come
// back as the call's result. The price is that the child stays our child, so
// it must be reaped: a small thread per launch waits for exactly that pid and
// never touches other children (QProcess's, for instance). If no thread can
// be made, the pid is kept and collected without blocking on later launches.
std::mutex leftoverMutex;
std::vector<pid_t> leftovers;

void collectLeftovers()
{
    const std::lock_guard lock(leftoverMutex);
    std::erase_if(leftovers, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

void reapInBackground(pid_t pid)
{
    // The waiter blocks every signal so it never takes one meant for a thread
    // that handles signals itself.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    try {
        std::thread([pid] {
            while (waitpid(pid, nullptr, 0) == -1 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        const std::lock_guard lock(leftoverMutex);
        leftovers.push_back(pid);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

class SpawnSettings {
public:
    SpawnSettings()
    {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);

        posix_spawnattr_init(&attributes_);
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSettings()
    {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

} // namespace

long spawnDetached(const std::vector<std::string>& argv)
{
    collectLeftovers();
    std::vector<char*> arguments;
    arguments.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);

    const SpawnSettings settings;
    pid_t pid = 0;
    const int result =
        posix_spawn(&pid, argv.at(0).c_str(), settings.actions(), settings.attributes(), arguments.data(), environ);
    if (result != 0)
        throw PlatformError(result, errnoText(result) + ": " + argv[0]);
    reapInBackground(pid);
    return pid;
}

} // namespace davev
