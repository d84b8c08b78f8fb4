#include "platform/win32/file_io.h"

#include <algorithm>

namespace davev {

DWORD writeAll(HANDLE file, const char* bytes, std::uint64_t size, std::uint64_t* offset)
{
    constexpr std::uint64_t largestWrite = 1u << 20;
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min(size, largestWrite));
        DWORD written = 0;
        OVERLAPPED position{};
        if (offset) {
            position.Offset = static_cast<DWORD>(*offset);
            position.OffsetHigh = static_cast<DWORD>(*offset >> 32);
        }
        if (!WriteFile(file, bytes, chunk, &written, offset ? &position : nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        bytes += written;
        size -= written;
        if (offset)
            *offset += written;
    }
    return 0;
}

DWORD makeFolders(const std::wstring& folder)
{
    // From the first separator after the drive or share, each folder in turn.
    // A folder that exists may still refuse to be made again, as a drive's
    // top does; only the last refusal counts when the folder is not there.
    DWORD refused = 0;
    const std::size_t from = folder.starts_with(L"\\\\") ? folder.find(L'\\', folder.find(L'\\', 2) + 1) : 2;
    for (std::size_t slash = folder.find_first_of(L"\\/", from + 1);; slash = folder.find_first_of(L"\\/", slash + 1)) {
        if (!CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            refused = GetLastError();
        if (slash == std::wstring::npos)
            break;
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return refused != 0 ? refused : GetLastError();
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
}

bool isFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool sameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

} // namespace davev
