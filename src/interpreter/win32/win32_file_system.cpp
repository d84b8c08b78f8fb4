#include "interpreter/win32/win32_file_system.h"

#include <aclapi.h>
#include <algorithm>

#include "interpreter/core/batch_text.h"
#include "platform/win32/far_byte_lock.h"
#include "platform/win32/file_io.h"
#include "platform/win32/full_path.h"
#include "platform/win32/win32_text.h"

namespace davev::cmd {

namespace {

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

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return FileIdentity{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::wstring folderOfPath(const std::wstring& path)
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

// Whether owner is this process's user, or the owner it gives the files it
// makes (the Administrators group, for an elevated administrator).
bool isThisUser(PSID owner)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    bool same = false;
    for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
        DWORD size = 0;
        GetTokenInformation(token, kind, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        if (size > 0 && GetTokenInformation(token, kind, buffer.data(), size, &size)) {
            const PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                               : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
            same = same || EqualSid(sid, owner);
        }
    }
    CloseHandle(token);
    return same;
}

bool ownedByThisUser(HANDLE file)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    const bool ours = owner != nullptr && isThisUser(owner);
    LocalFree(descriptor);
    return ours;
}

// What an open file at one of the interpreter's own names is, when it is
// not a file of this user's; empty when it is one.
std::string otherThanOurs(HANDLE file, BY_HANDLE_FILE_INFORMATION& info)
{
    const DWORD type = GetFileType(file);
    if (type != FILE_TYPE_DISK)
        return type == FILE_TYPE_PIPE ? "a pipe" : "a device";
    if (!GetFileInformationByHandle(file, &info))
        return "a file that cannot be examined (" + systemErrorTextAnsi(GetLastError()) + ")";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return "a folder";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return "a link";
    if (!ownedByThisUser(file))
        return "a file of another user";
    return {};
}

// Opens whatever lies at path as itself, a link or a folder included.
HANDLE openAsItself(const std::wstring& path, DWORD access)
{
    return CreateFileW(path.c_str(), access, shareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool meansAbsent(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

Removal removeIfOurs(const std::wstring& path, const FileIdentity* expected, FileError& error)
{
    HANDLE file = openAsItself(path, DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (meansAbsent(code))
            return Removal::Absent;
        error = errorFrom(code);
        return Removal::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    Removal removal = Removal::NotOurs;
    if (otherThanOurs(file, info).empty() && (!expected || identityOf(info) == *expected)) {
        // Removed through the handle that was checked, so it is this file that goes.
        FILE_DISPOSITION_INFO disposition{TRUE};
        removal = Removal::Removed;
        if (!SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) {
            error = errorFrom(GetLastError());
            removal = Removal::Failed;
        }
    }
    CloseHandle(file);
    return removal;
}

} // namespace

Win32FileSystem::Win32FileSystem(std::string userFolder)
    : userFolder_(std::move(userFolder)), buffer_(std::make_unique<char[]>(copyBufferSize))
{
}

Win32FileSystem::~Win32FileSystem()
{
    for (std::size_t i = 0; i < handles_.size(); ++i) {
        if (handles_[i] != INVALID_HANDLE_VALUE && static_cast<int>(i) != standardOutput_)
            CloseHandle(handles_[i]);
    }
}

HANDLE Win32FileSystem::handleOf(int handle) const
{
    if (handle < 0 || static_cast<std::size_t>(handle) >= handles_.size())
        return INVALID_HANDLE_VALUE;
    return handles_[static_cast<std::size_t>(handle)];
}

int Win32FileSystem::adopt(HANDLE handle)
{
    handles_.push_back(handle);
    return static_cast<int>(handles_.size() - 1);
}

FileResult Win32FileSystem::describe(int handle, OpenFile& file)
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
    file = OpenFile{handle, identityOf(info), true, (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
                    info.nNumberOfLinks};
    return std::nullopt;
}

FileResult Win32FileSystem::openSource(const std::string& name, OpenFile& file)
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

FileResult Win32FileSystem::openTarget(const std::string& name, OpenFile& file)
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

int Win32FileSystem::standardOutput()
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

void Win32FileSystem::close(int handle)
{
    const HANDLE native = handleOf(handle);
    if (native == INVALID_HANDLE_VALUE || handle == standardOutput_)
        return;
    CloseHandle(native);
    handles_[static_cast<std::size_t>(handle)] = INVALID_HANDLE_VALUE;
}

LockAttempt Win32FileSystem::tryLock(int handle, LockMode mode)
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

void Win32FileSystem::unlock(int handle)
{
    unlockFarByte(handleOf(handle));
}

FileResult Win32FileSystem::length(int handle, std::uint64_t& length)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handleOf(handle), &size))
        return errorFrom(GetLastError());
    length = static_cast<std::uint64_t>(size.QuadPart);
    return std::nullopt;
}

FileResult Win32FileSystem::truncate(int handle, std::uint64_t length)
{
    const HANDLE native = handleOf(handle);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(native, end, nullptr, FILE_BEGIN) || !SetEndOfFile(native))
        return errorFrom(GetLastError());
    return std::nullopt;
}

