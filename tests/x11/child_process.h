#pragma once

#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

namespace davev::test {

// Absolute path of a program found on PATH, or empty.
std::string findProgram(const std::string& name);

// A child process that is stopped (TERM, then KILL) when this object goes,
// and that the kernel ends if the test process dies first.
class ChildProcess {
public:
    // `extraEnvironment` adds to or overrides the test's own environment.
    // `keepOpen` is one descriptor the child inherits as is (-1: none).
    ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnvironment,
                 int keepOpen = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    void stop();

private:
    pid_t pid_ = -1;
};

} // namespace davev::test
