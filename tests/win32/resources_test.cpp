#include <gtest/gtest.h>

#include <filesystem>
#include <vector>
#include <windows.h>

#include "platform/win32/win32_text.h"

namespace davev {
namespace {

// An executable of the same build tree, and the names its version record gives.
struct Executable {
    const wchar_t* file;
    const char* fileDescription;
    const char* internalName;
};

void PrintTo(const Executable& executable, std::ostream* out)
{
    *out << narrow(executable.file);
}

const Executable program{L"DA-VEV.exe", "DA-VEV.exe", "DA-VEV"};
const Executable interpreter{L"da-vev-cmd.exe", "DA-VEV command interpreter: runs DA-VEV's runner batch files",
                             "da-vev-cmd"};

std::filesystem::path builtPath(const wchar_t* file)
{
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path() / L".." / L".." / L"src" / file;
}

class ExecutableResources : public ::testing::TestWithParam<Executable> {
protected:
    void SetUp() override
    {
        const std::wstring path = builtPath(GetParam().file).native();
        DWORD ignored = 0;
        version.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
        ASSERT_FALSE(version.empty()) << "no version record in " << narrow(path);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }

    std::string versionString(const char* name)
    {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring query = L"\\StringFileInfo\\040904B0\\" + widen(name);
        if (!VerQueryValueW(version.data(), query.c_str(), &value, &length) || length == 0)
            return "(absent)";
        return narrow(std::wstring_view(static_cast<const wchar_t*>(value), length - 1));
    }

    std::string_view resource(const wchar_t* type)
    {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), type);
        if (!found)
            return {};
        const void* data = LockResource(LoadResource(module, found));
        return {static_cast<const char*>(data), SizeofResource(module, found)};
    }

    std::vector<char> version;
    HMODULE module = nullptr;
};

TEST_P(ExecutableResources, VersionRecordCarriesTheProgramsIdentityUnderTheExecutablesOwnName)
{
    EXPECT_EQ(versionString("Comments"), "Created By Zerud904...Email zerud904@example.com");
    EXPECT_EQ(versionString("FileDescription"), GetParam().fileDescription);
    EXPECT_EQ(versionString("ProductName"), "ZODORIZ-OVI - DA-VEV - VX-Reriraz");
    EXPECT_EQ(versionString("FileVersion"), "1.00");
    EXPECT_EQ(versionString("ProductVersion"), "1.00");
    EXPECT_EQ(versionString("InternalName"), GetParam().internalName);
    EXPECT_EQ(versionString("OriginalFilename"), narrow(GetParam().file));
    EXPECT_EQ(versionString("CompanyName"), "(absent)");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    // Version 1.0.0.0: major and minor version in the high DWORD, revision and build in the low one.
    const DWORD major = 0x00010000;
    const DWORD minor = 0;
    EXPECT_EQ(fixed->dwFileVersionMS, major);
    EXPECT_EQ(fixed->dwFileVersionLS, minor);
    EXPECT_EQ(fixed->dwProductVersionMS, major);
    EXPECT_EQ(fixed->dwProductVersionLS, minor);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(
        VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409) << "U.S. English";
    EXPECT_EQ(translation[1], 1200) << "UTF-16LE";
}

TEST_P(ExecutableResources, IconGroupOneHoldsThe16And24PixelImagesIn256Colours)
{
#pragma pack(push, 2)
    struct GroupHeader {
        WORD reserved, type, count;
    };
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    const std::string_view group = resource(MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    ASSERT_GE(group.size(), sizeof(GroupHeader));
    const auto* header = reinterpret_cast<const GroupHeader*>(group.data());
    ASSERT_EQ(header->count, 2);
    ASSERT_EQ(group.size(), sizeof(GroupHeader) + 2 * sizeof(GroupEntry));
    const auto* entries = reinterpret_cast<const GroupEntry*>(group.data() + sizeof(GroupHeader));
    std::vector<int> sizes;
    for (int i = 0; i < 2; ++i) {
        sizes.push_back(entries[i].width);
        EXPECT_EQ(entries[i].height, entries[i].width);
        EXPECT_EQ(entries[i].bitCount, 8);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 24}));
}

// Only the program has a manifest: the interpreter, a console program, opens no window.
class ProgramManifest : public ExecutableResources {};

TEST_P(ProgramManifest, AsksForThemedControlsDpiAwarenessAndNoElevation)
{
    const std::string_view manifest = resource(MAKEINTRESOURCEW(24)); // RT_MANIFEST
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string_view::npos);
    EXPECT_NE(manifest.find("<dpiAware"), std::string_view::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string_view::npos);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ExecutableResources, ::testing::Values(program, interpreter));
INSTANTIATE_TEST_SUITE_P(Program, ProgramManifest, ::testing::Values(program));

} // namespace
} // namespace davev
