#include "platform/win32/cmd_launcher.h"

#include <cwctype>
#include <windows.h>

#include "platform/win32/system_error.h"
#include "platform/win32/full_path.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

struct Command {
    std::wstring program;
    std::wstring arguments;
};

bool namesFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isBatchFile(const std::wstring& program)
{
    if (program.size() < 4)
        return false;
    std::wstring extension = program.substr(program.size() - 4);
    for (wchar_t& c : extension)
        c = static_cast<wchar_t>(std::towlower(c));
    return extension == L".bat" || extension == L".cmd";
}

Command splitCommand(const std::wstring& line)
{
    // A batch file's name is never cut short, present or not: left to
    // CreateProcessW, an unquoted "My Prog.bat" that is missing would start
    // a program "My.exe" found in the working directory.
    if (namesFile(line) || isBatchFile(line))
        return {line, {}};
    std::size_t end;
    std::wstring program;
    if (!line.empty() && line.front() == L'"') {
        end = line.find(L'"', 1);
        program = line.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
        end = end == std::wstring::npos ? line.size() : end + 1;
    } else {
        end = line.find_first_of(L" \t");
        if (end == std::wstring::npos)
            end = line.size();
        program = line.substr(0, end);
    }
    const std::size_t rest = line.find_first_not_of(L" \t", end);
    return {program, rest == std::wstring::npos ? std::wstring() : line.substr(rest)};
}

std::wstring interpreterBesideProgram()
{
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {}; // reported as a missing interpreter; never one from the working directory
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"da-vev-cmd.exe";
}

} // namespace

CmdLauncher::CmdLauncher(std::wstring interpreter)
    : interpreter_(interpreter.empty() ? interpreterBesideProgram() : std::move(interpreter))
{
}

std::wstring CmdLauncher::interpreterCommandLine(const std::wstring& interpreter, const std::wstring& batchFile)
{
    // Neither name can hold a quote: Windows file names never do.
    return L"\"" + interpreter + L"\" \"" + batchFile + L"\"";
}

long CmdLauncher::launch(const std::string& commandLine, WindowStyle style)
{
    const Command command = splitCommand(widen(commandLine));
    if (isBatchFile(command.program))
        return startBatchFile(command.program, style, commandLine);
    return start({}, widen(commandLine), 0, style, commandLine);
}

long CmdLauncher::launchBatchFile(const std::string& fileName, WindowStyle style)
{
    return startBatchFile(widen(fileName), style, fileName);
}

long CmdLauncher::startBatchFile(const std::wstring& batchFile, WindowStyle style, const std::string& what)
{
    // The interpreter would start even without the file, and fail unseen.
    if (!namesFile(batchFile))
        throw systemError(ERROR_FILE_NOT_FOUND, "starting " + what);
    if (!namesFile(interpreter_))
        throw systemError(ERROR_FILE_NOT_FOUND, "starting " + what + " with " + narrow(interpreter_));
    return start(interpreter_, interpreterCommandLine(interpreter_, fullPath(batchFile)),
                 style == WindowStyle::Hidden ? CREATE_NO_WINDOW : CREATE_NEW_CONSOLE, style, what);
}

long CmdLauncher::start(const std::wstring& application, std::wstring line, DWORD flags, WindowStyle style,
                        const std::string& what)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(style); // 0 SW_HIDE, 1 SW_SHOWNORMAL
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr, FALSE,
                        flags, nullptr, nullptr, &startup, &process))
        throw lastSystemError("starting " + what);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(process.dwProcessId);
}

} // namespace davev
