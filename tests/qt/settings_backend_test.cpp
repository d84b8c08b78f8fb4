#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

#include "platform/qt/qt_settings_backend.h"

namespace davev {
namespace {

class SettingsBackendTest : public testing::Test {
protected:
    std::string base() const { return dir.path().toStdString(); }

    QString fileText(const std::string& path) const
    {
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir dir;
};

TEST_F(SettingsBackendTest, TextRoundTripsUnchanged)
{
    QtSettingsBackend settings(base());
    const std::string values[] = {
        "C:\\Data\\source file.txt",
        "line one\r\nline two\r\n",
        "1000",
        "  padded  ",
        "a, b; c = d",
        "@Variant(not really)",
        "Größe – ünïcode",
    };
    int n = 0;
    for (const std::string& value : values)
        settings.save("DA-VEV", "Main", "KEY_" + std::to_string(n++), value);

    // A second backend reads the files, not the first one's memory.
    QtSettingsBackend reread(base());
    n = 0;
    for (const std::string& value : values)
        EXPECT_EQ(reread.get("DA-VEV", "Main", "KEY_" + std::to_string(n++), "fallback"), value);
}

TEST_F(SettingsBackendTest, MissingKeyGivesFallbackButEmptyTextIsStored)
{
    QtSettingsBackend settings(base());
    EXPECT_EQ(settings.get("DA-VEV", "Main", "MAIN-Left", "1200"), "1200");
    settings.save("DA-VEV", "Main", "MAIN-Left", "");
    EXPECT_EQ(QtSettingsBackend(base()).get("DA-VEV", "Main", "MAIN-Left", "1200"), "");
}

TEST_F(SettingsBackendTest, KeysAreWrittenAsGivenIntoOneFilePerSection)
{
    QtSettingsBackend settings(base());
    settings.save("DA-VEV", "Main", "MAIN-Left", "1500");
    settings.save("DA-VEV", "Main", "AlwaysOnTopTimer_TICKBOX", "1");
    settings.save("DA-VEV", "Other", "MAIN-Left", "99");

    const std::string main = settings.filePath("DA-VEV", "Main");
    EXPECT_EQ(main, base() + "/DA-VEV/Main.ini");
    const QString text = fileText(main);
    EXPECT_TRUE(text.contains("MAIN-Left=1500")) << text.toStdString();
    EXPECT_TRUE(text.contains("AlwaysOnTopTimer_TICKBOX=1")) << text.toStdString();
    EXPECT_TRUE(fileText(base() + "/DA-VEV/Other.ini").contains("MAIN-Left=99"));

    EXPECT_EQ(settings.get("DA-VEV", "Main", "MAIN-Left", ""), "1500");
    EXPECT_EQ(settings.get("DA-VEV", "Other", "MAIN-Left", ""), "99");
    EXPECT_EQ(settings.get("DA-VEV", "Main", "main-left", "absent"), "absent");
}

TEST_F(SettingsBackendTest, EverySaveIsOnDiskWhenItReturns)
{
    QtSettingsBackend settings(base());
    const std::string path = settings.filePath("DA-VEV", "Main");
    for (int i = 0; i < 3; ++i) {
        settings.save("DA-VEV", "Main", "COUNT", std::to_string(i));
        EXPECT_TRUE(fileText(path).contains(QString("COUNT=%1").arg(i)));
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path) + ".lock"));
}

TEST_F(SettingsBackendTest, UnwritableStoreThrowsNamingTheFile)
{
    // A plain file where the application's directory should be: not even
    // root can write below it.
    QFile blocker(dir.filePath("DA-VEV"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QtSettingsBackend settings(base());
    try {
        settings.save("DA-VEV", "Main", "MAIN-Left", "1500");
        FAIL() << "save into an unwritable store returned";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), ENOTDIR);
        EXPECT_NE(error.description().find(base() + "/DA-VEV/Main.ini"), std::string::npos) << error.description();
    }
    // The value that could not be stored is not reported as stored.
    EXPECT_EQ(settings.get("DA-VEV", "Main", "MAIN-Left", "none"), "none");
}

TEST_F(SettingsBackendTest, SectionFileThatIsADirectoryThrows)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("DA-VEV/Main.ini"));
    QtSettingsBackend settings(base());
    EXPECT_THROW(settings.save("DA-VEV", "Main", "MAIN-Left", "1500"), PlatformError);
}

TEST_F(SettingsBackendTest, ReadOnlyDirectoryThrowsPermissionDenied)
{
    const QString app = dir.filePath("DA-VEV");
    ASSERT_TRUE(QDir().mkpath(app));
    QFile::setPermissions(app, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(app).isWritable())
        GTEST_SKIP() << "permissions do not bind this user";
    QtSettingsBackend settings(base());
    try {
        settings.save("DA-VEV", "Main", "MAIN-Left", "1500");
        ADD_FAILURE() << "save into a read-only directory returned";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), EACCES);
    }
    QFile::setPermissions(app, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

class ConfigDirectoryTest : public testing::Test {
protected:
    void SetUp() override
    {
        config = qgetenv("XDG_CONFIG_HOME");
        hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        home = qgetenv("HOME");
    }
    void TearDown() override
    {
        if (hadConfig)
            qputenv("XDG_CONFIG_HOME", config);
        else
            qunsetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home);
    }
    QByteArray config;
    QByteArray home;
    bool hadConfig = false;
};

TEST_F(ConfigDirectoryTest, FollowsXdgConfigHomeElseHome)
{
    qputenv("HOME", "/home/someone");
    qputenv("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(QtSettingsBackend::defaultConfigDirectory(), "/elsewhere/config");
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(QtSettingsBackend::defaultConfigDirectory(), "/home/someone/.config");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(QtSettingsBackend::defaultConfigDirectory(), "/home/someone/.config");
}

} // namespace
} // namespace davev
