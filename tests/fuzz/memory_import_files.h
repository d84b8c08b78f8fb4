#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/cmd/import_files.h"

namespace davev::fuzz {

// Files, locks and journals in memory, with one operation that can be made
// to fail (or, for a lock, to find it taken), for fuzzing the runner.
class MemoryImportFiles final : public cmd::ImportFiles {
public:
    std::map<std::string, std::string> files;
    std::map<std::uint64_t, std::string> journals; // by file id
    std::string standardOutputText;
    int failingOperation = -1; // counted from 0; -1 for none
    std::uint64_t copyStep = 4096;
    bool cutBackFailed = false;

    std::size_t openHandles() const { return handles_.size(); }
    // The length of the file with this id; 0 for none.
    std::uint64_t lengthOf(std::uint64_t id) const;
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
    cmd::FileResult writeJournal(const std::string& targetName, const cmd::OpenFile& target,
                                 std::string_view record) override;
    std::optional<std::string> readJournal(const std::string& targetName, const cmd::OpenFile& target) override;
    cmd::FileResult removeJournal(const std::string& targetName, const cmd::OpenFile& target) override;
    std::uint64_t processId() override { return 42; }

private:
    struct Handle {
        std::string name; // empty for the null device
        bool exclusive = false;
        bool shared = false;
    };
    bool failsNow();
    std::uint64_t idOf(const std::string& name);
    std::string* contentOf(int handle);
    cmd::OpenFile describe(int handle, const std::string& name, bool regular);
    std::uint64_t place(int out, std::uint64_t* outOffset, std::string_view bytes);

    int operations_ = 0;
    int nextHandle_ = 1;
    std::map<int, Handle> handles_;
    std::map<std::string, std::uint64_t> ids_;
    std::string nullDevice_;
};

} // namespace davev::fuzz
