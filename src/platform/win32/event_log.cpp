#include "platform/win32/event_log.h"

#include <chrono>
#include <ctime>
#include <shlobj.h>
#include <string>
#include <thread>
#include <windows.h>

#include "platform/win32/far_byte_lock.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

constexpr ULONGLONG logFileLimit = 1u << 20;
// A line takes microseconds to write; a writer holding the log this long is
// stuck, and must not hold up the imports after it.
constexpr std::chrono::milliseconds logLockWait{1000};

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

bool lockWithin(HANDLE file, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
        const FarByteLock lock = lockFarByte(file, true);
        if (lock == FarByteLock::Taken)
            return true;
        if (lock == FarByteLock::Failed || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A program that opens the log without sharing it for writing (a virus
// scanner, a backup, a viewer) keeps every writer out while it holds it;
// such a hold is waited out as the log's lock is.
HANDLE openLog(const std::wstring& path)
{
    const auto deadline = std::chrono::steady_clock::now() + logLockWait;
    while (true) {
        // Shared for deletion, so that any writer may rotate the file.
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
            std::chrono::steady_clock::now() >= deadline)
            return file;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool sameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// Only the file still under the log's name is rotated: a writer that waited
// while another rotated it would otherwise put the fresh file over the full one.
bool rotateIfFull(HANDLE held, const std::wstring& path)
{
    BY_HANDLE_FILE_INFORMATION heldInfo{};
    if (!GetFileInformationByHandle(held, &heldInfo) ||
        ((ULONGLONG{heldInfo.nFileSizeHigh} << 32) | heldInfo.nFileSizeLow) < logFileLimit)
        return false;
    HANDLE named = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION namedInfo{};
    const bool same = GetFileInformationByHandle(named, &namedInfo) && sameFile(heldInfo, namedInfo);
    CloseHandle(named);
    return same && MoveFileExW(path.c_str(), (path + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string stampedLine(std::string_view text)
{
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_s(&utc, &now) == 0)
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = std::string(stamp) + " DA-VEV[" + std::to_string(GetCurrentProcessId()) + "]: ";
    line += text;
    line += "\r\n";
    return line;
}

void writeLine(HANDLE file, const std::string& line)
{
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

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
    wchar_t* local = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &local)))
        folder = std::wstring(local) + L"\\DA-VEV";
    CoTaskMemFree(local);
    return folder;
}

void appendToLogFile(const std::wstring& folder, std::string_view text)
{
    if (folder.empty())
        return;
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\imports.log";
    HANDLE file = openLog(path);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // The lock lets one of several concurrent writers rotate the file; a late
    // writer's line lands in the rotated file. Unlocked, the line is still
    // appended whole, and the rotation waits for a later writer.
    const std::string line = stampedLine(text);
    if (lockWithin(file, logLockWait) && rotateIfFull(file, path)) {
        CloseHandle(file);
        file = openLog(path);
        if (file == INVALID_HANDLE_VALUE)
            return;
    }
    writeLine(file, line);
    CloseHandle(file);
}

void writeLog(LogLevel level, std::string_view text)
{
    if (!eventSourceRegistered()) {
        appendToLogFile(logFolder(), text);
        return;
    }
    HANDLE source = RegisterEventSourceW(nullptr, L"DA-VEV");
    if (source == nullptr)
        return;
    const std::wstring line = widen(text);
    const wchar_t* strings[] = {line.c_str()};
    ReportEventW(source, eventType(level), 0, 0, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

void writeEventLog(std::string_view text)
{
    writeLog(LogLevel::Error, text);
}

} // namespace davev
