#include <gtest/gtest.h>

#include <windows.h>

#include "files.h"
#include "platform/win32/module_executable_name.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

std::filesystem::path ownPath()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Runs a program and waits for it; returns its exit code.
DWORD runToEnd(const std::filesystem::path& program, const std::wstring& arguments)
{
    std::wstring line = L"\"" + program.native() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(ExecutableName, IsTheFileNameOfTheRunningCopyWithoutDirectoryAndExtension)
{
    EXPECT_EQ(ModuleExecutableName().get(), "win32_service_tests");

    // A renamed copy of a program that writes its own executable name.
    test::TempDir dir;
    const std::filesystem::path copy = dir.path() / L"Nightly Import.v2.exe";
    std::filesystem::copy_file(ownPath().parent_path() / L"print_executable_name.exe", copy);
    const std::string out = dir / "name.txt";
    ASSERT_EQ(runToEnd(copy, L"\"" + widen(out) + L"\""), 0u);
    EXPECT_EQ(test::readFile(out), "Nightly Import.v2");
}

} // namespace
} // namespace davev
