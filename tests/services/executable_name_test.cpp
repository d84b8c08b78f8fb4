#include <gtest/gtest.h>

#include "platform/posix/argv_executable_name.h"

namespace davev {
namespace {

TEST(ExecutableName, IsTheFileNameWithoutDirectoryOrExe)
{
    EXPECT_EQ(ArgvExecutableName::baseName("/usr/bin/DA-VEV"), "DA-VEV");
    EXPECT_EQ(ArgvExecutableName::baseName("./NightlyImport"), "NightlyImport");
    EXPECT_EQ(ArgvExecutableName::baseName("C/My Import.EXE"), "My Import");
    EXPECT_EQ(ArgvExecutableName::baseName("nightly.import"), "nightly.import") << "only .exe is dropped";
    EXPECT_EQ(ArgvExecutableName::baseName("dir/"), "dir");
    EXPECT_EQ(ArgvExecutableName::baseName(""), "DA-VEV");
    EXPECT_EQ(ArgvExecutableName(nullptr).get(), "DA-VEV");
}

} // namespace
} // namespace davev
