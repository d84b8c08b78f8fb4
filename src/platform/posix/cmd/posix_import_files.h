#pragma once

#include <map>
#include <string>

#include "platform/cmd/import_files.h"
#include "platform/posix/cmd/byte_copier.h"

namespace davev::cmd {

// The interpreter's file operations on Linux. Locks are flock locks; a
// journal goes beside its target, with symbolic links followed, as
// ".da-vev-journal-DEVICE-INODE", or,
// where the target's folder cannot take it, into fallbackFolder under the
// name "DEVICE-INODE".
class PosixImportFiles : public ImportFiles {
public:
    PosixImportFiles(ByteCopier& copier, std::string fallbackFolder, int standardOutput = 1);

    FileResult openSource(const std::string& name, OpenFile& file) override;
    FileResult openTarget(const std::string& name, OpenFile& file) override;
    int standardOutput() override { return standardOutput_; }
    void close(int handle) override;

    LockAttempt tryLock(int handle, LockMode mode) override;
    void unlock(int handle) override;

    FileResult length(int handle, std::uint64_t& length) override;
    FileResult truncate(int handle, std::uint64_t length) override;
    FileResult flush(int handle) override;
    FileResult copy(int in, std::uint64_t& inOffset, int out, std::uint64_t* outOffset, std::uint64_t length,
                    std::uint64_t& copied) override;
    FileResult write(int out, std::uint64_t* outOffset, std::string_view bytes, std::uint64_t& written) override;

    FileResult writeJournal(const std::string& targetName, const OpenFile& target, std::string_view record) override;
    std::optional<std::string> readJournal(const std::string& targetName, const OpenFile& target) override;
    FileResult removeJournal(const std::string& targetName, const OpenFile& target) override;

    std::uint64_t processId() override;

    std::string besideJournal(const std::string& targetName, const OpenFile& target) const;
    std::string fallbackJournal(const OpenFile& target) const;

private:
    ByteCopier& copier_;
    std::string fallbackFolder_;
    int standardOutput_;
    std::map<FileIdentity, std::string> written_; // where each journal in use was written
};

} // namespace davev::cmd
