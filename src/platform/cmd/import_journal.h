#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/cmd/import_files.h"

namespace davev::cmd {

// What an append in progress records before its first byte: which file,
// and the length to cut it back to should the append never finish.
struct JournalRecord {
    FileIdentity target;
    std::uint64_t length = 0;
    std::uint64_t writer = 0; // process id, for the report
};

std::string formatJournal(const JournalRecord& record);
// Nothing for a record torn by a crash while it was written: the target
// was not touched before its journal was complete on disk.
std::optional<JournalRecord> parseJournal(std::string_view text);

} // namespace davev::cmd
