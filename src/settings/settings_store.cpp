#include "settings/settings_store.h"

namespace davev {

SettingsStore::SettingsStore(SettingsBackend& backend, ExecutableName& executableName, ErrorReport& errors,
                             const WindowDisplay& display)
    : backend_(backend), executableName_(executableName), errors_(errors), display_(display)
{
}

std::string SettingsStore::get(std::string_view key, std::string_view fallback)
{
    return backend_.get(settings::Application, executableName_.get(), key, fallback);
}

float SettingsStore::getTwips(std::string_view key, int fallback)
{
    const std::string text = get(key, std::to_string(fallback));
    if (const auto value = settings::parseTwips(text))
        return *value;
    errors_.note("settings: \"" + std::string(key) + "\" holds \"" + text + "\", which is not a number; using " +
                 std::to_string(fallback));
    return static_cast<float>(fallback);
}

int SettingsStore::getOption(std::string_view key, int fallback)
{
    const std::string text = get(key, std::to_string(fallback));
    if (const auto value = settings::parseOption(text))
        return *value;
    errors_.note("settings: \"" + std::string(key) + "\" holds \"" + text + "\", which is not 0, 1 or 2; using " +
                 std::to_string(fallback));
    return fallback;
}

float SettingsStore::getTwipsWithin(std::string_view key, int fallback, float low, float high, std::string_view why)
{
    const float twips = getTwips(key, fallback);
    if (twips >= low && twips <= high)
        return twips;
    errors_.note("settings: \"" + std::string(key) + "\" holds " + settings::formatTwips(twips) + ", " +
                 std::string(why) + "; using " + std::to_string(fallback));
    return static_cast<float>(fallback);
}

void SettingsStore::restoreGeometry(Window& window, const settings::GeometryKeys& keys)
{
    const WindowLimits limits = display_.windowLimits();
    constexpr std::string_view unplaceable = "a position the windowing system cannot represent";
    constexpr std::string_view unusable = "a size that leaves no window or more than the screen holds";
    // The smallest size that is still a window: one twip.
    constexpr float leastSize = 1;
    window.setLeft(getTwipsWithin(keys.left, keys.defaultLeft, limits.minPosition, limits.maxPosition, unplaceable));
    window.setTop(getTwipsWithin(keys.top, keys.defaultTop, limits.minPosition, limits.maxPosition, unplaceable));
    window.setWidth(getTwipsWithin(keys.width, keys.defaultWidth, leastSize, limits.maxWidth, unusable));
    window.setHeight(getTwipsWithin(keys.height, keys.defaultHeight, leastSize, limits.maxHeight, unusable));

    const TwipsPoint stored{window.left(), window.top()};
    const auto reachable = reachablePosition(
        {stored.left, stored.top, window.width(), window.height()}, static_cast<float>(window.design().frameTop),
        limits.screens, {static_cast<float>(keys.defaultLeft), static_cast<float>(keys.defaultTop)});
    if (!reachable || *reachable == stored)
        return;
    errors_.note("settings: \"" + std::string(keys.left) + "\" and \"" + std::string(keys.top) + "\" hold " +
                 settings::formatTwips(stored.left) + " and " + settings::formatTwips(stored.top) +
                 ", where no screen shows the window's title bar; opening it at " +
                 settings::formatTwips(reachable->left) + " and " + settings::formatTwips(reachable->top));
    window.setLeft(reachable->left);
    window.setTop(reachable->top);
}

void SettingsStore::storePosition(const Window& window, const settings::GeometryKeys& keys)
{
    SettingsBatch batch(*this);
    batch.storePosition(window, keys);
    batch.commit();
}

void SettingsStore::saveAll(const std::vector<std::pair<std::string, std::string>>& values)
{
    backend_.saveAll(settings::Application, executableName_.get(), values);
}

void SettingsBatch::save(std::string_view key, std::string_view text)
{
    values_.emplace_back(key, text);
}

void SettingsBatch::saveTwips(std::string_view key, float twips)
{
    save(key, settings::formatTwips(twips));
}

void SettingsBatch::saveOption(std::string_view key, int value)
{
    save(key, settings::formatOption(value));
}

void SettingsBatch::storePosition(const Window& window, const settings::GeometryKeys& keys)
{
    saveTwips(keys.left, window.left());
    saveTwips(keys.top, window.top());
}

void SettingsBatch::commit()
{
    store_.saveAll(values_);
    values_.clear();
}

} // namespace davev
