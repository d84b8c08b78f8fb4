#include "platform/qt/twips_scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace davev {
namespace {
constexpr double TwipsPerInch = 1440.0;
}

TwipsScale TwipsScale::ofPrimaryScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return TwipsScale(screen != nullptr ? screen->logicalDotsPerInch() : 96.0);
}

int TwipsScale::toPixels(double twips) const
{
    return static_cast<int>(std::lround(twips * dotsPerInch_ / TwipsPerInch));
}

float TwipsScale::toTwips(int pixels) const
{
    return static_cast<float>(std::round(pixels * TwipsPerInch / dotsPerInch_));
}

QPoint TwipsScale::toPixels(double left, double top) const
{
    return {toPixels(left), toPixels(top)};
}

QRect TwipsScale::toPixels(double left, double top, double width, double height) const
{
    const int x = toPixels(left);
    const int y = toPixels(top);
    return {x, y, toPixels(left + width) - x, toPixels(top + height) - y};
}

} // namespace davev
