#include "interpreter/win32/win32_import_files.h"

#include <algorithm>

#include "interpreter/core/batch_text.h"
#include "interpreter/core/import_journal.h"
#include "platform/win32/far_byte_lock.h"
#include "platform/win32/full_path.h"
#include "platform/win32/win32_text.h"

namespace davev::cmd {

namespace {

constexpr std::size_t largestJournal = 4096;
constexpr DWORD copyBufferSize = 1u << 20;
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Takes writes and keeps nothing.
HANDLE openNullDevice()
{
    return CreateFileW(L"NUL", GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

FileError errorFrom(DWORD code)
{
    return FileError{systemErrorTextAnsi(code), false};
}

FileError notAFile(DWORD type)
{
    const char* kind = type == FILE_TYPE_PIPE ? "a pipe, " : type == FILE_TYPE_CHAR ? "a device, " : "";
    return FileError{std::string("it is ") + kind + "not a regular file", false};
}

bool isFolder(const std::wstring& name)
{
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A failure to open a folder reads "Access is denied"; this says what it is.
FileError openError(DWORD code, const std::wstring& name)
{
    if (code == ERROR_ACCESS_DENIED && isFolder(name))
        return FileError{"Is a directory", false};
    return errorFrom(code);
}

// "file.txt:name" is a named stream of file.txt. It has the file's
// identity, so its journal would be taken for the file's own and cut the
// file back to the stream's length.
bool namesStream(const std::wstring& name)
{
    const std::wstring full = fullPath(name);
    std::size_t root = full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\") ? 4 : 0;
    if (full.size() > root + 1 && full[root + 1] == L':')
        root += 2; // the drive
    return full.find(L':', root) != std::wstring::npos;
}

FileError streamRefused()
{
    return FileError{"it names a stream of a file, not a file", false};
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

// Writes all of bytes at *offset, or at the stream position when offset is
// null. Returns 0 or the error code.
DWORD writeAll(HANDLE file, const char* bytes, std::uint64_t size, std::uint64_t* offset)
{
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(size, copyBufferSize));
        DWORD written = 0;
        OVERLAPPED position = at(offset ? *offset : 0);
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

std::wstring folderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return L".";
    return path.substr(0, slash);
}

// The path of the file itself, whatever link or junction it was opened through.
std::wstring finalPath(HANDLE file)
{
    const DWORD length = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0)
        return {};
    std::wstring path(length, L'\0');
    const DWORD got = GetFinalPathNameByHandleW(file, path.data(), length, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (got == 0 || got >= length)
        return {};
    path.resize(got);
    return path;
}

std::wstring journalName(const OpenFile& target)
{
    return std::to_wstring(target.identity.device) + L"-" + std::to_wstring(target.identity.file);
}

// Writes the record to a new file and moves it to path, through to the
// disk, so the record is there before the target is touched. A link
// planted under the journal's name is replaced rather than written
// through, and a record that replaces an earlier one is never seen
// half-written. Returns 0 or the error code.
DWORD writeRecord(const std::wstring& path, std::string_view record)
{
    const std::wstring fresh = path + L".new";
    DeleteFileW(fresh.c_str()); // left by an import killed while writing it
    HANDLE file = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = writeAll(file, record.data(), record.size(), nullptr);
    if (error == 0 && !FlushFileBuffers(file))
        error = GetLastError();
    CloseHandle(file);
    if (error == 0 && !MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != 0)
        DeleteFileW(fresh.c_str());
    return error;
}

bool folderRefusesJournal(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_SHARING_VIOLATION:
    case ERROR_NOT_SUPPORTED:
        return true;
    default:
        return false;
    }
}

std::optional<std::string> readRecord(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<std::string> text;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
        !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        info.nFileSizeHigh == 0 && info.nFileSizeLow <= largestJournal) {
        std::string bytes(largestJournal, '\0');
        DWORD got = 0;
        if (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
            bytes.resize(got);
            text = std::move(bytes);
        }
    }
    CloseHandle(file);
    return text;
}

bool holdsJournal(const std::wstring& path)
{
    const std::optional<std::string> text = readRecord(path);
    return text && parseJournal(*text);
}

} // namespace

Win32ImportFiles::Win32ImportFiles(std::wstring fallbackFolder)
    : fallbackFolder_(std::move(fallbackFolder)), buffer_(std::make_unique<char[]>(copyBufferSize))
{
}

Win32ImportFiles::~Win32ImportFiles()
{
    for (std::size_t i = 0; i < handles_.size(); ++i) {
        if (handles_[i] != INVALID_HANDLE_VALUE && static_cast<int>(i) != standardOutput_)
            CloseHandle(handles_[i]);
    }
}

HANDLE Win32ImportFiles::handleOf(int handle) const
{
    if (handle < 0 || static_cast<std::size_t>(handle) >= handles_.size())
        return INVALID_HANDLE_VALUE;
    return handles_[static_cast<std::size_t>(handle)];
}

int Win32ImportFiles::adopt(HANDLE handle)
{
    handles_.push_back(handle);
    return static_cast<int>(handles_.size() - 1);
}

FileResult Win32ImportFiles::describe(int handle, OpenFile& file)
{
    const HANDLE native = handleOf(handle);
    const DWORD type = GetFileType(native);
    if (type != FILE_TYPE_DISK) {
        close(handle);
        return notAFile(type);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(native, &info)) {
        const DWORD error = GetLastError();
        close(handle);
        return errorFrom(error);
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        close(handle);
        return FileError{"Is a directory", false};
    }
    file = OpenFile{
        handle,
        FileIdentity{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow}, true,
        (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow};
    return std::nullopt;
}

FileResult Win32ImportFiles::openSource(const std::string& name, OpenFile& file)
{
    const std::wstring wide = widenAnsi(name);
    if (namesStream(wide))
        return streamRefused();
    // Shared for writing and deleting, as the system's interpreter opens it:
    // the import's own lock keeps other imports out.
    HANDLE native = CreateFileW(wide.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (native == INVALID_HANDLE_VALUE)
        return openError(GetLastError(), wide);
    return describe(adopt(native), file);
}

FileResult Win32ImportFiles::openTarget(const std::string& name, OpenFile& file)
{
    if (namesNullDevice(name)) {
        HANDLE device = openNullDevice();
        if (device == INVALID_HANDLE_VALUE)
            return errorFrom(GetLastError());
        file = OpenFile{adopt(device), FileIdentity{}, false, 0};
        return std::nullopt;
    }
    const std::wstring wide = widenAnsi(name);
    if (namesStream(wide))
        return streamRefused();
    // Windows refuses to open a read-only file for writing, but Wine run by
    // root opens it: the attribute is what the user set to keep it as it is.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileError{"it is read-only", false};
    HANDLE native = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, shareAll, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (native == INVALID_HANDLE_VALUE)
        return openError(GetLastError(), wide);
    return describe(adopt(native), file);
}

int Win32ImportFiles::standardOutput()
{
    if (standardOutput_ < 0) {
        HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        // Started without one, as a hidden program may be: what goes there is dropped.
        if (output == nullptr || output == INVALID_HANDLE_VALUE)
            output = openNullDevice();
        standardOutput_ = adopt(output);
    }
    return standardOutput_;
}

void Win32ImportFiles::close(int handle)
{
    const HANDLE native = handleOf(handle);
    if (native == INVALID_HANDLE_VALUE || handle == standardOutput_)
        return;
    CloseHandle(native);
    handles_[static_cast<std::size_t>(handle)] = INVALID_HANDLE_VALUE;
}

LockAttempt Win32ImportFiles::tryLock(int handle, LockMode mode)
{
    switch (lockFarByte(handleOf(handle), mode == LockMode::Exclusive)) {
    case FarByteLock::Taken:
        return LockAttempt::Taken;
    case FarByteLock::Busy:
        return LockAttempt::Busy;
    case FarByteLock::Failed:
        break;
    }
    // A file system without locks is written unlocked, as the system's
    // interpreter always writes.
    return LockAttempt::Unsupported;
}

void Win32ImportFiles::unlock(int handle)
{
    unlockFarByte(handleOf(handle));
}

FileResult Win32ImportFiles::length(int handle, std::uint64_t& length)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(handle), &size))
        return errorFrom(GetLastError());
    length = static_cast<std::uint64_t>(size.QuadPart);
    return std::nullopt;
}

FileResult Win32ImportFiles::truncate(int handle, std::uint64_t length)
{
    const HANDLE native = handleOf(handle);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(native, end, nullptr, FILE_BEGIN) || !SetEndOfFile(native))
        return errorFrom(GetLastError());
    return std::nullopt;
}

