#include "files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>

namespace davev::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "davev-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace davev::test
