#pragma once

#include <stdexcept>
#include <string>

namespace davev {

// A failing platform operation. It unwinds the handler that called it up to
// the event's entry point, where it is reported with its number and text.
class PlatformError : public std::runtime_error {
public:
    PlatformError(int number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description))
    {
    }

    int number() const { return number_; }
    const std::string& description() const { return description_; }

private:
    int number_;
    std::string description_;
};

// The program's own error numbers, for failures that have no errno.
namespace errors {
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
} // namespace errors

} // namespace davev
