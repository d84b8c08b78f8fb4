#include "interpreter/core/journal.h"

#include <charconv>

namespace davev::cmd {

namespace {

constexpr std::string_view header = "DA-VEV import journal 1\n";
constexpr std::string_view trailer = "end\n";
// A record is some hundred bytes; anything larger at a journal's name is no journal.
constexpr std::size_t largestJournal = 4096;

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

JournalPlaces Journals::placesOf(const std::string& targetName, const OpenFile& target)
{
    const std::string key = std::to_string(target.identity.device) + "-" + std::to_string(target.identity.file);
    JournalPlaces places;
    places.links = target.links;
    if (const std::string folder = files_.folderOf(targetName, target); !folder.empty())
        places.beside = files_.pathIn(folder, ".da-vev-journal-" + key);
    places.userFolder = files_.userFolder();
    if (!places.userFolder.empty())
        places.user = files_.pathIn(places.userFolder, key);
    return places;
}

std::vector<Journals::Found> Journals::find(const JournalPlaces& places, const OpenFile& target)
{
    std::vector<Found> found;
    for (const std::string* path : {&places.beside, &places.user}) {
        if (path->empty())
            continue;
        const SmallFile file = files_.readSmallFile(*path, largestJournal);
        if (file.found != SmallFile::Found::Ours)
            continue;
        const std::optional<JournalRecord> record = parseJournal(file.text);
        if (record && record->target == target.identity)
            found.push_back(Found{JournalFile{*path, file.identity}, *record});
    }
    return found;
}

std::optional<std::string> Journals::write(const JournalPlaces& places, const JournalRecord& record,
                                           std::optional<JournalFile>& journal)
{
    const std::string text = formatJournal(record);
    FileIdentity written;
    if (journal) {
        if (auto error = files_.replaceSmallFile(journal->path, text, written))
            return "its journal cannot be written: " + error->text;
        journal->file = written;
        return std::nullopt;
    }
    // Why each place could not take it, for the refusal.
    std::string besideProblem = places.beside.empty() ? "its folder cannot be found" : "";
    std::string userProblem = places.userFolder.empty() ? "this user has no folder for it" : "";
    const auto tryPlace = [&](const std::string& path, std::string& problem) {
        if (!problem.empty())
            return false;
        const SmallFile there = files_.readSmallFile(path, largestJournal);
        if (there.found == SmallFile::Found::Other) {
            problem = there.problem + " lies at its name";
            return false;
        }
        // A journal of this target is one that an import cut off left and
        // this import has cut back from; anything else is the user's.
        const std::optional<JournalRecord> earlier =
            there.found == SmallFile::Found::Ours ? parseJournal(there.text) : std::nullopt;
        if (there.found == SmallFile::Found::Ours && (!earlier || earlier->target != record.target)) {
            problem = "a file that is no journal of it lies at its name";
            return false;
        }
        if (auto error = files_.replaceSmallFile(path, text, written)) {
            problem = error->text;
            return false;
        }
        journal = JournalFile{path, written};
        return true;
    };
    if (places.links > 1) {
        besideProblem =
            "it has " + std::to_string(places.links) + " names, and an import through another would not find it there";
    } else if (tryPlace(places.beside, besideProblem)) {
        return std::nullopt;
    }
    if (userProblem.empty()) {
        if (auto error = files_.makeFolder(places.userFolder))
            userProblem = error->text;
    }
    if (tryPlace(places.user, userProblem))
        return std::nullopt;
    return "its journal can go neither beside it (" + besideProblem + ") nor into \"" + places.userFolder + "\" (" +
           userProblem + "); nothing was written";
}

FileResult Journals::remove(const JournalFile& journal, bool written)
{
    FileError error;
    switch (files_.removeSmallFile(journal.path, journal.file, error)) {
    case Removal::Removed:
        return std::nullopt;
    case Removal::Absent:
    case Removal::NotOurs:
        if (written)
            return FileError{"it is no longer at \"" + journal.path + "\", where it was written", false};
        return std::nullopt;
    case Removal::Failed:
        break;
    }
    return error;
}

} // namespace davev::cmd
