#pragma once

#include <QWidget>
#include <string_view>

#include "platform/controls.h"

namespace davev::test {

// The top-level widget showing `window`, and the widget of one of its
// controls; both throw when there is none.
QWidget& top(const Window& window);
QWidget& widgetOf(const Window& window, std::string_view control);

} // namespace davev::test
