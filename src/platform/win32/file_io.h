#pragma once

#include <cstdint>
#include <string>
#include <windows.h>

namespace davev {

// Writes all of bytes at *offset, or at the file position when offset is
// null; advances *offset. Returns 0 or the error code.
DWORD writeAll(HANDLE file, const char* bytes, std::uint64_t size, std::uint64_t* offset = nullptr);

// Makes a folder and the folders above it. Returns 0 or the error code
// (ERROR_DIRECTORY when something else has its name).
DWORD makeFolders(const std::wstring& folder);

bool isFolder(const std::wstring& path);

// The identity of an open file: its volume and its index on the volume.
bool sameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b);

} // namespace davev
