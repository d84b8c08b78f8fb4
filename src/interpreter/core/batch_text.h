#pragma once

#include <string_view>
#include <vector>

namespace davev::cmd {

// The lines of a batch file, ended by CR LF or LF, without their line ends.
std::vector<std::string_view> splitLines(std::string_view content);

// Whether a redirection names the null device ("nul", any case, with or
// without its colon), which takes writes and keeps nothing.
bool namesNullDevice(std::string_view name);

} // namespace davev::cmd
