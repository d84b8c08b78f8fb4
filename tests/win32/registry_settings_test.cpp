#include <gtest/gtest.h>

#include <random>
#include <windows.h>

#include "platform/platform_error.h"
#include "platform/win32/registry_settings_backend.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

// A section of its own under the real location, removed afterwards.
class RegistrySettings : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, widen(store.keyPath("DA-VEV", section)).c_str()); }

    // The value as another program of this kind reads it, with its type.
    std::wstring rawValue(const std::string& key, DWORD& type)
    {
        wchar_t buffer[512] = {};
        DWORD bytes = sizeof buffer;
        const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, widen(store.keyPath("DA-VEV", section)).c_str(),
                                            widen(key).c_str(), RRF_RT_ANY, &type, buffer, &bytes);
        EXPECT_EQ(status, ERROR_SUCCESS);
        return buffer;
    }

    RegistrySettingsBackend store;
    std::string section = "Test " + std::to_string(std::random_device()());
};

TEST_F(RegistrySettings, ValuesRoundTripAsStringsUnderTheClassicLocation)
{
    EXPECT_EQ(store.keyPath("DA-VEV", "NightlyImport"), "Software\\VB and VBA Program Settings\\DA-VEV\\NightlyImport");

    const std::string command = "type \"C:\\caf\xC3\xA9.txt\" >> \"C:\\t.txt\"\r\necho. >> \"C:\\t.txt\"";
    store.save("DA-VEV", section, "FULL_COMMAND_TEXTBOX", command);
    store.save("DA-VEV", section, "MAIN-Left", "1000");
    EXPECT_EQ(store.get("DA-VEV", section, "FULL_COMMAND_TEXTBOX", ""), command);
    EXPECT_EQ(store.get("DA-VEV", section, "MAIN-Left", "5"), "1000");

    DWORD type = 0;
    EXPECT_EQ(rawValue("FULL_COMMAND_TEXTBOX", type),
              L"type \"C:\\caf\u00E9.txt\" >> \"C:\\t.txt\"\r\necho. >> \"C:\\t.txt\"");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    store.save("DA-VEV", section, "MAIN-Left", "");
    EXPECT_EQ(store.get("DA-VEV", section, "MAIN-Left", "5"), "") << "an empty value is a value";
    const std::string longText(3000, 'x');
    store.save("DA-VEV", section, "SOURCE_TEXT_FILE_TEXTBOX", longText);
    EXPECT_EQ(store.get("DA-VEV", section, "SOURCE_TEXT_FILE_TEXTBOX", ""), longText);
}

TEST_F(RegistrySettings, AnAbsentKeyGivesTheDefaultAndAnyOtherFailureIsReported)
{
    EXPECT_EQ(store.get("DA-VEV", section, "MAIN-Width", "5760"), "5760") << "no section yet";
    store.save("DA-VEV", section, "MAIN-Left", "1");
    EXPECT_EQ(store.get("DA-VEV", section, "MAIN-Width", "5760"), "5760") << "section, no key";
    RegDeleteTreeW(HKEY_CURRENT_USER, widen(store.keyPath("DA-VEV", section)).c_str());
    store.save("DA-VEV", section, "MAIN-Width", "6000");
    EXPECT_EQ(store.get("DA-VEV", section, "MAIN-Width", "5760"), "6000") << "the section made again meanwhile";

    // A value of another type, left by some other program.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, widen(store.keyPath("DA-VEV", section)).c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const DWORD number = 7;
    RegSetValueExW(key, L"MAIN-Top", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
    try {
        store.get("DA-VEV", section, "MAIN-Top", "1000");
        FAIL() << "a value that is not a string must not pass for the default";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.number(), ERROR_UNSUPPORTED_TYPE);
        EXPECT_NE(error.description().find("MAIN-Top"), std::string::npos) << error.description();
    }
}

} // namespace
} // namespace davev
