#pragma once

#include "platform/layout.h"

namespace davev {

const WindowSpec& outputWindowLayout();

} // namespace davev
