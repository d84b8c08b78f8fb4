// Where an import keeps its journal, and what it leaves alone, on a file
// system in memory: the rules are the same on every platform.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "interpreter/core/batch_runner.h"
#include "interpreter/core/journal.h"
#include "interpreter/core/run_batch.h"
#include "memory_file_system.h"

namespace davev::test {
namespace {

using Kind = MemoryFileSystem::Kind;

class Messages final : public cmd::ImportReporter {
public:
    void report(std::size_t, const std::string& message) override { text += message + "\n"; }
    void importEnded(const cmd::ImportEnd& import) override { failed = failed || import.failure.has_value(); }
    std::string text;
    bool failed = false;
};

std::string runnerLines(const std::string& source, const std::string& target)
{
    return "type \"" + source + "\" >> \"" + target + "\"\r\necho. >> \"" + target + "\"\r\n";
}

class Journal : public ::testing::Test {
protected:
    void SetUp() override { files.put("s", std::string(100, 's')); }

    Messages import(const std::string& target)
    {
        Messages messages;
        cmd::BatchRunner runner(files, std::chrono::milliseconds(0));
        cmd::runBatch(runnerLines("s", target), runner, messages);
        return messages;
    }

    // An import killed part-way, with what it held let go.
    void importCutOff(const std::string& target)
    {
        files.cutOffAfter = 40;
        // Killed, it never ends: kept where nothing ends it, not even the
        // static destructors that run before the leak check at exit.
        static auto* killed = new std::vector<cmd::BatchRunner*>;
        auto* runner = killed->emplace_back(new cmd::BatchRunner(files, std::chrono::milliseconds(0)));
        Messages messages;
        EXPECT_THROW(cmd::runBatch(runnerLines("s", target), *runner, messages), MemoryFileSystem::CutOff);
        files.endProcesses();
        files.cutOffAfter = std::numeric_limits<std::uint64_t>::max();
    }

    cmd::JournalPlaces placesOf(const std::string& target)
    {
        cmd::OpenFile opened;
        EXPECT_FALSE(files.openTarget(target, opened));
        const cmd::JournalPlaces places = cmd::Journals(files).placesOf(target, opened);
        files.close(opened.handle);
        return places;
    }

    const std::string imported = std::string(100, 's') + "\r\n";
    MemoryFileSystem files;
};

TEST_F(Journal, WhatLiesAtAJournalsNameOrInTheWayOfTheUsersFolderIsLeftAsItIs)
{
    struct Case {
        std::string what;
        std::function<void(MemoryFileSystem&, const std::string& beside)> arrange;
        std::string kept; // a path that must stay as it was, if any
    };
    const std::vector<Case> cases{
        {"the user's state folder belongs to root",
         [](auto& fs, auto&) { fs.putFolder("state"), fs.lockFolder("state"); }, "state"},
        {"a file has the state folder's name", [](auto& fs, auto&) { fs.plant("state", Kind::File, true); }, "state"},
        {"another user's file beside the target", [](auto& fs, auto& beside) { fs.plant(beside, Kind::File, false); },
         "j"},
        {"a folder at the journal's name", [](auto& fs, auto& beside) { fs.plant(beside, Kind::Folder, true); }, "j"},
        {"a FIFO at the journal's name", [](auto& fs, auto& beside) { fs.plant(beside, Kind::Fifo, true); }, "j"},
        {"a file of the user's at the journal's name", [](auto& fs, auto& beside) { fs.put(beside, "notes"); }, "j"},
    };
    for (const Case& test : cases) {
        files = MemoryFileSystem();
        SetUp();
        files.put("dir/t", "old\r\n");
        const std::string beside = placesOf("dir/t").beside;
        test.arrange(files, beside);
        const std::string kept = test.kept == "j" ? beside : test.kept;
        const MemoryFileSystem::Node before = *files.at(kept);

        const Messages messages = import("dir/t");
        EXPECT_EQ(messages.text, "") << test.what;
        EXPECT_TRUE(files.content("dir/t") == "old\r\n" + imported) << test.what;
        const MemoryFileSystem::Node* after = files.at(kept);
        ASSERT_NE(after, nullptr) << test.what;
        EXPECT_TRUE(after->kind == before.kind && after->content == before.content && after->ours == before.ours)
            << test.what;
        // Nothing of the import is left behind, beside the target or in the user's folder.
        for (const auto& [name, id] : files.names())
            EXPECT_FALSE(cmd::parseJournal(files.node(id).content)) << test.what << ": " << name;
    }
}

TEST_F(Journal, AnImportWhoseJournalCanGoNowhereRefusesBeforeItsFirstByte)
{
    files.put("dir/t", "old\r\n");
    files.plant(placesOf("dir/t").beside, Kind::Folder, true);
    files.plant("state", Kind::File, true);

    const Messages messages = import("dir/t");
    EXPECT_TRUE(messages.failed);
    EXPECT_NE(messages.text.find("its journal can go neither beside it (a folder lies at its name) nor into "
                                 "\"state/journals\" (Not a directory); nothing was written"),
              std::string::npos)
        << messages.text;
    EXPECT_EQ(files.content("dir/t"), "old\r\n");
}

TEST_F(Journal, AnImportCutOffThroughOneHardLinkIsCutBackThroughAnother)
{
    files.put("A/t", "old\r\n");
    files.link("A/t", "B/t");
    importCutOff("A/t");
    ASSERT_GT(files.content("B/t").size(), 5u);

    Messages messages = import("B/t");
    EXPECT_NE(messages.text.find("\"B/t\" was cut back from 45 to 5 bytes"), std::string::npos) << messages.text;
    EXPECT_TRUE(files.content("B/t") == "old\r\n" + imported);
    // The import that completed stays, whichever name the next one takes.
    messages = import("A/t");
    EXPECT_EQ(messages.text, "");
    EXPECT_TRUE(files.content("A/t") == "old\r\n" + imported + imported);
}

TEST_F(Journal, AJournalOfAnotherUserIsNeitherTrustedNorRemoved)
{
    files.put("t", "old\r\n");
    cmd::OpenFile t;
    ASSERT_FALSE(files.openTarget("t", t));
    files.close(t.handle);
    const std::string beside = placesOf("t").beside;
    files.plant(beside, Kind::File, false);
    files.content(beside) = cmd::formatJournal({t.identity, 0, 1});

    EXPECT_EQ(import("t").text, "");
    EXPECT_TRUE(files.content("t") == "old\r\n" + imported);
    EXPECT_TRUE(files.has(beside));
}

} // namespace
} // namespace davev::test
