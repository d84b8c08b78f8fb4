#pragma once

#include <optional>
#include <string>

namespace davev::cmd {

// Reads a runner batch file into content. Refuses, with the reason, a file
// that is not a regular file, that belongs to another user, or that someone
// else may write (through its mode bits or its access control list):
// whoever can change it could make the program copy the user's files
// anywhere. Returns nothing when content was read.
std::optional<std::string> readRunnerBatchFile(const std::string& path, std::string& content);

} // namespace davev::cmd
