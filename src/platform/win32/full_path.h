#pragma once

#include <string>

namespace davev {

// The absolute form of a path, against the current directory; the path as
// given when Windows cannot make one of it.
std::wstring fullPath(const std::wstring& path);

} // namespace davev
