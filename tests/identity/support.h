#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "files.h"

namespace davev::test {

// The key=value lines of a desktop entry's [Desktop Entry] group.
std::map<std::string, std::string> desktopEntryKeys(const std::string& text);

// Text of the first <tag>...</tag> element; empty when absent.
std::string xmlText(const std::string& xml, const std::string& tag);
// Value of an attribute of the first <tag ...> element; empty when absent.
std::string xmlAttribute(const std::string& xml, const std::string& tag, const std::string& attribute);

struct PngHeader {
    bool valid = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    std::size_t paletteEntries = 0;
};
PngHeader readPngHeader(const std::filesystem::path& path);

struct CommandResult {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};
CommandResult run(const std::string& shellCommand);
std::string quoted(const std::string& text);
bool haveProgram(const std::string& name);

} // namespace davev::test
