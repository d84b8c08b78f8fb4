#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

#include "platform/qt/ini_settings_backend.h"

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
