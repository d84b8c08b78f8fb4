#pragma once

#include "platform/layout.h"

namespace davev {

const WindowSpec& mainWindowLayout();
const WindowSpec& aboutWindowLayout();

} // namespace davev