FileResult Win32ImportFiles::flush(int handle)
{
    if (!FlushFileBuffers(handleOf(handle)))
        return errorFrom(GetLastError());
    return std::nullopt;
}

FileResult Win32ImportFiles::copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset,
                                  std::uint64_t length, std::uint64_t& copied)
{
    copied = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::uint64_t>(length, copyBufferSize));
    OVERLAPPED position = at(inOffset);
    DWORD got = 0;
    if (!ReadFile(handleOf(in), buffer_.get(), wanted, &got, &position)) {
        const DWORD error = GetLastError();
        if (error != ERROR_HANDLE_EOF)
            return errorFrom(error);
        got = 0;
    }
    if (got == 0)
        return std::nullopt;
    if (const DWORD error = writeAll(handleOf(out), buffer_.get(), got, outOffset))
        return errorFrom(error);
    inOffset += got;
    copied = got;
    return std::nullopt;
}

FileResult Win32ImportFiles::write(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& written)
{
    written = 0;
    if (const DWORD error = writeAll(handleOf(out), bytes.data(), bytes.size(), outOffset))
        return errorFrom(error);
    written = bytes.size();
    return std::nullopt;
}

std::wstring Win32ImportFiles::besideJournal(const std::string& targetName, const OpenFile& target) const
{
    // Beside the file itself, not beside a link to it, so that an import
    // through any of its names finds the journal.
    std::wstring file = finalPath(handleOf(target.handle));
    if (file.empty())
        file = fullPath(widenAnsi(targetName));
    return folderOf(file) + L"\\.da-vev-journal-" + journalName(target);
}

