#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interpreter/core/file_system.h"

namespace davev::cmd {

// What an append in progress records before its first byte: which file,
// and the length to cut it back to should the append never finish.
struct JournalRecord {
    FileIdentity target;
    std::uint64_t length = 0;
    std::uint64_t writer = 0; // process id, for the report
};

std::string formatJournal(const JournalRecord& record);
// Nothing for a text that is no journal.
std::optional<JournalRecord> parseJournal(std::string_view text);

// One journal on the disk.
struct JournalFile {
    std::string path;
    FileIdentity file;
};

// The two names a journal of one target can have: beside the file itself,
// as ".da-vev-journal-DEVICE-FILE", and in the user's folder as
// "DEVICE-FILE". Either is empty when its folder is unknown.
struct JournalPlaces {
    std::string beside;
    std::string user;
    std::string userFolder;
    std::uint64_t links = 1; // of the target
};

// Where the imports of a target keep their journals, which journal they
// trust, and which they remove. Only a journal this user wrote for this
// target is ever trusted, cut back from or removed; whatever else lies at a
// journal's name stays exactly as it is.
class Journals {
public:
    explicit Journals(FileSystem& files) : files_(files) {}

    JournalPlaces placesOf(const std::string& targetName, const OpenFile& target);

    // The journals that imports of this target cut off part-way left.
    struct Found {
        JournalFile file;
        JournalRecord record;
    };
    std::vector<Found> find(const JournalPlaces& places, const OpenFile& target);

    // Writes record as the journal of the import in progress: over its
    // earlier journal, or else beside the target or, where nothing of this
    // user's may go there, in the user's folder. A target with more names
    // than one keeps its journal in the user's folder, where an import
    // through any of its names finds it. Returns why it could not be written.
    std::optional<std::string> write(const JournalPlaces& places, const JournalRecord& record,
                                     std::optional<JournalFile>& journal);

    // Removes a journal found or written; a failure is an error, as the
    // journal, left, would cut the target back at the next import. written
    // says the import at hand wrote it, which makes a journal gone from its
    // place an error too: it was moved away with its folder, and the next
    // import of the target would find it there.
    FileResult remove(const JournalFile& journal, bool written);

private:
    FileSystem& files_;
};

} // namespace davev::cmd
