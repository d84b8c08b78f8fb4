#pragma once

#include <cstring>
#include <string>

namespace davev {

// The system's text for an error number, without the thread-unsafe strerror.
inline std::string errnoText(int number)
{
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in buffer.
    const char* text = strerror_r(number, buffer, sizeof buffer);
    return text;
}

} // namespace davev
