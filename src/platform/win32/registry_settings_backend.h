#pragma once

#include <string>

#include "platform/services.h"

namespace davev {

// Settings in the registry, where programs of this kind have always kept
// them: HKEY_CURRENT_USER\<root>\<app>\<section>, one REG_SZ value per key,
// so values written by other such programs stay readable. An absent key
// gives the fallback; every other failure throws PlatformError with the
// Windows error number and text.
class RegistrySettingsBackend : public SettingsBackend {
public:
    static constexpr const char* defaultRoot = "Software\\VB and VBA Program Settings";

    explicit RegistrySettingsBackend(std::string root = defaultRoot);

    std::string get(std::string_view app, std::string_view section, std::string_view key,
                    std::string_view fallback) override;
    void save(std::string_view app, std::string_view section, std::string_view key, std::string_view text) override;

    // The key's path below HKEY_CURRENT_USER.
    std::string keyPath(std::string_view app, std::string_view section) const;

private:
    std::string root_;
};

} // namespace davev
