#include "support.h"

#include <array>
#include <cstdio>
#include <sstream>

#include <sys/wait.h>

namespace davev::test {

std::map<std::string, std::string> desktopEntryKeys(const std::string& text)
{
    std::map<std::string, std::string> keys;
    std::istringstream lines(text);
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        if (line.starts_with('[')) {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (inGroup && equals != std::string::npos && !line.starts_with('#'))
            keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

std::string xmlText(const std::string& xml, const std::string& tag)
{
    const std::string open = "<" + tag + ">";
    const auto start = xml.find(open);
    if (start == std::string::npos)
        return {};
    const auto end = xml.find("</" + tag.substr(0, tag.find(' ')) + ">", start);
    if (end == std::string::npos)
        return {};
    return xml.substr(start + open.size(), end - start - open.size());
}

std::string xmlAttribute(const std::string& xml, const std::string& tag, const std::string& attribute)
{
    const auto start = xml.find("<" + tag + " ");
    if (start == std::string::npos)
        return {};
    const auto close = xml.find('>', start);
    const std::string element = xml.substr(start, close - start);
    const std::string key = " " + attribute + "=\"";
    const auto at = element.find(key);
    if (at == std::string::npos)
        return {};
    const auto valueStart = at + key.size();
    return element.substr(valueStart, element.find('"', valueStart) - valueStart);
}

namespace {
std::uint32_t bigEndian32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}
} // namespace

PngHeader readPngHeader(const std::filesystem::path& path)
{
    PngHeader header;
    const std::string bytes = readFile(path);
    static const std::string signature = "\x89PNG\r\n\x1a\n";
    if (bytes.compare(0, signature.size(), signature) != 0)
        return header;
    try {
        bool sawEnd = false;
        for (std::size_t at = signature.size(); at + 8 <= bytes.size() && !sawEnd;) {
            const std::uint32_t length = bigEndian32(bytes, at);
            const std::string type = bytes.substr(at + 4, 4);
            const std::size_t data = at + 8;
            if (type == "IHDR") {
                header.width = bigEndian32(bytes, data);
                header.height = bigEndian32(bytes, data + 4);
                header.bitDepth = static_cast<unsigned char>(bytes.at(data + 8));
                header.colourType = static_cast<unsigned char>(bytes.at(data + 9));
            } else if (type == "PLTE") {
                header.paletteEntries = length / 3;
            } else if (type == "IEND") {
                sawEnd = true;
            }
            at = data + length + 4; // past the CRC
        }
        header.valid = sawEnd && header.width > 0;
    } catch (const std::out_of_range&) {
        header.valid = false;
    }
    return header;
}

CommandResult run(const std::string& shellCommand)
{
    CommandResult result;
    FILE* pipe = ::popen((shellCommand + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool haveProgram(const std::string& name)
{
    return run("command -v " + quoted(name)).exitCode == 0;
}

} // namespace davev::test
