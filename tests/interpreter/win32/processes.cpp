#include "processes.h"

#include <gtest/gtest.h>

#include "files.h"
#include "interpreter/core/batch_runner.h"
#include "interpreter/win32/win32_file_system.h"
#include "platform/win32/event_log.h"
#include "platform/win32/win32_text.h"

namespace davev::test {
namespace {

constexpr wchar_t stopsFlag[] = L"--import-that-stops";

std::wstring quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::wstring testProgram()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Copies as the interpreter does until budget bytes are in the target, then
// says so and never returns, like a process frozen mid-copy.
class StoppingFiles : public cmd::Win32FileSystem {
public:
    // The journals' folder is the interpreter's.
    StoppingFiles(std::uint64_t budget, HANDLE stopped)
        : Win32FileSystem(narrowAnsi(logFolder() + L"\\journals")), budget_(budget), stopped_(stopped)
    {
    }

    cmd::FileResult copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset, std::uint64_t length,
                         std::uint64_t& copied) override
    {
        auto result = Win32FileSystem::copy(in, inOffset, out, outOffset, std::min(length, budget_ - total_), copied);
        total_ += copied;
        if (total_ >= budget_) {
            SetEvent(stopped_);
            Sleep(INFINITE);
        }
        return result;
    }

private:
    std::uint64_t budget_;
    std::uint64_t total_ = 0;
    HANDLE stopped_;
};

} // namespace

std::wstring besideTestProgram(const std::wstring& relative)
{
    std::wstring path = testProgram();
    path = path.substr(0, path.find_last_of(L'\\') + 1) + relative;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

std::wstring interpreterPath()
{
    return besideTestProgram(widen(DAVEV_CMD_RELATIVE_PATH));
}

HANDLE startProcess(const std::wstring& program, const std::wstring& commandLine, const std::wstring& errorsFile,
                    bool ownConsole)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE errors = CreateFileW(errorsFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(errors, INVALID_HANDLE_VALUE);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = errors;
    startup.hStdOutput = errors;
    startup.hStdInput = nullptr;
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    const BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        ownConsole ? CREATE_NO_WINDOW : 0, nullptr, nullptr, &startup, &process);
    EXPECT_TRUE(started) << narrow(program) << ": " << GetLastError();
    CloseHandle(errors);
    if (!started)
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD endProcess(HANDLE process)
{
    if (WaitForSingleObject(process, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, INFINITE);
        ADD_FAILURE() << "still running after a minute";
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    return exitCode;
}

RunResult finishProcess(HANDLE process, const std::wstring& errorsFile)
{
    if (process == nullptr)
        return {~DWORD{0}, "not started"};
    RunResult result;
    result.exitCode = endProcess(process);
    result.errors = readFile(std::filesystem::path(errorsFile));
    return result;
}

RunResult runInterpreter(const std::string& batchFile)
{
    const std::wstring batch = widenAnsi(batchFile);
    const std::wstring errors = batch + L".errors";
    const std::wstring program = interpreterPath();
    return finishProcess(startProcess(program, quoted(program) + L" " + quoted(batch), errors), errors);
}

HANDLE startImportThatStops(const std::string& source, const std::string& target, std::uint64_t budget)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE stopped = CreateEventW(&inherited, TRUE, FALSE, nullptr);
    const std::wstring program = testProgram();
    const std::wstring line = quoted(program) + L" " + stopsFlag + L" " + quoted(widenAnsi(source)) + L" " +
                              quoted(widenAnsi(target)) + L" " + std::to_wstring(budget) + L" " +
                              std::to_wstring(reinterpret_cast<std::uintptr_t>(stopped));
    const std::wstring errors = widenAnsi(target) + L".child-errors";
    HANDLE child = startProcess(program, line, errors);
    const HANDLE either[] = {stopped, child};
    const DWORD woken = child ? WaitForMultipleObjects(2, either, FALSE, 60000) : WAIT_FAILED;
    CloseHandle(stopped);
    if (woken != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the import did not stop part-way: " << readFile(std::filesystem::path(errors));
        if (child) {
            TerminateProcess(child, 9);
            CloseHandle(child);
        }
        return nullptr;
    }
    return child;
}

int importThatStops(int argc, wchar_t** argv)
{
    if (argc != 6 || std::wstring(argv[1]) != stopsFlag)
        return -1;
    const auto stopped = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::stoull(argv[5])));
    StoppingFiles files(std::stoull(argv[4]), stopped);
    cmd::BatchRunner runner(files);
    const std::string line = "type \"" + narrowAnsi(argv[2]) + "\" >> \"" + narrowAnsi(argv[3]) + "\"";
    runner.runLine(line);
    return 3; // the copy ended before the budget did
}

} // namespace davev::test
