#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace davev {

enum class ControlKind { Label, Button, CheckBox, TextBox, Timer };

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Colour&) const = default;
};

struct FontSpec {
    std::string_view family = "MS Sans Serif";
    double points = 8.25;
    bool bold = false;
    bool operator==(const FontSpec&) const = default;
};

// One control as the window creates it. Geometry is in twips from the
// top-left corner of the client area; timers have a position only.
struct ControlSpec {
    ControlKind kind = ControlKind::Label;
    std::string_view name;
    std::string_view caption; // caption of labels, buttons and check boxes; text of text boxes
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int tabIndex = -1; // -1: not in the focus order
    bool visible = true;
    bool enabled = true;
    int value = 0; // check boxes
    bool multiLine = false;
    bool verticalScrollBar = false;
    bool locked = false;
    FontSpec font{};
    bool hasColours = false; // false: the platform's default colours
    Colour foreground{};
    Colour background{};
    bool border = false; // single-line border (labels)
    bool centred = false;
    // For assistive technology: the control whose caption names this one,
    // and whether this label is a status line whose changes are announced.
    std::string_view labelledBy;
    bool statusLine = false;
};

struct WindowSpec {
    std::string_view name;
    std::string_view caption;
    int clientWidth = 0;
    int clientHeight = 0;
    // Frame around the client area, in twips, as the layout was designed.
    int frameLeft = 45;
    int frameTop = 330;
    int frameRight = 45;
    int frameBottom = 45;
    bool minimizeButton = false;
    std::vector<ControlSpec> controls;

    int outerWidth() const { return clientWidth + frameLeft + frameRight; }
    int outerHeight() const { return clientHeight + frameTop + frameBottom; }
};

// The display style shared by title and status labels: green on black,
// single-line border, centred.
inline constexpr Colour DisplayGreen{0, 255, 0};
inline constexpr Colour Black{0, 0, 0};
inline constexpr Colour LightGreen{192, 255, 192};

} // namespace davev
