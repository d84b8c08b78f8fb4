#pragma once

#include <string_view>

namespace davev {

// One line, at error priority, to the system log under the ident "DA-VEV";
// without a system log, to the interpreter's imports.log instead.
void writeSystemLog(std::string_view text);

} // namespace davev
