#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace davev::cmd {

// Which file an open handle reaches, whatever name it was opened by.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

struct FileError {
    std::string text;         // the platform's description, e.g. "No space left on device"
    bool interrupted = false; // a signal came before anything was done
};
// Empty when the operation succeeded.
using FileResult = std::optional<FileError>;

struct OpenFile {
    int handle = -1;
    FileIdentity identity;
    // False for the null device and standard output, which are written as
    // streams: no lock, no journal, no cut-back.
    bool regular = false;
    std::uint64_t length = 0; // at opening
    std::uint64_t links = 1;  // the names the file has in its file system
};

enum class LockMode { Shared, Exclusive };
enum class LockAttempt {
    Taken,
    Busy,
    Unsupported, // the file system has no locks; the file is used unlocked
};

// What lies at the name of one of the interpreter's own small files.
struct SmallFile {
    enum class Found {
        Ours,   // a regular file this user owns, read whole
        Absent, // nothing, or a folder on the way that is not there
        Other,  // anything else: a folder, a link, a device, a file of someone else's or too large
    };
    Found found = Found::Absent;
    FileIdentity identity; // of a file found as Ours
    std::string text;      // of a file found as Ours
    std::string problem;   // what was found instead, for Other
};

enum class Removal {
    Removed,
    Absent,
    NotOurs, // something else now lies at the name; it is left as it is
    Failed,
};

// The file operations of the interpreter, one implementation per platform:
// primitives only. What the interpreter makes of them (which files an import
// locks, where its journal goes and when one is trusted) is decided once,
// above this, for every platform.
//
// Names of files to import from and into come as the batch file holds them;
// paths this file system gives out (folders, and names made from them with
// pathIn) are in the same encoding.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens a file to copy from. Refuses anything but a regular file or a
    // directory (reported as such) without blocking on it.
    virtual FileResult openSource(const std::string& name, OpenFile& file) = 0;
    // Opens or creates a file to write to. "nul" is the null device; any
    // other non-regular file is refused without blocking on it.
    virtual FileResult openTarget(const std::string& name, OpenFile& file) = 0;
    virtual int standardOutput() = 0;
    virtual void close(int handle) = 0;

    virtual LockAttempt tryLock(int handle, LockMode mode) = 0;
    virtual void unlock(int handle) = 0;

    virtual FileResult length(int handle, std::uint64_t& length) = 0;
    virtual FileResult truncate(int handle, std::uint64_t length) = 0;
    // Returns once what was written has reached the disk.
    virtual FileResult flush(int handle) = 0;

    // Copies up to length bytes from in at inOffset to out, at *outOffset
    // or, when outOffset is null, at out's stream position; advances the
    // offsets. copied is 0 at the end of the input.
    virtual FileResult copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset, std::uint64_t length,
                            std::uint64_t& copied) = 0;
    virtual FileResult write(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& written) = 0;

    // The folder that holds the open file itself, links to it followed;
    // empty when it cannot be found.
    virtual std::string folderOf(const std::string& name, const OpenFile& file) = 0;
    // This user's folder for what cannot lie elsewhere; empty when the
    // user has none.
    virtual std::string userFolder() = 0;
    virtual std::string pathIn(const std::string& folder, std::string_view name) = 0;
    // Makes a folder that only this user may enter, and the folders above it.
    virtual FileResult makeFolder(const std::string& folder) = 0;

    // Reads a small file of this user's without following a link at its
    // name or blocking on it; a file larger than limit is Other.
    virtual SmallFile readSmallFile(const std::string& path, std::size_t limit) = 0;
    // Puts a file holding bytes, that only this user may read, at path, in
    // one step: a reader never sees part of it, and it is on the disk, name
    // and all, once this returns. Whatever lay at path is replaced, never
    // written through. written is the new file's identity.
    virtual FileResult replaceSmallFile(const std::string& path, std::string_view bytes, FileIdentity& written) = 0;
    // Removes the file at path if it is still this user's file expected.
    virtual Removal removeSmallFile(const std::string& path, const FileIdentity& expected, FileError& error) = 0;

    virtual std::uint64_t processId() = 0;
};

} // namespace davev::cmd
