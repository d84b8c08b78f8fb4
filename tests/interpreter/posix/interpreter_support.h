#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

#include "test_support.h"

namespace davev::test {

// The two lines the program writes for one import.
std::string runnerLines(const std::string& source, const std::string& target, const char* lineEnd = "\r\n");

struct RunOptions {
    long fileSizeLimit = -1;      // RLIMIT_FSIZE of the interpreter, in bytes
    bool closedErrorPipe = false; // standard error is a pipe nobody reads
    bool closedOutputs = false;   // started with standard output and error closed
    uid_t user = static_cast<uid_t>(-1);
    std::chrono::seconds bound{60}; // killed after this, with exitCode -1
};

// Runs da-vev-cmd on a batch file as RunOptions say, its output and errors
// captured in scratch.
RunResult runInterpreterWith(const std::string& batchFile, const std::string& scratch, const RunOptions& options);

// Starts, in a child process, an import of source into target that stops
// the child (SIGSTOP) once it has appended budget bytes: an import caught
// part-way, holding its lock and its journal. Returns once it has stopped.
pid_t startImportThatStops(const std::string& source, const std::string& target, const std::string& journalFolder,
                           std::size_t budget, uid_t user = static_cast<uid_t>(-1));
void killAndReap(pid_t pid);

// The names in a folder, sorted; empty when it does not exist.
std::vector<std::string> namesIn(const std::string& folder);

// nobody when running as root, who ignores folder permissions; else the
// current user.
uid_t unprivilegedUser();

} // namespace davev::test
