#pragma once

#include <string>

#include "interpreter/core/file_system.h"
#include "interpreter/posix/byte_copier.h"

namespace davev::cmd {

// The interpreter's file operations on Linux: flock locks, and copies in
// the kernel through copier. userFolder is the folder for journals that
// cannot lie beside their target.
class PosixFileSystem : public FileSystem {
public:
    PosixFileSystem(ByteCopier& copier, std::string userFolder, int standardOutput = 1);

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

    std::string folderOf(const std::string& name, const OpenFile& file) override;
    std::string userFolder() override { return userFolder_; }
    std::string pathIn(const std::string& folder, std::string_view name) override;
    FileResult makeFolder(const std::string& folder) override;
    SmallFile readSmallFile(const std::string& path, std::size_t limit) override;
    FileResult replaceSmallFile(const std::string& path, std::string_view bytes, FileIdentity& written) override;
    Removal removeSmallFile(const std::string& path, const FileIdentity& expected, FileError& error) override;

    std::uint64_t processId() override;

private:
    ByteCopier& copier_;
    std::string userFolder_;
    int standardOutput_;
};

} // namespace davev::cmd
