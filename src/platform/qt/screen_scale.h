#pragma once

#include <QPoint>
#include <QRect>

#include "platform/twips_scale.h"

namespace davev {

// Twips to pixels at the primary screen's logical resolution.
TwipsScale primaryScreenScale();

QRect toQRect(const PixelRect& rect);
QPoint toPixelPoint(const TwipsScale& scale, double left, double top);

} // namespace davev
