#include "platform/win32/ansi_file_output.h"

#include <filesystem>
#include <windows.h>

#include "platform/win32/system_error.h"
#include "platform/win32/win32_text.h"

namespace davev {

std::optional<std::string> AnsiFileOutput::toAnsi(std::string_view utf8)
{
    const std::wstring wide = widen(utf8);
    if (wide.empty())
        return std::string();
    const UINT codePage = GetACP();
    // UTF-8 as the system code page (a Windows option) represents everything
    // and takes neither the flag nor the used-default query.
    const bool utf8CodePage = codePage == CP_UTF8;
    const DWORD flags = utf8CodePage ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultQuery = utf8CodePage ? nullptr : &usedDefault;
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, usedDefaultQuery);
    if (length == 0 || usedDefault)
        return std::nullopt;
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

AnsiFileOutput::~AnsiFileOutput()
{
    discard();
}

bool AnsiFileOutput::canRepresent(std::string_view text) const
{
    return toAnsi(text).has_value();
}

void AnsiFileOutput::open(const std::string& fileName)
{
    discard();
    fileName_ = widen(fileName);
    // Replacing by a move would go through a read-only file (Wine's move
    // does), where opening it for output must fail as on Windows.
    const DWORD attributes = GetFileAttributesW(fileName_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw systemError(ERROR_ACCESS_DENIED, "opening " + fileName + ", a read-only file");
    std::wstring directory = std::filesystem::path(fileName_).parent_path().native();
    if (directory.empty())
        directory = L".";
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempFileNameW(directory.c_str(), L"dav", 0, temp) == 0)
        throw lastSystemError("creating a temporary file beside " + fileName);
    tempName_ = temp;
    HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        discard();
        throw systemError(error, "opening " + fileName);
    }
    file_ = file;
}

void AnsiFileOutput::print(std::string_view text)
{
    std::optional<std::string> bytes = toAnsi(text);
    if (!bytes) {
        discard();
        throw PlatformError(errors::BadFileName,
                            "Bad file name: the text holds a character that the system's code page cannot represent");
    }
    *bytes += "\r\n";
    DWORD written = 0;
    if (!WriteFile(file_, bytes->data(), static_cast<DWORD>(bytes->size()), &written, nullptr) ||
        written != bytes->size()) {
        const DWORD error = GetLastError();
        discard();
        throw systemError(error, "writing " + narrow(fileName_));
    }
}

void AnsiFileOutput::close()
{
    if (!file_)
        return;
    const std::string name = narrow(fileName_);
    if (!FlushFileBuffers(file_)) {
        const DWORD error = GetLastError();
        discard();
        throw systemError(error, "writing " + name);
    }
    CloseHandle(file_);
    file_ = nullptr;
    if (!MoveFileExW(tempName_.c_str(), fileName_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        discard();
        throw systemError(error, "replacing " + name);
    }
    tempName_.clear();
}

void AnsiFileOutput::discard()
{
    if (file_) {
        CloseHandle(file_);
        file_ = nullptr;
    }
    if (!tempName_.empty()) {
        DeleteFileW(tempName_.c_str());
        tempName_.clear();
    }
}

} // namespace davev
