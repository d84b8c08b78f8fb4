#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/identity.h"
#include "support.h"

namespace davev {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run;

TEST(Validators, DesktopFileValidateAcceptsTheEntry)
{
    if (!test::haveProgram("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    const auto result = run("desktop-file-validate " + quoted(DAVEV_DESKTOP_ENTRY_FILE));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output.find("error"), std::string::npos) << result.output;
}

TEST(Validators, AppstreamcliAcceptsTheMetainfo)
{
    if (!test::haveProgram("appstreamcli"))
        GTEST_SKIP() << "appstreamcli is not installed (appstream)";
    const auto result = run("appstreamcli validate --no-net " + quoted(DAVEV_METAINFO_FILE));
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

TEST(Installation, PutsEachFileWhereTheDesktopLooks)
{
    test::TempDir prefix;
    const auto install = run(quoted(DAVEV_CMAKE_COMMAND) + " --install " + quoted(DAVEV_BUILD_DIR) + " --prefix " +
                             quoted(prefix.path()));
    ASSERT_EQ(install.exitCode, 0) << install.output;

    const fs::path share = prefix.path() / "share";
    EXPECT_TRUE(fs::exists(share / "applications" / identity::desktopEntryName));
    EXPECT_TRUE(fs::exists(share / "metainfo" / (std::string(identity::appstreamId) + ".metainfo.xml")));
    const std::string iconFile = std::string(identity::iconName) + ".png";
    for (unsigned size : {16u, 24u}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const fs::path themed = share / "icons" / "hicolor" / folder / "apps" / iconFile;
        const fs::path built = fs::path(DAVEV_ICON_BUILD_DIR) / ("da-vev-" + std::to_string(size) + ".png");
        ASSERT_TRUE(fs::exists(themed)) << themed;
        EXPECT_EQ(test::readFile(themed), test::readFile(built)) << themed;
        EXPECT_EQ(test::readPngHeader(themed).width, size);
    }
    // The program finds its interpreter in libexec/da-vev beside bin/.
    EXPECT_TRUE(fs::exists(prefix.path() / "libexec/da-vev/da-vev-cmd"));
    EXPECT_FALSE(fs::exists(prefix.path() / "bin/da-vev-cmd"));
    const fs::path window16 = prefix.path() / identity::windowIcon16;
    const fs::path window24 = prefix.path() / identity::windowIcon24;
    ASSERT_TRUE(fs::exists(window16)) << window16;
    ASSERT_TRUE(fs::exists(window24)) << window24;
    EXPECT_EQ(test::readPngHeader(window16).width, 16u);
    EXPECT_EQ(test::readPngHeader(window24).width, 24u);
}

// The packages cpack writes from this build, made once per test program.
class DebianPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const fs::path config = fs::path(DAVEV_BUILD_DIR) / "CPackConfig.cmake";
        if (!fs::exists(config)) {
            skipReason = "packaging is not configured in this build";
            return;
        }
        if (!test::haveProgram("dpkg-deb") || !test::haveProgram("dpkg-shlibdeps")) {
            skipReason = "dpkg-dev is not installed";
            return;
        }
        out = new test::TempDir;
        packOutput = run(quoted(DAVEV_CPACK_COMMAND) + " -G DEB --config " + quoted(config.string()) + " -B " +
                         quoted(out->path()))
                         .output;
        for (const auto& entry : fs::directory_iterator(out->path())) {
            if (entry.path().extension() == ".deb")
                deb = entry.path();
            if (entry.path().extension() == ".ddeb")
                ddeb = entry.path();
        }
    }
    static void TearDownTestSuite()
    {
        delete out;
        out = nullptr;
    }
    void SetUp() override
    {
        if (!skipReason.empty())
            GTEST_SKIP() << skipReason;
        ASSERT_FALSE(deb.empty()) << packOutput;
    }

    static std::string field(const fs::path& package, const std::string& name)
    {
        std::string value = run("dpkg-deb -f " + quoted(package) + " " + name).output;
        while (!value.empty() && (value.back() == '\n' || value.back() == ' '))
            value.pop_back();
        return value;
    }
    // One file of a package, unpacked.
    static std::string member(const fs::path& package, const std::string& path)
    {
        return run("dpkg-deb --fsys-tarfile " + quoted(package) + " | tar -xOf - " + quoted("." + path)).output;
    }

    static inline std::string skipReason;
    static inline test::TempDir* out = nullptr;
    static inline std::string packOutput;
    static inline fs::path deb;
    static inline fs::path ddeb;
};

TEST_F(DebianPackage, NamesVersionAndDependencies)
{
    EXPECT_EQ(field(deb, "Package"), identity::packageName);
    EXPECT_EQ(field(deb, "Version"), identity::version);
    EXPECT_NE(field(deb, "Depends").find("fonts-liberation"), std::string::npos) << field(deb, "Depends");
    EXPECT_NE(field(deb, "Depends").find("libqt6widgets6"), std::string::npos) << field(deb, "Depends");
    EXPECT_NE(field(deb, "Maintainer").find(identity::contactEmail), std::string::npos);
    EXPECT_NE(field(deb, "Description").find(identity::productName), std::string::npos);
    EXPECT_EQ(field(deb, "Section"), "utils");
    EXPECT_EQ(field(deb, "Priority"), "optional");

    const std::string contents = run("dpkg-deb -c " + quoted(deb)).output;
    EXPECT_NE(contents.find("./usr/share/applications/" + std::string(identity::desktopEntryName)), std::string::npos)
        << contents;
    EXPECT_NE(contents.find("./usr/share/icons/hicolor/24x24/apps/da-vev.png"), std::string::npos) << contents;
    EXPECT_NE(contents.find("./usr/" + std::string(identity::windowIcon16)), std::string::npos) << contents;
    for (const char* page : {"DA-VEV.1.gz", "da-vev-cmd.1.gz"})
        EXPECT_NE(contents.find(std::string("./usr/share/man/man1/") + page), std::string::npos) << page;
    // The changelog's latest entry is this version.
    const std::string changelog = run("dpkg-deb --fsys-tarfile " + quoted(deb) +
                                      " | tar -xOf - ./usr/share/doc/da-vev/changelog.gz | gunzip | head -n 1")
                                      .output;
    EXPECT_EQ(changelog.rfind(std::string(identity::packageName) + " (" + std::string(identity::version) + ") ", 0), 0u)
        << changelog;
}

TEST_F(DebianPackage, KeepsTheInterpreterPrivateAndTheDebugSymbolsApart)
{
    const std::string contents = run("dpkg-deb -c " + quoted(deb)).output;
    EXPECT_NE(contents.find("./usr/libexec/da-vev/da-vev-cmd"), std::string::npos) << contents;
    EXPECT_EQ(contents.find("./usr/bin/da-vev-cmd"), std::string::npos) << "an internal helper is not a command";
    // A copy of the packaged program under another name, away from /usr/bin,
    // finds the interpreter where the package put it.
    EXPECT_NE(member(deb, "/usr/bin/DA-VEV").find(std::string_view("/usr/libexec/da-vev\0", 20)), std::string::npos)
        << "the interpreter's path compiled into the program is not the package's";

    // Only a build with debug information has symbols to keep.
    const std::string buildType = DAVEV_BUILD_TYPE;
    const bool withDebugInformation = buildType == "Debug" || buildType == "RelWithDebInfo";
    ASSERT_EQ(!ddeb.empty(), withDebugInformation) << packOutput;
    std::string buildIds;
    std::string debugFiles;
    if (withDebugInformation) {
        EXPECT_EQ(field(ddeb, "Package"), std::string(identity::packageName) + "-dbgsym");
        EXPECT_EQ(field(ddeb, "Depends"),
                  std::string(identity::packageName) + " (= " + std::string(identity::version) + ")");
        buildIds = field(ddeb, "Build-Ids");
        debugFiles = run("dpkg-deb -c " + quoted(ddeb)).output;
        // dpkg can verify what it installs: md5sums name the files as installed.
        const std::string sums = run("dpkg-deb -I " + quoted(ddeb) + " md5sums").output;
        EXPECT_NE(sums.find("  usr/lib/debug/.build-id/"), std::string::npos) << sums;
        EXPECT_EQ(sums.find(out->path().string()), std::string::npos) << sums;
    }
    for (const char* binary : {"/usr/bin/DA-VEV", "/usr/libexec/da-vev/da-vev-cmd"}) {
        test::TempDir scratch;
        const fs::path copy = scratch.path() / "binary";
        {
            std::ofstream(copy, std::ios::binary) << member(deb, binary);
        }
        const std::string description = run("file -b " + quoted(copy)).output;
        EXPECT_NE(description.find(", stripped"), std::string::npos) << binary << ": " << description;
        EXPECT_NE(description.find("pie executable"), std::string::npos) << binary << ": " << description;
        const auto id = description.find("BuildID[sha1]=");
        if (!withDebugInformation)
            continue;
        ASSERT_NE(id, std::string::npos) << description;
        const std::string buildId = description.substr(id + 14, 40);
        EXPECT_NE(buildIds.find(buildId), std::string::npos) << binary;
        const std::string debugFile =
            "./usr/lib/debug/.build-id/" + buildId.substr(0, 2) + "/" + buildId.substr(2) + ".debug";
        EXPECT_NE(debugFiles.find(debugFile), std::string::npos) << debugFiles;
    }
}

TEST_F(DebianPackage, PassesLintian)
{
    if (!test::haveProgram("lintian"))
        GTEST_SKIP() << "lintian is not installed";
    const auto result =
        run("lintian --pedantic --display-info " + quoted(deb) + (ddeb.empty() ? "" : " " + quoted(ddeb)));
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        EXPECT_FALSE(line.starts_with("E: ") || line.starts_with("W: ")) << line;
        // Informational, but the build asks for them on every binary.
        for (const char* hardening : {"hardening-no-pie", "hardening-no-relro", "hardening-no-bindnow"})
            EXPECT_EQ(line.find(hardening), std::string::npos) << line;
    }
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

} // namespace
} // namespace davev
