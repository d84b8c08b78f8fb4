#pragma once

#include <filesystem>
#include <string>

namespace davev::test {

// A fresh directory under the system's temporary directory, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The whole file as bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

} // namespace davev::test
