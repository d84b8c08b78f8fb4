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

RegistrySettingsBackend::~RegistrySettingsBackend()
{
    closeReadKey();
}

std::string RegistrySettingsBackend::keyPath(std::string_view app, std::string_view section) const
{
    return root_ + "\\" + std::string(app) + "\\" + std::string(section);
}

HKEY RegistrySettingsBackend::readKey(const std::string& path, std::string_view key)
{
    if (readKey_ != nullptr && readPath_ == path)
        return readKey_;
    closeReadKey();
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, widen(path).c_str(), 0, KEY_QUERY_VALUE, &readKey_);
    if (status != ERROR_SUCCESS)
        readKey_ = nullptr;
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        throw systemError(static_cast<unsigned long>(status), describe("opening", path, key));
    readPath_ = path;
    return readKey_;
}

void RegistrySettingsBackend::closeReadKey()
{
    if (readKey_ != nullptr)
        RegCloseKey(readKey_);
    readKey_ = nullptr;
}

std::string RegistrySettingsBackend::get(std::string_view app, std::string_view section, std::string_view key,
                                         std::string_view fallback)
{
    const std::string path = keyPath(app, section);
    const std::wstring name = widen(key);
    std::wstring value(64, L'\0');
    for (bool reopened = false;;) {
        const HKEY opened = readKey(path, key);
        if (opened == nullptr)
            return std::string(fallback); // no such section or application
        DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        const LSTATUS status =
            RegGetValueW(opened, nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr, value.data(), &bytes);
        if (status == ERROR_KEY_DELETED && !reopened) {
            closeReadKey();
            reopened = true;
            continue;
        }
        if (status == ERROR_FILE_NOT_FOUND)
            return std::string(fallback);
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
    saveAll(app, section, {{std::string(key), std::string(text)}});
}

void RegistrySettingsBackend::saveAll(std::string_view app, std::string_view section,
                                      const std::vector<std::pair<std::string, std::string>>& values)
{
    const std::string path = keyPath(app, section);
    OpenKey opened;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &opened.key, nullptr);
    if (status != ERROR_SUCCESS)
        throw systemError(static_cast<unsigned long>(status),
                          describe("creating", path, values.empty() ? "" : values.front().first));
    for (const auto& [key, text] : values) {
        const std::wstring value = widen(text);
        status = RegSetValueExW(opened.key, widen(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        if (status != ERROR_SUCCESS)
            throw systemError(static_cast<unsigned long>(status), describe("saving", path, key));
    }
}

} // namespace davev
