#pragma once

#include <string_view>
#include <vector>

namespace davev::cmd {

// The lines of a batch file, ended by CR LF or LF, without their line ends.
std::vector<std::string_view> splitLines(std::string_view content);

} // namespace davev::cmd
