#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/services.h"

namespace davev {

// Settings as per-user INI files, one for each section:
// <config directory>/<app>/<section>.ini, keys in the file's [General] group.
// Each save is on disk, written atomically, before it returns; each get
// reads the file as it is on disk then.
class QtSettingsBackend : public SettingsBackend {
public:
    explicit QtSettingsBackend(std::string configDirectory);
    ~QtSettingsBackend() override;
    QtSettingsBackend(const QtSettingsBackend&) = delete;
    QtSettingsBackend& operator=(const QtSettingsBackend&) = delete;

    // $XDG_CONFIG_HOME when set to an absolute path, otherwise $HOME/.config.
    static std::string defaultConfigDirectory();

    std::string get(std::string_view app, std::string_view section, std::string_view key,
                    std::string_view fallback) override;
    // Throws PlatformError naming the file when it cannot be written.
    void save(std::string_view app, std::string_view section, std::string_view key, std::string_view text) override;
    // One atomic replacement of the section's file, flushed once.
    void saveAll(std::string_view app, std::string_view section,
                 const std::vector<std::pair<std::string, std::string>>& values) override;

    std::string filePath(std::string_view app, std::string_view section) const;

private:
    class File;
    File& file(std::string_view app, std::string_view section);

    std::string directory_;
    // One open store per file; it parses the file again only when the file
    // changed on disk.
    std::map<std::string, std::unique_ptr<File>, std::less<>> files_;
};

} // namespace davev
