// Imports cut off part-way (killed, stopped, power lost) and what the next
// import of the same target does about them.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "interpreter_support.h"
#include "interpreter/core/journal.h"

namespace davev::test {
namespace {

bool hasJournal(const std::vector<std::string>& names)
{
    return std::any_of(names.begin(), names.end(),
                       [](const std::string& name) { return name.find("journal") != std::string::npos; });
}

class Journal : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_STATE_HOME", state.c_str(), 1); }
    void TearDown() override
    {
        unsetenv("XDG_STATE_HOME");
        unsetenv("DAVEV_CMD_LOCK_WAIT_MS");
    }

    struct FolderImport {
        std::string folder, target, source, batch;
    };
    // An import of a 1 MiB source into a target ("old" so far) in a folder
    // of its own, with every file but the folder given to user.
    FolderImport prepareImportInFolder(uid_t user)
    {
        const FolderImport files{dir / "folder", dir / "folder/target.txt", dir / "source.txt", dir / "Import.bat"};
        EXPECT_EQ(mkdir(files.folder.c_str(), 0755), 0);
        writeFile(files.target, "old\r\n");
        writeFile(files.source, std::string(1 << 20, 's'));
        writeFile(files.batch, runnerLines(files.source, files.target));
        for (const std::string& path : {dir.path().string(), files.target, files.source, files.batch})
            EXPECT_EQ(chown(path.c_str(), user, static_cast<gid_t>(-1)), 0) << path;
        return files;
    }

    TempDir dir;
    const std::string state = dir / "state";
    const std::string journals = state + "/DA-VEV/journals";
};

TEST_F(Journal, ImportsCutOffPartWayAreCutBackByTheNextImportOfTheirTarget)
{
    const std::string sources[] = {dir / "a.txt", dir / "b.txt"};
    const std::string targets[] = {dir / "one.txt", dir / "two.txt"};
    writeFile(sources[0], std::string(1 << 20, 'a'));
    writeFile(sources[1], std::string(1 << 20, 'b'));
    writeFile(targets[0], "old one\r\n");
    writeFile(targets[1], "old two\r\n");
    // Two imports into one folder, cut off at different points, each with its journal.
    const pid_t held[] = {startImportThatStops(sources[0], targets[0], journals, 300 << 10),
                          startImportThatStops(sources[1], targets[1], journals, 700 << 10)};
    ASSERT_EQ(readFile(targets[0]).size(), 9u + (300 << 10));
    ASSERT_EQ(readFile(targets[1]).size(), 9u + (700 << 10));

    // A stopped holder of the lock makes the next import give up in time,
    // leaving the target as it found it.
    writeFile(dir / "one.bat", runnerLines(sources[0], targets[0]));
    writeFile(dir / "two.bat", runnerLines(sources[1], targets[1]));
    setenv("DAVEV_CMD_LOCK_WAIT_MS", "200", 1);
    RunResult result = runInterpreterWith(dir / "one.bat", dir.path(), {});
    unsetenv("DAVEV_CMD_LOCK_WAIT_MS");
    EXPECT_EQ(result.exitCode, 1) << result.errors;
    EXPECT_NE(result.errors.find("one.bat:1: gave up after waiting 200 ms for another import of"), std::string::npos)
        << result.errors;
    EXPECT_EQ(readFile(targets[0]).size(), 9u + (300 << 10));

    killAndReap(held[0]);
    killAndReap(held[1]);
    for (int i = 0; i < 2; ++i) {
        result = runInterpreterWith(dir / (i == 0 ? "one.bat" : "two.bat"), dir.path(), {});
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_NE(result.errors.find("was cut back from " + std::to_string(9 + ((i == 0 ? 300 : 700) << 10)) +
                                     " to 9 bytes: an import by process " + std::to_string(held[i]) +
                                     " was cut off part-way"),
                  std::string::npos)
            << result.errors;
        EXPECT_TRUE(readFile(targets[i]) == (i == 0 ? "old one\r\n" : "old two\r\n") + readFile(sources[i]) + "\r\n");
    }
    EXPECT_FALSE(hasJournal(namesIn(dir.path())));
    EXPECT_EQ(namesIn(journals), std::vector<std::string>());
}

TEST_F(Journal, AnImportCutOffThroughALinkIsCutBackByAnImportThroughTheFilesOwnName)
{
    const std::string source = dir / "source.txt";
    const std::string folder = dir / "data";
    const std::string target = folder + "/target.txt";
    const std::string link = dir / "link.txt";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    writeFile(source, std::string(1 << 20, 's'));
    writeFile(target, "old\r\n");
    killAndReap(startImportThatStops(source, link, journals, 300 << 10));

    writeFile(dir / "Import.bat", runnerLines(source, target));
    const RunResult result = runInterpreterWith(dir / "Import.bat", dir.path(), {});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.errors.find("was cut back from"), std::string::npos) << result.errors;
    EXPECT_TRUE(readFile(target) == "old\r\n" + readFile(source) + "\r\n");
    EXPECT_FALSE(hasJournal(namesIn(dir.path())));
    EXPECT_FALSE(hasJournal(namesIn(folder)));
}

TEST_F(Journal, TheRepairReportNeverLandsInTheTargetWhenTheOutputsAreClosed)
{
    const std::string source = dir / "source.txt";
    const std::string target = dir / "target.txt";
    writeFile(source, std::string(1 << 20, 's'));
    writeFile(target, "old\r\n");
    killAndReap(startImportThatStops(source, target, journals, 300 << 10));
    writeFile(dir / "Import.bat", runnerLines(source, target));

    RunOptions closed;
    closed.closedOutputs = true;
    const RunResult result = runInterpreterWith(dir / "Import.bat", dir.path(), closed);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(readFile(target) == "old\r\n" + readFile(source) + "\r\n") << readFile(target).substr(0, 80);
}

