#pragma once

#include <string_view>

namespace davev {

// Writes one error line to the Windows event log (Application, source
// "DA-VEV"): where a failure goes when nobody is there to dismiss a box.
// A log that cannot be written is left at that; there is nowhere else to go.
void writeEventLog(std::string_view text);

} // namespace davev
