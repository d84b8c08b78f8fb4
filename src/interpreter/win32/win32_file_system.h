#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "interpreter/core/import_files.h"

namespace davev::cmd {

// The interpreter's file operations on Windows. Names are in the ANSI code
// page, as the batch file holds them. Locks are LockFileEx locks on one byte
// far past any data, so that they keep other imports out without keeping
// anyone from reading or writing the file itself. A journal goes beside
// the target's real file (links followed), hidden, as
// ".da-vev-journal-VOLUME-FILEINDEX", or, where that folder cannot take
// it, into fallbackFolder as "VOLUME-FILEINDEX".
class Win32ImportFiles : public ImportFiles {
public:
    explicit Win32ImportFiles(std::wstring fallbackFolder);
    ~Win32ImportFiles() override;
    Win32ImportFiles(const Win32ImportFiles&) = delete;
    Win32ImportFiles& operator=(const Win32ImportFiles&) = delete;

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

    FileResult writeJournal(const std::string& targetName, const OpenFile& target, std::string_view record) override;
    std::optional<std::string> readJournal(const std::string& targetName, const OpenFile& target) override;
    FileResult removeJournal(const std::string& targetName, const OpenFile& target) override;

    std::uint64_t processId() override;

    std::wstring besideJournal(const std::string& targetName, const OpenFile& target) const;
    std::wstring fallbackJournal(const OpenFile& target) const;

protected:
    HANDLE handleOf(int handle) const;

private:
    int adopt(HANDLE handle);
    FileResult describe(int handle, OpenFile& file);

    std::wstring fallbackFolder_;
    std::vector<HANDLE> handles_; // index: the handle the runner holds
    int standardOutput_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::map<FileIdentity, std::wstring> written_; // where each journal in use was written
};

} // namespace davev::cmd
