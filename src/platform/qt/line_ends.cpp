#include "platform/qt/line_ends.h"

namespace davev {

std::string toModelLineEnds(std::string_view widgetText)
{
    std::string text;
    text.reserve(widgetText.size());
    for (std::size_t i = 0; i < widgetText.size(); ++i) {
        const char c = widgetText[i];
        if (c == '\n' && (i == 0 || widgetText[i - 1] != '\r'))
            text += '\r';
        text += c;
    }
    return text;
}

std::string toWidgetLineEnds(std::string_view modelText)
{
    std::string text;
    text.reserve(modelText.size());
    for (std::size_t i = 0; i < modelText.size(); ++i) {
        if (modelText[i] == '\r' && i + 1 < modelText.size() && modelText[i + 1] == '\n')
            continue;
        text += modelText[i];
    }
    return text;
}

} // namespace davev
