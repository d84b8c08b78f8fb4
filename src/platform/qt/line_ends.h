#pragma once

#include <string>
#include <string_view>

namespace davev {

// Multi-line text boxes keep CR LF line ends in the model; the widget works with LF.
std::string toModelLineEnds(std::string_view widgetText);
std::string toWidgetLineEnds(std::string_view modelText);

} // namespace davev
