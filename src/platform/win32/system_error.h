#pragma once

#include <string>
#include <string_view>

#include "platform/platform_error.h"

namespace davev {

// A PlatformError for a failed Win32 call: the Windows error number, and its
// description followed by what failed ("Access is denied. (saving key X)").
PlatformError systemError(unsigned long number, std::string_view context);
PlatformError lastSystemError(std::string_view context); // GetLastError()

} // namespace davev
