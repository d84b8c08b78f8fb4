#include <filesystem>
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
    const fs::path window16 = prefix.path() / identity::windowIcon16;
    const fs::path window24 = prefix.path() / identity::windowIcon24;
    ASSERT_TRUE(fs::exists(window16)) << window16;
    ASSERT_TRUE(fs::exists(window24)) << window24;
    EXPECT_EQ(test::readPngHeader(window16).width, 16u);
    EXPECT_EQ(test::readPngHeader(window24).width, 24u);
}

TEST(DebianPackage, NamesVersionAndDependencies)
{
    const fs::path config = fs::path(DAVEV_BUILD_DIR) / "CPackConfig.cmake";
    if (!fs::exists(config))
        GTEST_SKIP() << "packaging is not configured in this build";
    if (!test::haveProgram("dpkg-deb") || !test::haveProgram("dpkg-shlibdeps"))
        GTEST_SKIP() << "dpkg-dev is not installed";
    test::TempDir out;
    const auto pack =
        run(quoted(DAVEV_CPACK_COMMAND) + " -G DEB --config " + quoted(config.string()) + " -B " + quoted(out.path()));
    ASSERT_EQ(pack.exitCode, 0) << pack.output;

    fs::path deb;
    for (const auto& entry : fs::directory_iterator(out.path()))
        if (entry.path().extension() == ".deb")
            deb = entry.path();
    ASSERT_FALSE(deb.empty()) << pack.output;

    auto field = [&](const std::string& name) {
        std::string value = run("dpkg-deb -f " + quoted(deb) + " " + name).output;
        while (!value.empty() && (value.back() == '\n' || value.back() == ' '))
            value.pop_back();
        return value;
    };
    EXPECT_EQ(field("Package"), identity::packageName);
    EXPECT_EQ(field("Version"), identity::version);
    EXPECT_NE(field("Depends").find("fonts-liberation"), std::string::npos) << field("Depends");
    EXPECT_NE(field("Maintainer").find(identity::contactEmail), std::string::npos);
    EXPECT_NE(field("Description").find(identity::productName), std::string::npos);

    const std::string contents = run("dpkg-deb -c " + quoted(deb)).output;
    EXPECT_NE(contents.find("./usr/share/applications/" + std::string(identity::desktopEntryName)), std::string::npos)
        << contents;
    EXPECT_NE(contents.find("./usr/share/icons/hicolor/24x24/apps/da-vev.png"), std::string::npos) << contents;
    EXPECT_NE(contents.find("./usr/" + std::string(identity::windowIcon16)), std::string::npos) << contents;
}

} // namespace
} // namespace davev
