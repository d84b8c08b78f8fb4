#pragma once

#include "platform/layout.h"

// Small helpers that keep the layout tables one row per control.
namespace davev::layout {

inline constexpr FontSpec SansBold{"MS Sans Serif", 8.25, true};
inline constexpr FontSpec ArialBold{"Arial", 9.75, true};

inline ControlSpec control(ControlKind kind, std::string_view name, std::string_view caption, int left, int top,
                           int width, int height, int tabIndex)
{
    ControlSpec c;
    c.kind = kind;
    c.name = name;
    c.caption = caption;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.tabIndex = tabIndex;
    return c;
}

inline ControlSpec timer(std::string_view name, int left, int top)
{
    ControlSpec c = control(ControlKind::Timer, name, {}, left, top, 0, 0, -1);
    c.enabled = false;
    return c;
}

inline ControlSpec labelledBy(ControlSpec c, std::string_view label)
{
    c.labelledBy = label;
    return c;
}

inline ControlSpec hidden(ControlSpec c)
{
    c.visible = false;
    return c;
}

inline ControlSpec bordered(ControlSpec c, FontSpec font, Colour foreground, Colour background)
{
    c.font = font;
    c.hasColours = true;
    c.foreground = foreground;
    c.background = background;
    c.border = true;
    c.centred = true;
    return c;
}

// Green on black, single-line border, centred.
inline ControlSpec displayStyle(ControlSpec c, FontSpec font)
{
    return bordered(c, font, DisplayGreen, Black);
}

// Black on light green, single-line border, centred: the batch-file notes.
inline ControlSpec noteStyle(ControlSpec c, FontSpec font)
{
    return bordered(c, font, Black, LightGreen);
}

} // namespace davev::layout
