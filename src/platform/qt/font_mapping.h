#pragma once

#include <QFont>

#include "platform/layout.h"

namespace davev {

// The layout's font, with the Windows faces it names standing in for the
// metric-compatible faces installed here.
QFont fontFor(const FontSpec& design);

} // namespace davev
