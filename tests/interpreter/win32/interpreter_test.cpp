// da-vev-cmd.exe run as a process on batch files, as the launcher runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "files.h"
#include "platform/win32/event_log.h"
#include "platform/win32/win32_text.h"
#include "processes.h"

namespace davev::test {
namespace {

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The two lines the program writes for one import.
std::string runnerLines(const std::string& source, const std::string& target)
{
    return "type \"" + source + "\" >> \"" + target + "\"\r\necho. >> \"" + target + "\"\r\n";
}

std::vector<std::string> journalsIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(".da-vev-journal-"))
            names.push_back(entry.path().filename().string());
    return names;
}

class Interpreter : public ::testing::Test {
protected:
    RunResult run(const std::string& batchText, const std::string& name = "Import.bat")
    {
        writeFile(dir / name, batchText);
        return runInterpreter(dir / name);
    }

    TempDir dir;
};

TEST_F(Interpreter, AppendsTheSourceThenALineEndAndLogsTheImport)
{
    const std::string source = dir / "SOURCE.txt";
    const std::string target = dir / "TARGET.txt";
    writeFile(source, std::string("line one\nline two\r\n\0binary\xff", 27));
    writeFile(target, "before\r\n");

    for (int i = 0; i < 2; ++i) {
        const RunResult result = run(runnerLines(source, target));
        EXPECT_EQ(result.exitCode, 0u) << result.errors;
        EXPECT_EQ(result.errors, "");
    }
    const std::string copy = readFile(source) + "\r\n";
    EXPECT_EQ(readFile(target), "before\r\n" + copy + copy);
    EXPECT_TRUE(journalsIn(dir.path()).empty());

    // No event source registered here, so the log file takes the lines.
    ASSERT_FALSE(eventSourceRegistered());
    const std::string log = readFile(std::filesystem::path(logFolder()) / "imports.log");
    const std::string line = "into \"" + target + "\": " + std::to_string(copy.size()) + " bytes appended in ";
    std::size_t found = 0;
    for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
        ++found;
    EXPECT_EQ(found, 2u) << log;
}

// The batch file's own name may hold what the ANSI code page cannot (a user
// folder "Дмитрий" under code page 1252); the log names it exactly, in UTF-8.
TEST_F(Interpreter, TheLogNamesTheBatchFileAndThePathsInItExactly)
{
    const std::filesystem::path folder = dir.path() / L"\u0414\u043c\u0438\u0442\u0440\u0438\u0439";
    std::filesystem::create_directory(folder);
    const std::filesystem::path batch = folder / L"Import.bat";
    const std::string missing = dir / "caf\xe9.txt"; // "café" in code page 1252
    const std::string target = dir / "d\xe9j\xe0.txt";
    std::ofstream(batch, std::ios::binary) << runnerLines(missing, target);

    const std::wstring program = interpreterPath();
    const std::wstring errors = batch.wstring() + L".errors";
    const RunResult result =
        finishProcess(startProcess(program, L"\"" + program + L"\" \"" + batch.wstring() + L"\"", errors), errors);
    EXPECT_EQ(result.exitCode, 1u);
    // Standard error, a file here, is in the code page, as the batch file.
    EXPECT_NE(result.errors.find("Import.bat:1: type: cannot read \"" + missing + "\""), std::string::npos)
        << result.errors;

    const std::string log = readFile(std::filesystem::path(logFolder()) / "imports.log");
    const std::string line = "import of batch file \"" + narrow(batch.wstring()) + "\" into \"" +
                             narrow(widenAnsi(target)) + "\": 0 bytes appended in ";
    EXPECT_NE(log.find(line), std::string::npos) << log.substr(log.size() - std::min<std::size_t>(log.size(), 600));
    EXPECT_NE(log.find("failed: type: cannot read \"" + narrow(widenAnsi(missing)) + "\""), std::string::npos);
}

TEST_F(Interpreter, AFileAppendedToItselfIsCopiedOnce)
{
    const std::string file = dir / "self.txt";
    const std::string content(3 << 20, 'x'); // more than one copy buffer
    writeFile(file, content);

    const RunResult result = run(runnerLines(file, file));
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_TRUE(readFile(file) == content + content + "\r\n");
}

TEST_F(Interpreter, AMissingSourceLeavesTheTargetAsItWas)
{
    const std::string target = dir / "target.txt";
    writeFile(target, "kept\r\n");

    const RunResult result = run(runnerLines(dir / "missing.txt", target));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.errors.find("Import.bat:1: type: cannot read \"" + (dir / "missing.txt") + "\""),
              std::string::npos)
        << result.errors;
    EXPECT_NE(result.errors.find("Import.bat:2: not run"), std::string::npos) << result.errors;
    EXPECT_EQ(readFile(target), "kept\r\n");
}

