#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "files.h"

namespace davev::test {

void writeFile(const std::string& path, const std::string& content);
bool exists(const std::string& path);

struct RunResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

// Runs da-vev-cmd on a batch file and waits for it.
RunResult runInterpreter(const std::string& batchFile, const TempDir& scratch);

// Starts da-vev-cmd on a batch file without waiting; returns its pid.
int startInterpreter(const std::string& batchFile);
int waitForExit(int pid);

// Polls until condition holds or bound passes; returns whether it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound = std::chrono::seconds(20));

} // namespace davev::test
