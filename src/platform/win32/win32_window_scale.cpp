#include "platform/win32/win32_window_scale.h"

#include <cmath>
#include <windows.h>

namespace davev {
namespace {
constexpr double TwipsPerInch = 1440.0;
constexpr double PointsPerInch = 72.0;
} // namespace

PixelScale PixelScale::ofScreen()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return PixelScale(dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI);
}

int PixelScale::toPixels(double twips) const
{
    return static_cast<int>(std::lround(twips * dotsPerInch_ / TwipsPerInch));
}

float PixelScale::toTwips(int pixels) const
{
    return static_cast<float>(std::round(pixels * TwipsPerInch / dotsPerInch_));
}

PixelScale::Rect PixelScale::toPixels(double left, double top, double width, double height) const
{
    const int x = toPixels(left);
    const int y = toPixels(top);
    return {x, y, toPixels(left + width) - x, toPixels(top + height) - y};
}

int PixelScale::pointsToPixels(double points) const
{
    return static_cast<int>(std::lround(points * dotsPerInch_ / PointsPerInch));
}

} // namespace davev
