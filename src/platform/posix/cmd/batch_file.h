#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace davev::cmd {

// Reads a runner batch file into content. Refuses, with the reason, a file
// that is not a regular file, that belongs to another user or that every user
// may write: whoever can change it could make the program copy the user's
// files anywhere. Returns nothing when content was read.
std::optional<std::string> readRunnerBatchFile(const std::string& path, std::string& content);

// The lines of a batch file, ended by CR LF or LF, without their line ends.
std::vector<std::string_view> splitLines(std::string_view content);

} // namespace davev::cmd
