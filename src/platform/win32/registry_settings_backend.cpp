#include "platform/win32/registry_settings_backend.h"

#include <windows.h>

#include "platform/win32/system_error.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

std::string describe(std::string_view action, const std::string& path, std::string_view key)
{
    return std::string(action) + " HKEY_CURRENT_USER\\" + path + " value " + std::string(key);
}

class OpenKey {
public:
    ~OpenKey()
    {
        if (key)
            RegCloseKey(key);
    }
    HKEY key = nullptr;
};

} // namespace

RegistrySettingsBackend::RegistrySettingsBackend(std::string root) : root_(std::move(root)) {}

std::string RegistrySettingsBackend::keyPath(std::string_view app, std::string_view section) const
{
    return root_ + "\\" + std::string(app) + "\\" + std::string(section);
}

std::string RegistrySettingsBackend::get(std::string_view app, std::string_view section, std::string_view key,
                                         std::string_view fallback)
{
    const std::string path = keyPath(app, section);
    const std::wstring widePath = widen(path);
    const std::wstring name = widen(key);
    std::wstring value(64, L'\0');
    for (;;) {
        DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, widePath.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                                            value.data(), &bytes);
        if (status == ERROR_FILE_NOT_FOUND)
            return std::string(fallback); // no such key, section or application
        if (status == ERROR_MORE_DATA) {
            value.resize(bytes / sizeof(wchar_t) + 1);
            continue;
        }
        if (status != ERROR_SUCCESS)
            throw systemError(static_cast<unsigned long>(status), describe("reading", path, key));
        // bytes counts the terminating NUL that RegGetValueW guarantees.
        value.resize(bytes / sizeof(wchar_t));
        if (!value.empty() && value.back() == L'\0')
            value.pop_back();
        return narrow(value);
    }
}

void RegistrySettingsBackend::save(std::string_view app, std::string_view section, std::string_view key,
                                   std::string_view text)
{
    const std::string path = keyPath(app, section);
    OpenKey opened;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &opened.key, nullptr);
    if (status != ERROR_SUCCESS)
        throw systemError(static_cast<unsigned long>(status), describe("creating", path, key));
    const std::wstring value = widen(text);
    status = RegSetValueExW(opened.key, widen(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS)
        throw systemError(static_cast<unsigned long>(status), describe("saving", path, key));
}

} // namespace davev
