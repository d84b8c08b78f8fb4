#pragma once

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "interpreter/core/file_system.h"

namespace davev::cmd {

// The interpreter's file operations on Windows. Names and paths are in the
// ANSI code page, as the batch file holds them. Locks are LockFileEx locks on
// one byte far past any data, so that they keep other imports out without
// keeping anyone from reading or writing the file itself. The interpreter's
// own small files are hidden. userFolder is the folder for journals that
// cannot lie beside their target.
class Win32FileSystem : public FileSystem {
public:
    explicit Win32FileSystem(std::string userFolder);
    ~Win32FileSystem() override;
    Win32FileSystem(const Win32FileSystem&) = delete;
    Win32FileSystem& operator=(const Win32FileSystem&) = delete;

    FileResult openSource(const std::string& name, OpenFile& file) override;
    FileResult openTarget(const std::string& name, OpenFile& file) override;
    int standardOutput() override;
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

protected:
    HANDLE handleOf(int handle) const;

private:
    int adopt(HANDLE handle);
    FileResult describe(int handle, OpenFile& file);

    std::string userFolder_;
    std::vector<HANDLE> handles_; // index: the handle the runner holds
    int standardOutput_ = -1;
    std::unique_ptr<char[]> buffer_;
};

} // namespace davev::cmd