FileResult Win32FileSystem::flush(int handle)
{
    if (!FlushFileBuffers(handleOf(handle)))
        return errorFrom(GetLastError());
    return std::nullopt;
}

FileResult Win32FileSystem::copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset,
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

FileResult Win32FileSystem::write(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& written)
{
    written = 0;
    if (const DWORD error = writeAll(handleOf(out), bytes.data(), bytes.size(), outOffset))
        return errorFrom(error);
    written = bytes.size();
    return std::nullopt;
}

std::string Win32FileSystem::folderOf(const std::string& name, const OpenFile& file)
{
    // Beside the file itself, not beside a link to it.
    std::wstring path = finalPath(handleOf(file.handle));
    if (path.empty())
        path = fullPath(widenAnsi(name));
    const std::wstring folder = folderOfPath(path);
    // A folder the code page cannot name exactly is no place to find again.
    std::string ansi = narrowAnsi(folder);
    return widenAnsi(ansi) == folder ? ansi : std::string();
}

std::string Win32FileSystem::pathIn(const std::string& folder, std::string_view name)
{
    return folder + "\\" + std::string(name);
}

FileResult Win32FileSystem::makeFolder(const std::string& folder)
{
    if (const DWORD error = makeFolders(widenAnsi(folder)))
        return errorFrom(error);
    return std::nullopt;
}

SmallFile Win32FileSystem::readSmallFile(const std::string& path, std::size_t limit)
{
    SmallFile found;
    HANDLE file = openAsItself(widenAnsi(path), GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (meansAbsent(error))
            return found;
        found.found = SmallFile::Found::Other;
        found.problem = error == ERROR_ACCESS_DENIED
                            ? "a file this user may not read"
                            : "a file that cannot be read (" + systemErrorTextAnsi(error) + ")";
        return found;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    found.found = SmallFile::Found::Other;
    found.problem = otherThanOurs(file, info);
    if (found.problem.empty() && (info.nFileSizeHigh != 0 || info.nFileSizeLow > limit))
        found.problem =
            "a file of " + std::to_string((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow) + " bytes";
    if (found.problem.empty()) {
        std::string text(info.nFileSizeLow, '\0');
        DWORD got = 0;
        if (ReadFile(file, text.data(), info.nFileSizeLow, &got, nullptr)) {
            text.resize(got);
            found = SmallFile{SmallFile::Found::Ours, identityOf(info), std::move(text), {}};
        } else {
            found.problem = "a file that cannot be read (" + systemErrorTextAnsi(GetLastError()) + ")";
        }
    }
    CloseHandle(file);
    return found;
}

FileResult Win32FileSystem::replaceSmallFile(const std::string& path, std::string_view bytes, FileIdentity& written)
{
    // A new file moved over path, so that a link planted under its name is
    // replaced rather than written through, and a file that replaces an
    // earlier one is never seen half-written.
    const std::wstring wide = widenAnsi(path);
    const std::wstring fresh = wide + L".new";
    FileError ignored;
    removeIfOurs(fresh, nullptr, ignored); // left by an import killed while writing it
    HANDLE file = CreateFileW(fresh.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return errorFrom(GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD error = writeAll(file, bytes.data(), bytes.size());
    if (error == 0 && !FlushFileBuffers(file))
        error = GetLastError();
    if (error == 0 && !GetFileInformationByHandle(file, &info))
        error = GetLastError();
    CloseHandle(file);
    if (error == 0 && !MoveFileExW(fresh.c_str(), wide.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != 0) {
        DeleteFileW(fresh.c_str());
        return errorFrom(error);
    }
    written = identityOf(info);
    return std::nullopt;
}

Removal Win32FileSystem::removeSmallFile(const std::string& path, const FileIdentity& expected, FileError& error)
{
    // The removal is not flushed: should a power cut undo it, the next
    // import cuts back one that had finished, which still leaves the target
    // with whole imports only.
    return removeIfOurs(widenAnsi(path), &expected, error);
}

std::uint64_t Win32FileSystem::processId()
{
    return GetCurrentProcessId();
}

} // namespace davev::cmd
