#pragma once

#include <string_view>
#include <windows.h>

#include "platform/controls.h"

namespace davev::test {

// The window of one of `window`'s controls; throws when there is none.
HWND control(const Window& window, std::string_view name);

} // namespace davev::test
