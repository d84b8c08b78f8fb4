// imports.log, where the imports' lines go without a registered event source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <windows.h>

#include "files.h"
#include "platform/win32/event_log.h"

namespace davev::test {
namespace {

TEST(ImportsLog, IsRotatedAtOneMebibyteAndWaitsOutAProgramThatHoldsItBriefly)
{
    TempDir dir;
    const std::filesystem::path log = dir.path() / "imports.log";
    const std::string full(1 << 20, 'x');
    std::ofstream(log, std::ios::binary) << full;

    appendToLogFile(dir.path().wstring(), "after the rotation");
    EXPECT_TRUE(readFile(dir.path() / "imports.log.1") == full);
    const std::string fresh = readFile(log);
    EXPECT_NE(fresh.find("]: after the rotation\r\n"), std::string::npos) << fresh;
    EXPECT_EQ(fresh.find('x'), std::string::npos);

    // Opened without write sharing, as a virus scanner may for a moment.
    HANDLE held =
        CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread scanner([held] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        CloseHandle(held);
    });
    appendToLogFile(dir.path().wstring(), "while it was held");
    scanner.join();
    EXPECT_NE(readFile(log).find("]: while it was held\r\n"), std::string::npos) << readFile(log);

    // What cannot take the line says why, for the caller to pass on.
    std::filesystem::remove(log);
    std::filesystem::create_directory(log);
    const LogLoss lost = appendToLogFile(dir.path().wstring(), "lost");
    ASSERT_TRUE(lost.has_value());
    EXPECT_NE(lost->find("imports.log\": it is a folder, not a regular file"), std::string::npos) << *lost;
}

} // namespace
} // namespace davev::test
