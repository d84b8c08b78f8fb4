#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace davev::settings {

inline constexpr std::string_view Application = "DA-VEV";

// Window geometry keys, in twips.
struct GeometryKeys {
    std::string_view left, top, width, height;
    int defaultLeft, defaultTop, defaultWidth, defaultHeight;
};

inline constexpr GeometryKeys MainGeometry{"MAIN-Left", "MAIN-Top", "MAIN-Width", "MAIN-Height",
                                           1000,        1000,       5760,         3150};
inline constexpr GeometryKeys AboutGeometry{"ABOUT-Left", "ABOUT-Top", "ABOUT-Width", "ABOUT-Height",
                                            1000,         1000,        5985,          3390};
inline constexpr GeometryKeys OutputGeometry{
    "OUTPUT_WINDOW-Left", "OUTPUT_WINDOW-Top", "OUTPUT_WINDOW-Width", "OUTPUT_WINDOW-Height", 1000, 1000, 9705, 3855};

// The main window's option keys, in the order they are read and written.
struct OptionKey {
    std::string_view name;
    int defaultValue;
};
inline constexpr OptionKey OptionKeys[] = {
    {"AlwaysOnTopTimer_TICKBOX", 1}, {"AUTOSTART_TICKBOX", 0}, {"AUTOCLOSE_TICKBOX", 0},
    {"LOOP_1MIN_TICKBOX", 0},        {"LOOP_5MIN_TICKBOX", 0},
};

// The main window's text keys, in order.
inline constexpr std::string_view TextKeys[] = {"SOURCE_TEXT_FILE_TEXTBOX", "TARGET_TEXT_FILE_TEXTBOX",
                                                "FULL_COMMAND_TEXTBOX"};

// A number of twips as stored text: whole numbers as plain digits, fractions
// with a full stop, whatever the locale.
std::string formatTwips(float twips);
std::optional<float> parseTwips(std::string_view text);

std::string formatOption(int value);
// A check box accepts 0, 1 and 2 only.
std::optional<int> parseOption(std::string_view text);

} // namespace davev::settings
