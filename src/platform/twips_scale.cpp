#include "platform/twips_scale.h"

#include <cmath>

namespace davev {
namespace {
constexpr double TwipsPerInch = 1440.0;
constexpr double PointsPerInch = 72.0;
} // namespace

int TwipsScale::toPixels(double twips) const
{
    return static_cast<int>(std::lround(twips * dotsPerInch_ / TwipsPerInch));
}

float TwipsScale::toTwips(int pixels) const
{
    return static_cast<float>(std::round(pixels * TwipsPerInch / dotsPerInch_));
}

TwipsArea TwipsScale::toTwips(const PixelRect& pixels) const
{
    return {toTwips(pixels.x), toTwips(pixels.y), toTwips(pixels.width), toTwips(pixels.height)};
}

PixelRect TwipsScale::toPixels(double left, double top, double width, double height) const
{
    const int x = toPixels(left);
    const int y = toPixels(top);
    return {x, y, toPixels(left + width) - x, toPixels(top + height) - y};
}

int TwipsScale::pointsToPixels(double points) const
{
    return static_cast<int>(std::floor(points * dotsPerInch_ / PointsPerInch));
}

} // namespace davev
