#pragma once

#include <string>
#include <windows.h>

#include "platform/services.h"

namespace davev {

// Settings in the registry, where programs of this kind have always kept
// them: HKEY_CURRENT_USER\<root>\<app>\<section>, one REG_SZ value per key,
// so values written by other such programs stay readable. An absent key
// gives the fallback; every other failure throws PlatformError with the
// Windows error number and text. The section's key is opened once for
// reading and kept open (opened again should another program delete it),
// and once for each write of several values.
class RegistrySettingsBackend : public SettingsBackend {
public:
    static constexpr const char* defaultRoot = "Software\\VB and VBA Program Settings";

    explicit RegistrySettingsBackend(std::string root = defaultRoot);
    ~RegistrySettingsBackend() override;
    RegistrySettingsBackend(const RegistrySettingsBackend&) = delete;
    RegistrySettingsBackend& operator=(const RegistrySettingsBackend&) = delete;

    std::string get(std::string_view app, std::string_view section, std::string_view key,
                    std::string_view fallback) override;
    void save(std::string_view app, std::string_view section, std::string_view key, std::string_view text) override;
    void saveAll(std::string_view app, std::string_view section,
                 const std::vector<std::pair<std::string, std::string>>& values) override;

    // The key's path below HKEY_CURRENT_USER.
    std::string keyPath(std::string_view app, std::string_view section) const;

private:
    // The open key of `path` for reading `key`, or nullptr while there is none.
    HKEY readKey(const std::string& path, std::string_view key);
    void closeReadKey();

    std::string root_;
    std::string readPath_;
    HKEY readKey_ = nullptr;
};

} // namespace davev
