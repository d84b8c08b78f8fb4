#pragma once

#include <cstdint>
#include <string>
#include <windows.h>

namespace davev::test {

// A path beside the running test program, relative to its folder.
std::wstring besideTestProgram(const std::wstring& relative);
// The interpreter under test.
std::wstring interpreterPath();

struct RunResult {
    DWORD exitCode = 0;
    std::string errors; // what the program wrote to standard error
};

// Starts program with the command line, standard error going to errorsFile,
// without a console window, or on this program's console when
// ownConsole is false. Returns the process handle.
HANDLE startProcess(const std::wstring& program, const std::wstring& commandLine, const std::wstring& errorsFile,
                    bool ownConsole = true);
// Waits for the process (at most a minute, then kills it and fails the
// test), closes it and returns its exit status.
DWORD endProcess(HANDLE process);
// endProcess, and what the process wrote to errorsFile.
RunResult finishProcess(HANDLE process, const std::wstring& errorsFile);
// da-vev-cmd.exe on a batch file, to the end.
RunResult runInterpreter(const std::string& batchFile);

// Runs, in a child process, "type source >> target" through the runner,
// which stops for good once it has appended budget bytes: an import caught
// part-way, holding its lock and its journal. Returns the child, stopped.
HANDLE startImportThatStops(const std::string& source, const std::string& target, std::uint64_t budget);
// The child's side of it; returns its exit status.
int importThatStops(int argc, wchar_t** argv);

} // namespace davev::test
