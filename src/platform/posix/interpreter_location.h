#pragma once

#include <string>

namespace davev {

inline constexpr const char* commandInterpreterName = "da-vev-cmd";

// Path of the command interpreter: beside the running program, else in the
// installed libexec directory, else on PATH. Throws PlatformError if absent.
std::string findCommandInterpreter();

} // namespace davev
