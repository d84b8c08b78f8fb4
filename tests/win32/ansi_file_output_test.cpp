#include <gtest/gtest.h>

#include <windows.h>

#include "files.h"
#include "platform/win32/ansi_file_output.h"

namespace davev {
namespace {

using test::readFile;
using test::TempDir;

class AnsiFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetACP() != 1252)
            GTEST_SKIP() << "expects the Western European code page 1252, the system has " << GetACP();
    }

    void write(const std::string& name, const std::string& text)
    {
        AnsiFileOutput file;
        file.open(name);
        file.print(text);
        file.close();
    }

    TempDir dir;
};

TEST_F(AnsiFile, WritesTheTextInTheAnsiCodePageAndReplacesTheFileWhole)
{
    const std::string name = dir / "DA-VEV.bat";
    write(name, "type \"C:\\caf\xC3\xA9.txt\" >> \"C:\\t.txt\"\r\necho. >> \"C:\\t.txt\"");
    EXPECT_EQ(readFile(name), "type \"C:\\caf\xE9.txt\" >> \"C:\\t.txt\"\r\necho. >> \"C:\\t.txt\"\r\n");

    write(name, "short");
    EXPECT_EQ(readFile(name), "short\r\n") << "truncated, not appended";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary left";
}

TEST_F(AnsiFile, RefusesACharacterTheCodePageHasNoExactFormFor)
{
    // Best fit would write U+2215 DIVISION SLASH as '/', and the fullwidth
    // quotation mark U+FF02 as '"'.
    AnsiFileOutput file;
    EXPECT_TRUE(file.canRepresent("C:\\caf\xC3\xA9\\a.txt"));
    EXPECT_FALSE(file.canRepresent("C:\\a\xE2\x88\x95"
                                   "b.txt"));
    EXPECT_FALSE(file.canRepresent("C:\\a\xEF\xBC\x82.txt"));
    EXPECT_FALSE(file.canRepresent("\xE6\x97\xA5")); // a CJK ideograph

    const std::string name = dir / "DA-VEV.bat";
    write(name, "old");
    file.open(name);
    EXPECT_THROW(file.print("type \"C:\\a\xE2\x88\x95"
                            "b.txt\""),
                 PlatformError);
    EXPECT_EQ(readFile(name), "old\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary left";
}

TEST_F(AnsiFile, AFileThatCannotBeReplacedIsReportedAndKept)
{
    const std::string name = dir / "DA-VEV.bat";
    std::filesystem::create_directory(name);
    try {
        write(name, "text");
        FAIL() << "a directory of that name cannot be replaced";
    } catch (const PlatformError& error) {
        EXPECT_NE(error.number(), 0);
        EXPECT_NE(error.description().find("DA-VEV.bat"), std::string::npos) << error.description();
    }
    EXPECT_TRUE(std::filesystem::is_directory(name));

    // A batch file the user made read-only stays as it is.
    const std::string readOnly = dir / "NightlyImport.bat";
    write(readOnly, "old");
    ASSERT_TRUE(SetFileAttributesW(std::filesystem::path(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_THROW(write(readOnly, "new"), PlatformError);
    EXPECT_EQ(readFile(readOnly), "old\r\n");
    SetFileAttributesW(std::filesystem::path(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_THROW(write(dir / "no such directory" + "\\DA-VEV.bat", "text"), PlatformError);
}

} // namespace
} // namespace davev
