#include "interpreter/win32/batch_file.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace davev::cmd {

namespace {

// Runner files hold two lines; anything this big was not written by the program.
constexpr DWORD largestBatchFile = 1u << 20;

} // namespace

std::optional<std::string> readRunnerBatchFile(const std::wstring& path, std::string& content)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return systemErrorTextAnsi(GetLastError());
    std::optional<std::string> refused;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        refused = "it is not a regular file";
    } else if (info.nFileSizeHigh != 0 || info.nFileSizeLow > largestBatchFile) {
        refused = "it is larger than any runner batch file";
    } else {
        content.assign(info.nFileSizeLow, '\0');
        DWORD got = 0;
        if (!ReadFile(file, content.data(), info.nFileSizeLow, &got, nullptr))
            refused = systemErrorTextAnsi(GetLastError());
        content.resize(got);
    }
    CloseHandle(file);
    return refused;
}

} // namespace davev::cmd
