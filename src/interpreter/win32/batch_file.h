#pragma once

#include <optional>
#include <string>

namespace davev::cmd {

// Reads a runner batch file into content, as bytes in the ANSI code page.
// Refuses what is not a file on a disk and what is larger than any runner
// batch file. Returns nothing when content was read, else the reason, in
// the ANSI code page.
std::optional<std::string> readRunnerBatchFile(const std::wstring& path, std::string& content);

} // namespace davev::cmd
