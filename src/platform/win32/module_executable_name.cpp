#include "platform/win32/module_executable_name.h"

#include <filesystem>
#include <windows.h>

#include "platform/win32/win32_text.h"

namespace davev {

std::string ModuleExecutableName::get()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2); // truncated: long path
    }
    return narrow(std::filesystem::path(path).stem().native());
}

} // namespace davev
