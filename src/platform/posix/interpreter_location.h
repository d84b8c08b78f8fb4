#pragma once

#include <string>

namespace davev {

inline constexpr const char* commandInterpreterName = "da-vev-cmd";

// Path of the command interpreter: beside the running program (the build
// tree), in libexec/da-vev of the installation the program runs from, or in
// the libexec directory the build was configured for. PATH is never searched:
// a relative or empty entry there would run whatever lies in the working
// directory. Throws PlatformError if absent.
std::string findCommandInterpreter();
// The same for a program that lies in programDirectory (an absolute path).
std::string findCommandInterpreter(const std::string& programDirectory);

} // namespace davev
