#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/services.h"
#include "settings/schema.h"

namespace davev {

// The program's view of the settings store: application "DA-VEV", section
// named after the executable, fetched anew for every access.
class SettingsStore {
public:
    SettingsStore(SettingsBackend& backend, ExecutableName& executableName, ErrorReport& errors,
                  const WindowDisplay& display);

    std::string get(std::string_view key, std::string_view fallback);

    // A stored value that does not convert is replaced by the key's default,
    // with a note, so that a window always opens.
    float getTwips(std::string_view key, int fallback);
    int getOption(std::string_view key, int fallback);

    // Left, Top, Width and Height of a window, in that order. A size the
    // screen cannot hold, or a position the windowing system cannot
    // represent, counts as unreadable like text that is not a number. A
    // position where no screen shows the window's title bar (a monitor
    // since unplugged, a smaller screen) moves to the nearest screen, with a
    // note; the keys keep the stored one until the window stores its own.
    void restoreGeometry(Window& window, const settings::GeometryKeys& keys);
    // Left, then Top, in one write; Width and Height are never written.
    void storePosition(const Window& window, const settings::GeometryKeys& keys);

    // Stores several keys in one write, all or none. Writers go through a
    // SettingsBatch, which keeps their order of keys visible.
    void saveAll(const std::vector<std::pair<std::string, std::string>>& values);

private:
    float getTwipsWithin(std::string_view key, int fallback, float low, float high, std::string_view why);

    SettingsBackend& backend_;
    ExecutableName& executableName_;
    ErrorReport& errors_;
    const WindowDisplay& display_;
};

// Keys stored one after the other, in the order given, and written to the
// store together by commit(): a failure there leaves every key as it was.
class SettingsBatch {
public:
    explicit SettingsBatch(SettingsStore& store) : store_(store) {}

    void save(std::string_view key, std::string_view text);
    void saveTwips(std::string_view key, float twips);
    void saveOption(std::string_view key, int value);
    // Left, then Top.
    void storePosition(const Window& window, const settings::GeometryKeys& keys);

    void commit();

private:
    SettingsStore& store_;
    std::vector<std::pair<std::string, std::string>> values_;
};

} // namespace davev
