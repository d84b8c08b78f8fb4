#pragma once

#include <chrono>
#include <string>

#include "platform/posix/file_lock.h"
#include "platform/services.h"

namespace davev {

// Settings as per-user INI files, one for each section:
// <config directory>/<app>/<section>.ini, keys in the file's [General]
// group, in the form QSettings reads and writes. Each get reads the file as
// it is on disk then; nothing is kept between calls. Each save is one atomic
// replacement of the file, flushed once, before it returns: under the lock
// QSettings takes (not flushed), the file as it is then gets the new values,
// with every other line kept.
class IniSettingsBackend : public SettingsBackend {
public:
    explicit IniSettingsBackend(std::string configDirectory);

    // $XDG_CONFIG_HOME when set to an absolute path, otherwise $HOME/.config.
    static std::string defaultConfigDirectory();

    std::string get(std::string_view app, std::string_view section, std::string_view key,
                    std::string_view fallback) override;
    // Throws PlatformError naming the file when it cannot be written.
    void save(std::string_view app, std::string_view section, std::string_view key, std::string_view text) override;
    // One atomic replacement of the section's file, flushed once; a failure
    // leaves the file as it was and throws PlatformError naming it.
    void saveAll(std::string_view app, std::string_view section,
                 const std::vector<std::pair<std::string, std::string>>& values) override;

    std::string filePath(std::string_view app, std::string_view section) const;

    // How long a save waits for another writer to let go of the file's lock.
    std::chrono::milliseconds lockWait = settingsLockWait;

private:
    std::string directory_;
};

} // namespace davev