TEST_F(Journal, ATargetInAFolderTheUserCannotWriteKeepsItsJournalInTheStateFolder)
{
    const uid_t user = unprivilegedUser();
    const auto [folder, target, source, batch] = prepareImportInFolder(user);
    ASSERT_EQ(chown(folder.c_str(), user, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

    const pid_t held = startImportThatStops(source, target, journals, 300 << 10, user);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"target.txt"});
    EXPECT_EQ(namesIn(journals).size(), 1u);
    killAndReap(held);

    RunOptions asUser;
    asUser.user = user;
    const RunResult result = runInterpreterWith(batch, dir.path(), asUser);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.errors.find("was cut back from"), std::string::npos) << result.errors;
    EXPECT_TRUE(readFile(target) == "old\r\n" + readFile(source) + "\r\n");
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"target.txt"});
    EXPECT_EQ(namesIn(journals), std::vector<std::string>());
    chmod(folder.c_str(), 0755);
}

TEST_F(Journal, AJournalGoesToTheStateFolderWhenTheTargetsFolderCannotBeFlushed)
{
    const uid_t user = unprivilegedUser();
    const auto [folder, target, source, batch] = prepareImportInFolder(user);
    // Writable but not readable: no descriptor to flush it through.
    ASSERT_EQ(chown(folder.c_str(), user, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0333), 0);

    const pid_t held = startImportThatStops(source, target, journals, 300 << 10, user);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"target.txt"});
    EXPECT_EQ(namesIn(journals).size(), 1u);
    killAndReap(held);
    chmod(folder.c_str(), 0755);
}

TEST_F(Journal, AnotherUsersJournalIsLeftAsItIsAndTheImportKeepsItsOwnInTheUsersFolder)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "imports by two users need root";
    const uid_t user = unprivilegedUser();
    const auto [folder, target, source, batch] = prepareImportInFolder(user);
    ASSERT_EQ(chown(folder.c_str(), user, static_cast<gid_t>(-1)), 0);
    killAndReap(startImportThatStops(source, target, journals, 300 << 10));
    const std::vector<std::string> rootsJournal = namesIn(folder);
    ASSERT_EQ(rootsJournal.size(), 2u);
    const std::string rootsRecord = readFile(folder + "/" + rootsJournal[0]);

    // Anyone's journal could cut the target back to a length of their
    // choosing: only the user's own is trusted, and no other is touched.
    RunOptions asUser;
    asUser.user = user;
    const RunResult result = runInterpreterWith(batch, dir.path(), asUser);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(readFile(target).size(), 5u + (300 << 10) + (1 << 20) + 2);
    EXPECT_EQ(namesIn(folder), rootsJournal);
    EXPECT_EQ(readFile(folder + "/" + rootsJournal[0]), rootsRecord);
    EXPECT_EQ(namesIn(journals), std::vector<std::string>());
}

TEST_F(Journal, AJournalPlantedByAnotherUserIsNotTrusted)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "planting a journal as another user needs root";
    const std::string target = dir / "target.txt";
    writeFile(target, "kept\r\n");
    writeFile(dir / "source.txt", "new");
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    const cmd::FileIdentity identity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    const std::string planted =
        dir / (".da-vev-journal-" + std::to_string(identity.device) + "-" + std::to_string(identity.file));
    writeFile(planted, cmd::formatJournal({identity, 0, 1}));
    ASSERT_EQ(chown(planted.c_str(), unprivilegedUser(), static_cast<gid_t>(-1)), 0);
    writeFile(dir / "Import.bat", runnerLines(dir / "source.txt", target));

    const RunResult result = runInterpreterWith(dir / "Import.bat", dir.path(), {});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(readFile(target), "kept\r\nnew\r\n");
}

TEST_F(Journal, ALinkPlantedUnderTheJournalsNameIsLeftAsItIsNotWrittenThrough)
{
    const std::string source = dir / "source.txt";
    const std::string target = dir / "target.txt";
    const std::string victim = dir / "victim.txt";
    const std::string kept(100, 'v');
    writeFile(source, "new");
    writeFile(dir / "Import.bat", runnerLines(source, target));
    for (const bool hard : {true, false}) {
        writeFile(target, "old\r\n");
        writeFile(victim, kept);
        struct stat info {};
        ASSERT_EQ(stat(target.c_str(), &info), 0);
        const std::string journal =
            dir / (".da-vev-journal-" + std::to_string(info.st_dev) + "-" + std::to_string(info.st_ino));
        ASSERT_EQ(hard ? link(victim.c_str(), journal.c_str()) : symlink(victim.c_str(), journal.c_str()), 0);

        const RunResult result = runInterpreterWith(dir / "Import.bat", dir.path(), {});
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_TRUE(readFile(victim) == kept) << (hard ? "hard link" : "symbolic link");
        EXPECT_TRUE(readFile(journal) == kept) << (hard ? "hard link" : "symbolic link");
        EXPECT_EQ(readFile(target), "old\r\nnew\r\n");
        EXPECT_EQ(namesIn(journals), std::vector<std::string>());
        unlink(journal.c_str());
        unlink(target.c_str());
    }
}

} // namespace
} // namespace davev::test
