#include "platform/win32/event_log.h"

#include <shlobj.h>
#include <windows.h>

#include "platform/win32/far_byte_lock.h"
#include "platform/win32/file_io.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

WORD eventType(LogLevel level)
{
    switch (level) {
    case LogLevel::Information:
        return EVENTLOG_INFORMATION_TYPE;
    case LogLevel::Warning:
        return EVENTLOG_WARNING_TYPE;
    case LogLevel::Error:
        break;
    }
    return EVENTLOG_ERROR_TYPE;
}

HANDLE native(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

// Paths in UTF-8.
class Win32LogFiles final : public LogFileSystem {
public:
    std::string pathIn(const std::string& folder, std::string_view name) override
    {
        return folder + "\\" + std::string(name);
    }

    std::optional<std::string> makeFolder(const std::string& folder) override
    {
        if (const DWORD error = makeFolders(widen(folder)))
            return systemErrorText(error);
        return std::nullopt;
    }

    Attempt open(const std::string& path, std::intptr_t& handle, std::string& problem) override
    {
        // Shared for deletion, so that any writer may rotate the file; a link
        // at its name is opened as itself, and refused.
        const std::wstring wide = widen(path);
        HANDLE file = CreateFileW(wide.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_SHARING_VIOLATION)
                return Attempt::Busy;
            problem = error == ERROR_ACCESS_DENIED && isFolder(wide) ? "it is a folder, not a regular file"
                                                                     : systemErrorText(error);
            return Attempt::Failed;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        const DWORD type = GetFileType(file);
        if (type != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
            (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
            problem = type == FILE_TYPE_PIPE   ? "it is a pipe, not a regular file"
                      : type == FILE_TYPE_CHAR ? "it is a device, not a regular file"
                                               : "it is a link, not a regular file";
            CloseHandle(file);
            return Attempt::Failed;
        }
        handle = reinterpret_cast<std::intptr_t>(file);
        return Attempt::Done;
    }

    Attempt tryLock(std::intptr_t handle) override
    {
        switch (lockFarByte(native(handle), true)) {
        case FarByteLock::Taken:
            return Attempt::Done;
        case FarByteLock::Busy:
            return Attempt::Busy;
        case FarByteLock::Failed:
            break;
        }
        return Attempt::Failed;
    }

    std::uint64_t size(std::intptr_t handle) override
    {
        LARGE_INTEGER size{};
        return GetFileSizeEx(native(handle), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }

    bool names(const std::string& path, std::intptr_t handle) override
    {
        BY_HANDLE_FILE_INFORMATION held{};
        if (!GetFileInformationByHandle(native(handle), &held))
            return false;
        HANDLE named = CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (named == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION namedInfo{};
        const bool same = GetFileInformationByHandle(named, &namedInfo) && sameFile(held, namedInfo);
        CloseHandle(named);
        return same;
    }

    bool rename(const std::string& from, const std::string& to) override
    {
        return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING);
    }

    std::optional<std::string> append(std::intptr_t handle, std::string_view bytes) override
    {
        if (const DWORD error = writeAll(native(handle), bytes.data(), bytes.size()))
            return systemErrorText(error);
        return std::nullopt;
    }

    void close(std::intptr_t handle) override { CloseHandle(native(handle)); }
};

} // namespace

bool eventSourceRegistered()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\DA-VEV", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring logFolder()
{
    // Loaded when a line is logged, not at every start: the shell's DLLs are many.
    const auto knownFolder = systemFunction<decltype(SHGetKnownFolderPath)>(L"shell32.dll", "SHGetKnownFolderPath");
    const auto free = systemFunction<decltype(CoTaskMemFree)>(L"ole32.dll", "CoTaskMemFree");
    wchar_t* local = nullptr;
    std::wstring folder;
    if (knownFolder && free && SUCCEEDED(knownFolder(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &local)))
        folder = std::wstring(local) + L"\\DA-VEV";
    if (free)
        free(local);
    return folder;
}

LogLoss appendToLogFile(const std::wstring& folder, std::string_view text)
{
    Win32LogFiles files;
    return appendToLogFile(files, narrow(folder), text, GetCurrentProcessId(), "\r\n");
}

LogLoss writeLog(LogLevel level, std::string_view text)
{
    if (!eventSourceRegistered()) {
        const std::wstring folder = logFolder();
        if (folder.empty())
            return std::string("this user has no local application data folder for imports.log");
        return appendToLogFile(folder, text);
    }
    HANDLE source = RegisterEventSourceW(nullptr, L"DA-VEV");
    if (source == nullptr)
        return "cannot reach the Application event log: " + systemErrorText(GetLastError());
    const std::wstring line = widen(text);
    const wchar_t* strings[] = {line.c_str()};
    const bool reported = ReportEventW(source, eventType(level), 0, 0, nullptr, 1, 0, strings, nullptr);
    const DWORD error = GetLastError();
    DeregisterEventSource(source);
    if (!reported)
        return "cannot write to the Application event log: " + systemErrorText(error);
    return std::nullopt;
}

} // namespace davev
