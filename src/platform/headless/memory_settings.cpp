#include "platform/headless/memory_settings.h"

#include <cerrno>

namespace davev {
namespace {
constexpr std::string_view App = "DA-VEV";
}

std::string MemorySettings::get(std::string_view app, std::string_view section, std::string_view key,
                                std::string_view fallback)
{
    const auto it = values_.find(Key(app, section, key));
    return it == values_.end() ? std::string(fallback) : it->second;
}

void MemorySettings::save(std::string_view app, std::string_view section, std::string_view key, std::string_view text)
{
    if (failSaves_)
        throw PlatformError(EACCES, "Permission denied: settings store");
    values_[Key(app, section, key)] = std::string(text);
    writes_.push_back({std::string(section), std::string(key), std::string(text)});
    ++commits_;
}

void MemorySettings::saveAll(std::string_view app, std::string_view section,
                             const std::vector<std::pair<std::string, std::string>>& values)
{
    if (failSaves_)
        throw PlatformError(EACCES, "Permission denied: settings store");
    for (const auto& [key, text] : values) {
        values_[Key(app, section, key)] = text;
        writes_.push_back({std::string(section), key, text});
    }
    ++commits_;
}

bool MemorySettings::has(std::string_view section, std::string_view key) const
{
    return values_.count(Key(App, section, key)) != 0;
}

std::string MemorySettings::value(std::string_view section, std::string_view key) const
{
    const auto it = values_.find(Key(App, section, key));
    return it == values_.end() ? std::string() : it->second;
}

void MemorySettings::put(std::string_view section, std::string_view key, std::string_view text)
{
    values_[Key(App, section, key)] = std::string(text);
}

} // namespace davev