TEST_F(Interpreter, PercentSignsInNamesAreTakenLiterally)
{
    const std::string source = dir / "a %PATH% b.txt";
    const std::string target = dir / "to %TEMP%%.txt";
    writeFile(source, "literal");

    const RunResult result = run(runnerLines(source, target));
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_EQ(readFile(target), "literal\r\n");
}

TEST_F(Interpreter, EightOverlappingImportsLandWholeOneAfterAnother)
{
    constexpr int runners = 8;
    constexpr std::size_t size = 3 << 20; // several copy buffers each
    const std::string target = dir / "shared target.txt";
    std::vector<HANDLE> processes;
    std::vector<std::wstring> errors;
    for (int i = 0; i < runners; ++i) {
        const std::string name = std::to_string(i);
        writeFile(dir / ("source" + name), std::string(size, static_cast<char>('A' + i)));
        writeFile(dir / ("run" + name + ".bat"), runnerLines(dir / ("source" + name), target));
    }
    const std::wstring program = interpreterPath();
    for (int i = 0; i < runners; ++i) {
        const std::wstring batch = widenAnsi(dir / ("run" + std::to_string(i) + ".bat"));
        errors.push_back(batch + L".errors");
        processes.push_back(startProcess(program, L"\"" + program + L"\" \"" + batch + L"\"", errors.back()));
    }
    for (int i = 0; i < runners; ++i) {
        const RunResult result = finishProcess(processes[i], errors[i]);
        EXPECT_EQ(result.exitCode, 0u) << result.errors;
    }

    const std::string result = readFile(target);
    ASSERT_EQ(result.size(), runners * (size + 2));
    std::string seen;
    for (std::size_t at = 0; at < result.size(); at += size + 2) {
        const char letter = result[at];
        EXPECT_TRUE(result.compare(at, size, std::string(size, letter)) == 0) << "copy at " << at << " is mixed";
        EXPECT_EQ(result.substr(at + size, 2), "\r\n");
        seen += letter;
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, "ABCDEFGH");
}

TEST_F(Interpreter, AnImportCutOffPartWayIsCutBackByTheNextImportOfItsTarget)
{
    const std::string target = dir / "target.txt";
    const std::string big = dir / "big.txt";
    const std::string small = dir / "small.txt";
    writeFile(target, "before\r\n");
    writeFile(big, std::string(4 << 20, 'b'));
    writeFile(small, "small");

    HANDLE child = startImportThatStops(big, target, 1 << 20);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(readFile(target).size(), 8u + (1 << 20)) << "a fragment is in the target";
    EXPECT_EQ(journalsIn(dir.path()).size(), 1u);

    // Held by a process that makes no progress, the target is waited for
    // only as long as the bound, shortened here, and left untouched.
    SetEnvironmentVariableW(L"DAVEV_CMD_LOCK_WAIT_MS", L"300");
    const RunResult waited = run(runnerLines(small, target), "Waits.bat");
    SetEnvironmentVariableW(L"DAVEV_CMD_LOCK_WAIT_MS", nullptr);
    EXPECT_EQ(waited.exitCode, 1u);
    EXPECT_NE(waited.errors.find("Waits.bat:1: gave up after waiting 300 ms for another import of \"" + target +
                                 "\" to finish; nothing was written"),
              std::string::npos)
        << waited.errors;
    EXPECT_EQ(readFile(target).size(), 8u + (1 << 20));

    TerminateProcess(child, 9); // as a crash or a power cut would end it
    WaitForSingleObject(child, INFINITE);
    CloseHandle(child);

    const RunResult result = run(runnerLines(small, target));
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_NE(result.errors.find("was cut back from " + std::to_string(8 + (1 << 20)) + " to 8 bytes"),
              std::string::npos)
        << result.errors;
    EXPECT_EQ(readFile(target), "before\r\nsmall\r\n");
    EXPECT_TRUE(journalsIn(dir.path()).empty());
}