std::wstring Win32ImportFiles::fallbackJournal(const OpenFile& target) const
{
    return fallbackFolder_ + L"\\" + journalName(target);
}

FileResult Win32ImportFiles::writeJournal(const std::string& targetName, const OpenFile& target,
                                          std::string_view record)
{
    const std::wstring beside = besideJournal(targetName, target);
    const DWORD besideError = writeRecord(beside, record);
    if (besideError == 0) {
        written_[target.identity] = beside;
        return std::nullopt;
    }
    // A target the user may write in a folder the user may not.
    if (!folderRefusesJournal(besideError) || fallbackFolder_.empty())
        return errorFrom(besideError);
    CreateDirectoryW(folderOf(fallbackFolder_).c_str(), nullptr);
    CreateDirectoryW(fallbackFolder_.c_str(), nullptr);
    if (const DWORD error = writeRecord(fallbackJournal(target), record))
        return errorFrom(error);
    written_[target.identity] = fallbackJournal(target);
    return std::nullopt;
}

std::optional<std::string> Win32ImportFiles::readJournal(const std::string& targetName, const OpenFile& target)
{
    // What lies beside the target and is no journal (a read-only file of
    // someone else's, say) may be why the journal went to the fallback.
    std::optional<std::string> beside = readRecord(besideJournal(targetName, target));
    if ((beside && parseJournal(*beside)) || fallbackFolder_.empty())
        return beside;
    std::optional<std::string> fallback = readRecord(fallbackJournal(target));
    return fallback ? fallback : beside;
}

FileResult Win32ImportFiles::removeJournal(const std::string& targetName, const OpenFile& target)
{
    // The removal is not flushed: should a power cut undo it, the next
    // import cuts back one that had finished, which still leaves the target
    // with whole imports only.
    FileResult result;
    // Gone from where this process wrote it, the journal was moved away with
    // its folder, and the next import of the target would find it there.
    if (const auto written = written_.find(target.identity); written != written_.end()) {
        if (!DeleteFileW(written->second.c_str()))
            result = errorFrom(GetLastError());
        written_.erase(written);
    }
    // A folder or a file of someone else's at a journal's name is no
    // journal, and left where it is; a journal that stays would cut the
    // target back at the next import, so failing to remove one is an error.
    const auto remove = [&result](const std::wstring& path) {
        if (DeleteFileW(path.c_str()))
            return;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && holdsJournal(path) && !result)
            result = errorFrom(error);
    };
    remove(besideJournal(targetName, target));
    if (!fallbackFolder_.empty())
        remove(fallbackJournal(target));
    return result;
}

std::uint64_t Win32ImportFiles::processId()
{
    return GetCurrentProcessId();
}

} // namespace davev::cmd
