#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support.h"

namespace davev {
namespace {

namespace fs = std::filesystem;
using test::readFile;

const fs::path desktopEntry = DAVEV_DESKTOP_ENTRY_FILE;
const fs::path metainfo = DAVEV_METAINFO_FILE;

// The program's identity as the files must carry it, written out here rather
// than taken from identity.h, which generates them.
const std::string executable = "DA-VEV";
const std::string summary = "Append a text file to another, once or on a schedule";

TEST(DesktopEntry, CarriesTheVersionRecordStrings)
{
    ASSERT_TRUE(fs::exists(desktopEntry)) << desktopEntry;
    auto keys = test::desktopEntryKeys(readFile(desktopEntry));
    EXPECT_EQ(keys["Name"], executable);
    EXPECT_EQ(keys["GenericName"], "Text File Appender");
    EXPECT_EQ(keys["Comment"], summary);
    EXPECT_EQ(keys["Keywords"], "append;concatenate;text;file;import;schedule;timer;autostart;");
    EXPECT_EQ(keys["Exec"], executable);
    EXPECT_EQ(keys["Icon"], "da-vev");
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Categories"], "Utility;");
    EXPECT_EQ(desktopEntry.filename(), "da-vev.desktop");
}

TEST(Metainfo, CarriesTheVersionRecordStrings)
{
    ASSERT_TRUE(fs::exists(metainfo)) << metainfo;
    const std::string xml = readFile(metainfo);
    EXPECT_EQ(metainfo.filename(), "com.example.da_vev.metainfo.xml");
    EXPECT_EQ(test::xmlText(xml, "id"), "com.example.da_vev");
    EXPECT_EQ(test::xmlText(xml, "name"), executable);
    EXPECT_EQ(test::xmlText(xml, "summary"), summary);
    EXPECT_NE(test::xmlText(xml, "description").find("ZODORIZ-OVI - DA-VEV - VX-Reriraz"), std::string::npos);
    EXPECT_NE(xml.find("<keyword>append</keyword>"), std::string::npos);
    EXPECT_EQ(test::xmlText(xml, "project_license"), "LicenseRef-freeware");
    EXPECT_EQ(test::xmlText(xml, "update_contact"), "zerud904@example.com");
    EXPECT_EQ(test::xmlAttribute(xml, "release", "version"), "1.0");
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
