#include "platform/cmd/import_journal.h"

#include <charconv>

namespace davev::cmd {

namespace {

constexpr std::string_view header = "DA-VEV import journal 1\n";
constexpr std::string_view trailer = "end\n";

bool readField(std::string_view& text, std::string_view name, std::uint64_t& value)
{
    if (!text.starts_with(name) || text.size() <= name.size() || text[name.size()] != ' ')
        return false;
    text.remove_prefix(name.size() + 1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + text.size() || *end != '\n')
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

} // namespace

std::string formatJournal(const JournalRecord& record)
{
    return std::string(header) + "device " + std::to_string(record.target.device) + "\nfile " +
           std::to_string(record.target.file) + "\nlength " + std::to_string(record.length) + "\nwriter " +
           std::to_string(record.writer) + "\n" + std::string(trailer);
}

std::optional<JournalRecord> parseJournal(std::string_view text)
{
    if (!text.starts_with(header))
        return std::nullopt;
    text.remove_prefix(header.size());
    JournalRecord record;
    if (!readField(text, "device", record.target.device) || !readField(text, "file", record.target.file) ||
        !readField(text, "length", record.length) || !readField(text, "writer", record.writer) || text != trailer)
        return std::nullopt;
    return record;
}

} // namespace davev::cmd
