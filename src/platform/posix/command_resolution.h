#pragma once

#include <string>
#include <vector>

namespace davev {

struct ResolvedCommand {
    std::string program;
    std::vector<std::string> arguments;
    bool isBatchFile = false;
};

// Finds the file a Windows-style command line names. A quoted first word is
// the program. An unquoted line that names a file as a whole, or that ends in
// a batch file extension, is that file alone, so "My Import.bat" runs exactly
// that batch file. Otherwise successively longer space-separated prefixes are
// tried and the rest are arguments. A name without '/' is taken from the
// current directory. Throws PlatformError when the line names nothing that
// can be started.
ResolvedCommand resolveCommandLine(const std::string& commandLine);

// The batch file of exactly this name, checked as resolveCommandLine checks
// the file it names; throws PlatformError when it cannot be run.
std::string startableBatchFile(const std::string& name);

// Splits an argument string by the Microsoft C runtime's rules: white space
// separates, double quotes group, and backslashes escape only before a quote.
std::vector<std::string> splitArguments(const std::string& text);

bool hasBatchExtension(const std::string& path);

} // namespace davev
