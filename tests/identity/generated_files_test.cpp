#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/identity.h"
#include "support.h"

namespace davev {
namespace {

namespace fs = std::filesystem;
using test::readFile;

const fs::path desktopEntry = DAVEV_DESKTOP_ENTRY_FILE;
const fs::path metainfo = DAVEV_METAINFO_FILE;

TEST(DesktopEntry, CarriesTheVersionRecordStrings)
{
    ASSERT_TRUE(fs::exists(desktopEntry)) << desktopEntry;
    auto keys = test::desktopEntryKeys(readFile(desktopEntry));
    EXPECT_EQ(keys["Name"], identity::executableName);
    EXPECT_EQ(keys["GenericName"], identity::genericName);
    EXPECT_EQ(keys["Comment"], identity::summary);
    EXPECT_EQ(keys["Keywords"], identity::keywords);
    EXPECT_EQ(keys["Exec"], identity::executableName);
    EXPECT_EQ(keys["Icon"], identity::iconName);
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Categories"], "Utility;");
    EXPECT_EQ(desktopEntry.filename(), identity::desktopEntryName);
}

TEST(Metainfo, CarriesTheVersionRecordStrings)
{
    ASSERT_TRUE(fs::exists(metainfo)) << metainfo;
    const std::string xml = readFile(metainfo);
    EXPECT_EQ(metainfo.filename(), std::string(identity::appstreamId) + ".metainfo.xml");
    EXPECT_EQ(test::xmlText(xml, "id"), identity::appstreamId);
    EXPECT_EQ(test::xmlText(xml, "name"), identity::executableName);
    EXPECT_EQ(test::xmlText(xml, "summary"), identity::summary);
    EXPECT_NE(test::xmlText(xml, "description").find(identity::productName), std::string::npos);
    EXPECT_NE(xml.find("<keyword>append</keyword>"), std::string::npos);
    EXPECT_EQ(test::xmlText(xml, "project_license"), identity::licence);
    EXPECT_EQ(test::xmlText(xml, "update_contact"), identity::contactEmail);
    EXPECT_EQ(test::xmlAttribute(xml, "release", "version"), identity::version);
    EXPECT_EQ(test::xmlAttribute(xml, "component", "type"), "desktop-application");
    // The desktop finds the entry it launches by file name.
    EXPECT_EQ(test::xmlText(xml, "launchable type=\"desktop-id\""), desktopEntry.filename().string());
}

class Icon : public ::testing::TestWithParam<unsigned> {};

TEST_P(Icon, IsAPaletteImageOfItsSize)
{
    const unsigned size = GetParam();
    const fs::path png = fs::path(DAVEV_ICON_BUILD_DIR) / ("da-vev-" + std::to_string(size) + ".png");
    ASSERT_TRUE(fs::exists(png)) << png;
    const test::PngHeader header = test::readPngHeader(png);
    ASSERT_TRUE(header.valid) << png << " is not a whole PNG file";
    EXPECT_EQ(header.width, size);
    EXPECT_EQ(header.height, size);
    EXPECT_EQ(header.colourType, 3) << "not an indexed-colour PNG";
    EXPECT_LE(header.bitDepth, 8);
    EXPECT_GE(header.paletteEntries, 2u);
    EXPECT_LE(header.paletteEntries, 256u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Icon, ::testing::Values(16u, 24u));

} // namespace
} // namespace davev
