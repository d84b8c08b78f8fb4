#include "platform/qt/screen_scale.h"

#include <QGuiApplication>
#include <QScreen>

namespace davev {

TwipsScale primaryScreenScale()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return TwipsScale(screen != nullptr ? screen->logicalDotsPerInch() : 96.0);
}

QRect toQRect(const PixelRect& rect)
{
    return {rect.x, rect.y, rect.width, rect.height};
}

QPoint toPixelPoint(const TwipsScale& scale, double left, double top)
{
    return {scale.toPixels(left), scale.toPixels(top)};
}

} // namespace davev