// Ctrl+C, or the console closing, stops the import in progress: here one
// whose second line waits for a source that a frozen import is writing.
TEST_F(Interpreter, CtrlCCutsTheImportInProgressBackAndEndsIt)
{
    const std::string target = dir / "target.txt";
    const std::string small = dir / "small.txt";
    const std::string busy = dir / "busy.txt";
    writeFile(target, "before\r\n");
    writeFile(small, "small");
    writeFile(dir / "big.txt", std::string(1 << 20, 'b'));
    HANDLE holder = startImportThatStops(dir / "big.txt", busy, 1 << 10);
    ASSERT_NE(holder, nullptr);

    // The interpreter shares this program's console, which ignores the event.
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    // Ctrl+C handled, also when this program was started ignoring it (as
    // under ctest): the interpreter inherits the setting.
    SetConsoleCtrlHandler(nullptr, FALSE);
    writeFile(dir / "Import.bat", "type \"" + small + "\" >> \"" + target + "\"\r\ntype \"" + busy + "\" >> \"" +
                                      target + "\"\r\necho. >> \"" + target + "\"\r\n");
    const std::wstring program = interpreterPath();
    const std::wstring errors = widenAnsi(dir / "Import.errors");
    HANDLE process =
        startProcess(program, L"\"" + program + L"\" \"" + widenAnsi(dir / "Import.bat") + L"\"", errors, false);
    ASSERT_NE(process, nullptr);
    const auto deadline = GetTickCount64() + 60000;
    while (readFile(target) != "before\r\nsmall" && GetTickCount64() < deadline)
        Sleep(10);
    EXPECT_EQ(readFile(target), "before\r\nsmall");
    // Ignored here only now: the child would inherit the setting.
    SetConsoleCtrlHandler(nullptr, TRUE);
    EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    const RunResult result = finishProcess(process, errors);
    SetConsoleCtrlHandler(nullptr, FALSE);
    FreeConsole();
    TerminateProcess(holder, 9);
    WaitForSingleObject(holder, INFINITE);
    CloseHandle(holder);

    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.errors.find("Import.bat:2: stopped by a signal while waiting for another import of \"" + busy +
                                 "\" to finish; \"" + target + "\" is left as it was"),
              std::string::npos)
        << result.errors;
    EXPECT_EQ(readFile(target), "before\r\n");
    EXPECT_TRUE(journalsIn(dir.path()).size() == 1u) << "only the frozen import's";
}

