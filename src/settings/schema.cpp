#include "settings/schema.h"

#include <charconv>
#include <cmath>

namespace davev::settings {
namespace {

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

std::string formatTwips(float twips)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, twips, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

std::optional<float> parseTwips(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    float value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string formatOption(int value)
{
    return std::to_string(value);
}

std::optional<int> parseOption(std::string_view text)
{
    text = trimmed(text);
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    if (value < 0 || value > 2)
        return std::nullopt;
    return value;
}

} // namespace davev::settings
