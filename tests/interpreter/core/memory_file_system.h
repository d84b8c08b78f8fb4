#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <string>

#include "interpreter/core/file_system.h"

namespace davev::test {

// Files, folders, links and locks in memory, with one operation that can be
// made to fail (or, for a lock, to find it taken). Paths are names joined
// by "/"; "." is the top folder, where names without a folder lie. Each
// name leads to a node; hard links are names of one node.
class MemoryFileSystem final : public cmd::FileSystem {
public:
    enum class Kind { File, Folder, Fifo };
    struct Node {
        Kind kind = Kind::File;
        std::string content;
        bool ours = true; // else another user's
    };

    // Thrown by a copy or write once cutOffAfter bytes have been written in
    // all: the process doing it is killed there, and endProcesses() lets go
    // of what it held, as the system would.
    struct CutOff {};
    std::uint64_t cutOffAfter = std::numeric_limits<std::uint64_t>::max();
    void endProcesses() { handles_.clear(); }

    // No file grows past this many bytes: a write that reaches it writes what
    // fits and the next finds the disk full.
    std::uint64_t diskSize = std::numeric_limits<std::uint64_t>::max();

    int failingOperation = -1; // counted from 0; -1 for none
    std::uint64_t copyStep = 4096;
    bool cutBackFailed = false;
    std::string journalFolder = "state/journals"; // the user's folder, made when needed

    // A file of this user's at path, its folder made as needed.
    void put(const std::string& path, const std::string& content);
    void putFolder(const std::string& path);
    // Puts something at path that is not this user's own file.
    void plant(const std::string& path, Kind kind, bool ours);
    void link(const std::string& existing, const std::string& path);
    // Nobody may add or remove names in this folder any more.
    void lockFolder(const std::string& path) { lockedFolders_[path] = true; }

    bool has(const std::string& path) const { return names_.contains(path); }
    const Node* at(const std::string& path) const;
    std::string& content(const std::string& path);
    // Every name, with what it leads to, for checks over the whole file system.
    const std::map<std::string, std::uint64_t>& names() const { return names_; }
    const Node& node(std::uint64_t id) const { return nodes_.at(id); }
    std::size_t openHandles() const { return handles_.size(); }
    std::size_t locksHeld() const;

    cmd::FileResult openSource(const std::string& name, cmd::OpenFile& file) override;
    cmd::FileResult openTarget(const std::string& name, cmd::OpenFile& file) override;
    int standardOutput() override { return 0; }
    void close(int handle) override;
    cmd::LockAttempt tryLock(int handle, cmd::LockMode mode) override;
    void unlock(int handle) override;
    cmd::FileResult length(int handle, std::uint64_t& length) override;
    cmd::FileResult truncate(int handle, std::uint64_t length) override;
    cmd::FileResult flush(int handle) override;
    cmd::FileResult copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset, std::uint64_t length,
                         std::uint64_t& copied) override;
    cmd::FileResult write(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& written) override;

    std::string folderOf(const std::string& name, const cmd::OpenFile& file) override;
    std::string userFolder() override { return journalFolder; }
    std::string pathIn(const std::string& folder, std::string_view name) override;
    cmd::FileResult makeFolder(const std::string& folder) override;
    cmd::SmallFile readSmallFile(const std::string& path, std::size_t limit) override;
    cmd::FileResult replaceSmallFile(const std::string& path, std::string_view bytes,
                                     cmd::FileIdentity& written) override;
    cmd::Removal removeSmallFile(const std::string& path, const cmd::FileIdentity& expected,
                                 cmd::FileError& error) override;
    std::uint64_t processId() override { return 42; }

private:
    struct Handle {
        std::uint64_t node = 0; // 0 for the null device
        bool exclusive = false;
        bool shared = false;
    };
    bool failsNow();
    // Why a name cannot be added to or removed from path's folder; empty when it can.
    std::string folderProblem(const std::string& path) const;
    std::uint64_t add(const std::string& path, Node node);
    cmd::OpenFile describe(int handle, std::uint64_t node);
    std::string* contentOf(int handle);
    cmd::FileResult place(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& placed);

    int operations_ = 0;
    std::uint64_t written_ = 0;
    int nextHandle_ = 1;
    std::uint64_t nextNode_ = 1;
    std::map<std::string, std::uint64_t> names_;
    std::map<std::uint64_t, Node> nodes_;
    std::map<std::string, bool> lockedFolders_;
    std::map<int, Handle> handles_;
    std::string standardOutputText_;
    std::string nullDevice_;
};

} // namespace davev::test