// The journal's name for a file: its volume serial number and file index.
std::string journalName(const std::string& path)
{
    HANDLE file = CreateFileW(widenAnsi(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    EXPECT_TRUE(GetFileInformationByHandle(file, &info));
    CloseHandle(file);
    return std::to_string(info.dwVolumeSerialNumber) + "-" +
           std::to_string((std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow);
}

TEST_F(Interpreter, AJournalTheTargetsFolderCannotTakeGoesToTheUsersLocalFolder)
{
    const std::string target = dir / "target.txt";
    const std::string source = dir / "source.txt";
    writeFile(target, "before\r\n");
    writeFile(source, "source");
    const std::string name = journalName(target);
    // Something in the way of the journal's temporary file beside the target.
    std::filesystem::create_directory(dir / (".da-vev-journal-" + name + ".new"));
    const std::filesystem::path fallback = std::filesystem::path(logFolder()) / "journals" / name;

    HANDLE child = startImportThatStops(source, target, 3);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(std::filesystem::exists(fallback));
    TerminateProcess(child, 9);
    WaitForSingleObject(child, INFINITE);
    CloseHandle(child);
    ASSERT_EQ(readFile(target), "before\r\nsou");

    const RunResult result = run(runnerLines(source, target));
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_EQ(readFile(target), "before\r\nsource\r\n");
    EXPECT_FALSE(std::filesystem::exists(fallback));
}

// A folder there, or a file another program holds, as a virus scanner may.
TEST_F(Interpreter, WhatLiesAtAJournalsNameAndIsNoJournalIsLeftAlone)
{
    const std::string source = dir / "source.txt";
    writeFile(source, "source");
    const std::string first = dir / "first.txt";
    writeFile(first, "before\r\n");
    std::filesystem::create_directory(dir / (".da-vev-journal-" + journalName(first)));

    RunResult result = run(runnerLines(source, first));
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_EQ(readFile(first), "before\r\nsource\r\n");

    const std::string second = dir / "second.txt";
    writeFile(second, "before\r\n");
    const std::string stray = dir / (".da-vev-journal-" + journalName(second));
    writeFile(stray, "not a journal");
    HANDLE held = CreateFileW(widenAnsi(stray).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE child = startImportThatStops(source, second, 3);
    ASSERT_NE(child, nullptr);
    TerminateProcess(child, 9);
    WaitForSingleObject(child, INFINITE);
    CloseHandle(child);
    ASSERT_EQ(readFile(second), "before\r\nsou");

    result = run(runnerLines(source, second));
    CloseHandle(held);
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_EQ(readFile(second), "before\r\nsource\r\n");
    EXPECT_EQ(readFile(stray), "not a journal");
}

TEST_F(Interpreter, ATargetThatCannotBeWrittenIsReportedAndLeftAsItWas)
{
    const std::string source = dir / "source.txt";
    const std::string target = dir / "target.txt";
    writeFile(source, "source");
    writeFile(target, "kept\r\n");

    ASSERT_TRUE(SetFileAttributesW(widenAnsi(target).c_str(), FILE_ATTRIBUTE_READONLY));
    RunResult result = run(runnerLines(source, target));
    SetFileAttributesW(widenAnsi(target).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.errors.find("Import.bat:1: cannot write \"" + target + "\": it is read-only"), std::string::npos)
        << result.errors;
    EXPECT_EQ(readFile(target), "kept\r\n");

    // Open elsewhere without write sharing: refused at once, not waited for.
    HANDLE held = CreateFileW(widenAnsi(target).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    result = run(runnerLines(source, target));
    CloseHandle(held);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.errors.find("Import.bat:1: cannot write \"" + target + "\""), std::string::npos) << result.errors;
    EXPECT_EQ(readFile(target), "kept\r\n");
}

// Opening any of them must not block, and nothing is created in their place.
TEST_F(Interpreter, DevicesPipesAndStreamsAreRefusedAtOnce)
{
    const std::string source = dir / "source.txt";
    const std::string target = dir / "target.txt";
    writeFile(source, "source");
    const std::wstring pipeName = L"\\\\.\\pipe\\da-vev-test-" + std::to_wstring(GetCurrentProcessId());
    // A server that never reads nor writes; each opening takes one instance.
    std::vector<HANDLE> pipes;
    for (int i = 0; i < 2; ++i) {
        pipes.push_back(CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES,
                                         0, 0, 0, nullptr));
        ASSERT_NE(pipes.back(), INVALID_HANDLE_VALUE);
    }
    const std::string pipe = narrowAnsi(pipeName);

    struct Case {
        std::string source, target, error;
    };
    const Case cases[] = {
        {pipe, target, "type: cannot read \"" + pipe + "\": it is a pipe, not a regular file"},
        {source, pipe, "cannot write \"" + pipe + "\": it is a pipe, not a regular file"},
        // Windows takes a device name with any extension, in any folder, for the device.
        {source, dir / "nul.txt", "cannot write \"" + (dir / "nul.txt") + "\": it is a device, not a regular file"},
        {dir / "con.txt", target, "type: cannot read \"" + (dir / "con.txt") + "\": "},
        {source, "\\\\.\\C:", "cannot write \"\\\\.\\C:\": it is not a regular file"},
        // A stream has its file's identity, and would share its journal.
        {source, target + ":stream", "cannot write \"" + target + ":stream\": it names a stream of a file, not a file"},
        {source + ":stream", target, "type: cannot read \"" + source + ":stream\": it names a stream of a file"},
    };
    for (const Case& c : cases) {
        const RunResult result = run(runnerLines(c.source, c.target));
        EXPECT_EQ(result.exitCode, 1u) << c.source << " >> " << c.target;
        EXPECT_NE(result.errors.find("Import.bat:1: " + c.error), std::string::npos) << result.errors;
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_FALSE(std::filesystem::exists(target + ":stream"));
    for (HANDLE pipeHandle : pipes)
        CloseHandle(pipeHandle);
}

// The batch file stays one that the system's interpreter runs too, with the
// same result but for the space its echo. writes before the line end.
TEST_F(Interpreter, TheSystemInterpreterWritesTheSameBytesButASpaceBeforeTheLineEnd)
{
    const std::string source = dir / "source.txt";
    writeFile(source, "line one\r\nline two");
    writeFile(dir / "ours.txt", "old\r\n");
    writeFile(dir / "system.txt", "old\r\n");

    EXPECT_EQ(run(runnerLines(source, dir / "ours.txt"), "ours.bat").exitCode, 0u);
    writeFile(dir / "system.bat", runnerLines(source, dir / "system.txt"));
    wchar_t system[MAX_PATH + 1] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring interpreter = std::wstring(system) + L"\\cmd.exe";
    const std::wstring errors = widenAnsi(dir / "system.errors");
    const RunResult result = finishProcess(
        startProcess(interpreter, L"cmd.exe /d /s /c \"\"" + widenAnsi(dir / "system.bat") + L"\"\"", errors), errors);
    EXPECT_EQ(result.exitCode, 0u) << result.errors;

    EXPECT_EQ(readFile(dir / "ours.txt"), "old\r\nline one\r\nline two\r\n");
    EXPECT_EQ(readFile(dir / "system.txt"), "old\r\nline one\r\nline two \r\n");
}

} // namespace
} // namespace davev::test
