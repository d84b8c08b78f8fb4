#include "platform/win32/system_error.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace davev {

PlatformError systemError(unsigned long number, std::string_view context)
{
    return PlatformError(static_cast<int>(number), systemErrorText(number) + " (" + std::string(context) + ")");
}

PlatformError lastSystemError(std::string_view context)
{
    return systemError(GetLastError(), context);
}

} // namespace davev
