#pragma once

#include <compare>
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
};

enum class LockMode { Shared, Exclusive };
enum class LockAttempt {
    Taken,
    Busy,
    Unsupported, // the file system has no locks; the file is used unlocked
};

// The file operations the interpreter needs, one implementation per
// platform. Handles are the implementation's; -1 is none.
class ImportFiles {
public:
    virtual ~ImportFiles() = default;

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

    // The journal of an append in progress on a regular target, kept where
    // the next import of the same file looks for it, and on the disk once
    // writeJournal returns.
    virtual FileResult writeJournal(const std::string& targetName, const OpenFile& target, std::string_view record) = 0;
    virtual std::optional<std::string> readJournal(const std::string& targetName, const OpenFile& target) = 0;
    virtual FileResult removeJournal(const std::string& targetName, const OpenFile& target) = 0;

    virtual std::uint64_t processId() = 0;
};

} // namespace davev::cmd
