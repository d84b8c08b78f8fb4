#pragma once

namespace davev {

// The logical DPI of the screen, as the process sees it.
int screenDotsPerInch();

} // namespace davev
