#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/services.h"

namespace davev {

// A settings store held in memory; it also records the order of saves.
class MemorySettings : public SettingsBackend {
public:
    struct Write {
        std::string section;
        std::string key;
        std::string text;
    };

    std::string get(std::string_view app, std::string_view section, std::string_view key,
                    std::string_view fallback) override;
    void save(std::string_view app, std::string_view section, std::string_view key, std::string_view text) override;
    void saveAll(std::string_view app, std::string_view section,
                 const std::vector<std::pair<std::string, std::string>>& values) override;

    bool has(std::string_view section, std::string_view key) const;
    std::string value(std::string_view section, std::string_view key) const;
    void put(std::string_view section, std::string_view key, std::string_view text);
    const std::vector<Write>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    // How many saves and saveAlls reached the store, each one write.
    int commits() const { return commits_; }
    // From then on every save throws, as a store that cannot be written would.
    void failSaves(bool fail) { failSaves_ = fail; }

private:
    using Key = std::tuple<std::string, std::string, std::string>;
    std::map<Key, std::string> values_;
    std::vector<Write> writes_;
    bool failSaves_ = false;
    int commits_ = 0;
};

} // namespace davev
