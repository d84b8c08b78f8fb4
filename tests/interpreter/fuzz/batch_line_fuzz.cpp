// The batch line parser on any bytes: it must not crash, and a line it
// accepts names what it runs.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "interpreter/core/batch_line.h"
#include "interpreter/core/batch_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace davev::cmd;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string_view line : splitLines(text)) {
        if (line.find('\n') != std::string_view::npos)
            std::abort();
        const ParsedLine parsed = parseLine(line);
        if (!parsed.error.empty())
            continue;
        if (parsed.command.output && parsed.command.output->path.empty())
            std::abort();
        if (parsed.command.kind == CommandKind::Type && parsed.command.file.empty() && line.find('"') == line.npos)
            std::abort();
    }
    return 0;
}
