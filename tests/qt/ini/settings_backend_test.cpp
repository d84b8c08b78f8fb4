#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/posix/file_lock.h"
#include "platform/posix/signal_pipe.h"
#include "platform/qt/ini/ini_settings_backend.h"

namespace davev {
namespace {

class SettingsBackendTest : public testing::Test {
protected:
    std::string base() const { return dir.path().toStdString(); }

    static QString fileText(const std::string& path)
    {
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
        return QString::fromUtf8(file.readAll());
    }

    static void writeText(const std::string& path, const QByteArray& text)
    {
        QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path;
        file.write(text);
    }

    QStringList entries() const
    {
        return QDir(dir.filePath("DA-VEV")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
};

TEST_F(SettingsBackendTest, TextRoundTripsThroughTheFilesUnchanged)
{
    const std::string values[] = {
        "line one\r\nline two\r\n", "1000", "", "  padded  ", "a, b; c = d", "@Variant(not really)",
        "C:\\Data\\Größe.txt"};
    IniSettingsBackend settings(base());
    for (std::size_t i = 0; i < std::size(values); ++i)
        settings.save("DA-VEV", "Main", "KEY_" + std::to_string(i), values[i]);

    // A second backend reads the files, not the first one's memory.
    IniSettingsBackend reread(base());
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(reread.get("DA-VEV", "Main", "KEY_" + std::to_string(i), "fallback"), values[i]) << i;
    EXPECT_EQ(reread.get("DA-VEV", "Main", "MISSING", "fallback"), "fallback");
}

TEST_F(SettingsBackendTest, EachSectionIsItsOwnFileWithKeysAsGiven)
{
    IniSettingsBackend settings(base());
    settings.save("DA-VEV", "Main", "MAIN-Left", "1500");
    // On disk as soon as save returns.
    EXPECT_TRUE(fileText(base() + "/DA-VEV/Main.ini").contains("MAIN-Left=1500"));
    settings.save("DA-VEV", "Main", "AlwaysOnTopTimer_TICKBOX", "1");
    settings.save("DA-VEV", "Other", "MAIN-Left", "99");

    const QString main = fileText(settings.filePath("DA-VEV", "Main"));
    EXPECT_TRUE(main.contains("MAIN-Left=1500")) << main.toStdString();
    EXPECT_TRUE(main.contains("AlwaysOnTopTimer_TICKBOX=1")) << main.toStdString();
    EXPECT_TRUE(fileText(base() + "/DA-VEV/Other.ini").contains("MAIN-Left=99"));
    EXPECT_EQ(settings.get("DA-VEV", "Other", "MAIN-Left", ""), "99");
    EXPECT_EQ(settings.get("DA-VEV", "Main", "main-left", "absent"), "absent");
}

TEST_F(SettingsBackendTest, HandEditsAreReadAtOnceAndSurviveTheNextSave)
{
    IniSettingsBackend settings(base());
    settings.saveAll("DA-VEV", "Main", {{"MAIN-Left", "1500"}, {"MAIN-Top", "700"}, {"KEY", "old"}});
    EXPECT_EQ(settings.get("DA-VEV", "Main", "MAIN-Left", ""), "1500");

    // Another program rewrites the file while this one runs.
    QFile file(QString::fromStdString(settings.filePath("DA-VEV", "Main")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[General]\nMAIN-Left=20\nMAIN-Top=700\nKEY=old\nMAIN-Width=9000\n");
    file.close();

    EXPECT_EQ(settings.get("DA-VEV", "Main", "MAIN-Left", ""), "20");
    EXPECT_EQ(settings.get("DA-VEV", "Main", "MAIN-Width", ""), "9000");
    settings.saveAll("DA-VEV", "Main", {{"KEY", "new"}});
    const QString text = fileText(settings.filePath("DA-VEV", "Main"));
    EXPECT_TRUE(text.contains("MAIN-Left=20")) << "no stale copy written back: " << text.toStdString();
    EXPECT_TRUE(text.contains("MAIN-Width=9000")) << text.toStdString();
    EXPECT_TRUE(text.contains("KEY=new")) << text.toStdString();
}

TEST_F(SettingsBackendTest, ALineQtCannotParseDoesNotMakeAGoodWriteFail)
{
    IniSettingsBackend settings(base());
    settings.save("DA-VEV", "Main", "KEY", "old");
    // A hand edit leaves a line that is no INI syntax.
    QFile file(QString::fromStdString(settings.filePath("DA-VEV", "Main")));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("[unclosed\n");
    file.close();

    EXPECT_NO_THROW(settings.saveAll("DA-VEV", "Main", {{"KEY", "new"}, {"OTHER", "2"}}));
    IniSettingsBackend reread(base());
    EXPECT_EQ(reread.get("DA-VEV", "Main", "KEY", ""), "new");
    EXPECT_EQ(reread.get("DA-VEV", "Main", "OTHER", ""), "2");
    // And a write that really fails afterwards still says so.
    std::filesystem::remove_all(dir.filePath("DA-VEV").toStdString());
    QFile blocker(dir.filePath("DA-VEV"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(settings.saveAll("DA-VEV", "Main", {{"KEY", "newer"}}), PlatformError);
}

TEST_F(SettingsBackendTest, ASaveChangesOnlyItsOwnValuesAndKeepsEveryOtherLine)
{
    IniSettingsBackend settings(base());
    const std::string path = settings.filePath("DA-VEV", "Main");
    writeText(path, "; settings of a user\n"
                    "[General]\n"
                    "KEPT=hand edit ; with a comment\n"
                    "MAIN-Left = 10\n"
                    "LIST=a, b\n"
                    "MAIN-Left=20\n"
                    "\n"
                    "[Other]\n"
                    "MAIN-Left=99\n"
                    "sub\\key=5\n"
                    "\n"
                    "[%General]\n"
                    "MAIN-Top=7\n");
    settings.saveAll("DA-VEV", "Main", {{"MAIN-Left", "1500"}, {"MAIN-Top", "700"}, {"NEW", "x, y"}});
    EXPECT_EQ(fileText(path).toStdString(), "; settings of a user\n"
                                            "[General]\n"
                                            "KEPT=hand edit ; with a comment\n"
                                            "MAIN-Left = 1500\n"
                                            "LIST=a, b\n"
                                            "MAIN-Left=1500\n"
                                            "MAIN-Top=700\n"
                                            "NEW=\"x, y\"\n"
                                            "\n"
                                            "[Other]\n"
                                            "MAIN-Left=99\n"
                                            "sub\\key=5\n"
                                            "\n"
                                            "[%General]\n"
                                            "MAIN-Top=7\n");

    // Without a [General] group, or a line break at the end.
    const std::string other = settings.filePath("DA-VEV", "Other");
    writeText(other, "[Other]\nX=1\n");
    settings.save("DA-VEV", "Other", "NEW", "2");
    EXPECT_EQ(fileText(other).toStdString(), "[General]\nNEW=2\n\n[Other]\nX=1\n");
    writeText(other, "[General]\nX=1");
    settings.save("DA-VEV", "Other", "NEW", "2");
    EXPECT_EQ(fileText(other).toStdString(), "[General]\nX=1\nNEW=2\n");
    // A quote a hand edit left open would take in a line added after it.
    writeText(other, "[General]\nX=\"open\n");
    settings.save("DA-VEV", "Other", "NEW", "2");
    EXPECT_EQ(fileText(other).toStdString(), "[General]\nNEW=2\n\n[General]\nX=\"open\n");
    // Before a byte order mark, which makes the blank after it part of a key.
    writeText(other, "\xef\xbb\xbf X=\"open\n");
    settings.save("DA-VEV", "Other", "NEW", "2");
    EXPECT_EQ(fileText(other).toStdString(), "[General]\nNEW=2\n\n\xef\xbb\xbf X=\"open\n");
}

TEST_F(SettingsBackendTest, AFailedWriteLeavesTheFileWholeAndNothingBeside)
{
    IniSettingsBackend settings(base());
    settings.saveAll("DA-VEV", "Main", {{"KEY", "old"}, {"OTHER", "kept"}});
    const std::string path = settings.filePath("DA-VEV", "Main");
    const QString before = fileText(path);
    const auto expectRefused = [&](int number, const char* what) {
        try {
            settings.saveAll("DA-VEV", "Main", {{"KEY", std::string(200, 'n')}, {"MORE", "new"}});
            ADD_FAILURE() << what << ": the write returned";
        } catch (const PlatformError& error) {
            EXPECT_EQ(error.number(), number) << what << ": " << error.description();
            EXPECT_NE(error.description().find(path), std::string::npos) << error.description();
        }
        EXPECT_EQ(settings.get("DA-VEV", "Main", "KEY", ""), "old") << what;
        EXPECT_EQ(entries(), QStringList{"Main.ini"}) << what << ": no temporary or lock file left";
    };

    ::chmod(path.c_str(), 0444);
    expectRefused(EACCES, "read-only file");
    ::chmod(path.c_str(), 0644);

    // The disk fills up in the middle of the write: the process may write no
    // file larger than the old one.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = static_cast<rlim_t>(before.size());
    ::setrlimit(RLIMIT_FSIZE, &limit);
    expectRefused(EFBIG, "full disk");
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(fileText(path), before);

    // A link a dotfile manager made to a file it has yet to create: the file
    // is made where the link points, and the link stays.
    const std::string elsewhere = base() + "/dotfiles/DA-VEV.ini";
    std::filesystem::create_directory(base() + "/dotfiles");
    std::filesystem::remove(path);
    std::filesystem::create_symlink(elsewhere, path);
    settings.save("DA-VEV", "Main", "KEY", "linked");
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(settings.get("DA-VEV", "Main", "KEY", ""), "linked");
    EXPECT_NE(fileText(elsewhere).indexOf("KEY=linked"), -1);

    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    try {
        settings.save("DA-VEV", "Main", "KEY", "new");
        ADD_FAILURE() << "a write over a directory returned";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), EISDIR) << error.description();
    }
}

TEST_F(SettingsBackendTest, AWriterThatDoesNotLetGoIsWaitedForOnlySoLongAndNamed)
{
    IniSettingsBackend settings(base());
    settings.save("DA-VEV", "Main", "KEY", "old");
    settings.lockWait = std::chrono::milliseconds(300);
    const std::string lock = settings.filePath("DA-VEV", "Main") + ".lock";
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const std::string self = std::to_string(::getpid());
    // Held, as by a writer stopped in a debugger; let go by a live writer that
    // has yet to remove it, as QLockFile closes the file before it removes it.
    for (const bool held : {true, false}) {
        writeText(lock, QByteArray::fromStdString(self + "\nwriter\n" + host + "\n"));
        const int holder = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
        if (held)
            ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        else
            std::filesystem::last_write_time(lock,
                                             std::filesystem::file_time_type::clock::now() - std::chrono::seconds(10));
        try {
            settings.save("DA-VEV", "Main", "KEY", "new");
            ADD_FAILURE() << "a held lock was taken";
        } catch (const PlatformError& error) {
            EXPECT_EQ(error.number(), EAGAIN) << error.description();
            EXPECT_NE(error.description().find("process " + self + " ("), std::string::npos) << error.description();
            EXPECT_NE(error.description().find(lock), std::string::npos) << error.description();
        }
        ::close(holder);
        EXPECT_TRUE(std::filesystem::exists(lock)) << "a lock file of a live writer is not removed";
        EXPECT_EQ(settings.get("DA-VEV", "Main", "KEY", ""), "old");
        std::filesystem::remove(lock);
    }

    // A termination signal during the wait ends it: the program is asked to close.
    openTerminationSignalPipe();
    writeText(lock, "");
    const int holder = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, lock.c_str(), IN_OPEN), 0);
    std::thread signaller([watch] {
        pollfd waiting{watch, POLLIN, 0}; // the writer looks at who holds the lock
        ::poll(&waiting, 1, 60000);
        std::raise(SIGTERM);
    });
    settings.lockWait = std::chrono::seconds(60);
    try {
        settings.save("DA-VEV", "Main", "KEY", "new");
        ADD_FAILURE() << "a held lock was taken";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), EINTR) << error.description();
    }
    signaller.join();
    ::close(watch);
    ::close(holder);
}

TEST_F(SettingsBackendTest, RewritesInQuickSuccessionReadBackAtOnce)
{
    // Same size every time, faster than the file system's clock moves on.
    IniSettingsBackend settings(base());
    for (int i = 0; i < 20; ++i) {
        const std::string value = i % 2 == 0 ? "0" : "1";
        settings.saveAll("DA-VEV", "Main", {{"KEY", value}, {"OTHER", "x"}});
        ASSERT_EQ(settings.get("DA-VEV", "Main", "KEY", ""), value) << "write " << i;
    }
}

TEST_F(SettingsBackendTest, WritersTakeTurnsWithEachOtherAndWithQSettings)
{
    IniSettingsBackend settings(base());
    settings.save("DA-VEV", "Main", "KEY", "1");
    const std::string path = settings.filePath("DA-VEV", "Main");
    const QString lockName = QString::fromStdString(path + ".lock");
    {
        const FileLock held(path);
        QLockFile other(lockName);
        EXPECT_FALSE(other.tryLock(0)) << "QSettings waits while the lock is held";
        qint64 pid = 0;
        QString host;
        QString program;
        ASSERT_TRUE(other.getLockInfo(&pid, &host, &program));
        EXPECT_EQ(pid, QCoreApplication::applicationPid()) << "and knows who holds it";
        EXPECT_EQ(program, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    }
    QLockFile other(lockName);
    ASSERT_TRUE(other.tryLock(0)) << "and goes ahead once it is let go";
    other.unlock();

    // The lock file of a writer that ended while holding it.
    writeText(path + ".lock", "4242\nDA-VEV\nsomewhere\n");
    const std::filesystem::path leftover = path + ".lock";
    std::filesystem::last_write_time(leftover, std::filesystem::last_write_time(leftover) - std::chrono::minutes(1));
    settings.save("DA-VEV", "Main", "KEY", "2");
    EXPECT_EQ(settings.get("DA-VEV", "Main", "KEY", ""), "2");
    EXPECT_FALSE(QFile::exists(lockName));

    // Two programs saving different keys of one file at the same time.
    const auto writer = [this](const std::string& key) {
        IniSettingsBackend own(base());
        try {
            for (int i = 0; i < 50; ++i)
                own.saveAll("DA-VEV", "Main", {{key, std::to_string(i)}, {key + "-pair", std::to_string(i)}});
        } catch (const PlatformError& error) {
            ADD_FAILURE() << key << ": " << error.description();
        }
    };
    std::thread first(writer, "FIRST");
    std::thread second(writer, "SECOND");
    first.join();
    second.join();
    for (const char* key : {"FIRST", "FIRST-pair", "SECOND", "SECOND-pair"})
        EXPECT_EQ(settings.get("DA-VEV", "Main", key, ""), "49") << key;
    EXPECT_EQ(settings.get("DA-VEV", "Main", "KEY", ""), "2");
}

TEST_F(SettingsBackendTest, UnwritableStoreThrowsNamingTheFile)
{
    // A plain file where the application's directory belongs: not even root
    // can write below it.
    QFile blocker(dir.filePath("DA-VEV"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    IniSettingsBackend settings(base());
    try {
        settings.save("DA-VEV", "Main", "MAIN-Left", "1500");
        ADD_FAILURE() << "save into an unwritable store returned";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), ENOTDIR);
        EXPECT_NE(error.description().find(base() + "/DA-VEV/Main.ini"), std::string::npos) << error.description();
    }
    // What could not be stored does not read as stored.
    EXPECT_EQ(settings.get("DA-VEV", "Main", "MAIN-Left", "none"), "none");
}

TEST(SettingsDirectory, FollowsXdgConfigHomeElseHome)
{
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray home = qgetenv("HOME");

    qputenv("HOME", "/home/someone");
    qputenv("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(IniSettingsBackend::defaultConfigDirectory(), "/elsewhere/config");
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(IniSettingsBackend::defaultConfigDirectory(), "/home/someone/.config");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(IniSettingsBackend::defaultConfigDirectory(), "/home/someone/.config");

    hadConfig ? qputenv("XDG_CONFIG_HOME", config) : qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home);
}

} // namespace
} // namespace davev
