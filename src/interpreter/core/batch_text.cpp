#include "interpreter/core/batch_text.h"

#include <algorithm>
#include <cctype>

namespace davev::cmd {

std::vector<std::string_view> splitLines(std::string_view content)
{
    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        content.remove_prefix(end + 1);
    }
    return lines;
}

bool namesNullDevice(std::string_view name)
{
    if (name.ends_with(':'))
        name.remove_suffix(1);
    return name.size() == 3 && std::equal(name.begin(), name.end(), "nul", [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

} // namespace davev::cmd
