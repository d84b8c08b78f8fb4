// Time of one Save through the Windows program: the ten settings values
// written to the registry and the batch file replaced by AnsiFileOutput
// (written, flushed and moved over the old one). Beside it, in turn with
// each Save, the anchors: the same bytes written to a file with
// CreateFileW/WriteFile/CloseHandle, without and with FlushFileBuffers.
// Settings go under a scratch registry key, deleted at the end; the files
// go to a fresh directory under TEMP_PARENT (default: the temp directory).
// Usage: save_bench [SAVES] [TEMP_PARENT]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/headless/headless_display.h"
#include "platform/headless/manual_clock.h"
#include "platform/platform.h"
#include "save_bench_support.h"
#include "platform/win32/ansi_file_output.h"
#include "platform/win32/registry_settings_backend.h"

namespace {

using namespace davev;
using namespace davev::bench;
using Clock = std::chrono::steady_clock;

constexpr const char* scratchRoot = "Software\\DA-VEV benchmark";

double millisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One plain write of `bytes` to `path`, replacing it; returns false on failure.
bool plainWrite(const std::wstring& path, const std::string& bytes, bool flush)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    if (flush)
        ok = FlushFileBuffers(file) && ok;
    return CloseHandle(file) && ok;
}

void printRow(const char* name, const std::vector<double>& millis)
{
    std::printf("%-22s %10.3f %10.3f %10.3f %10.3f %10.3f\n", name, percentile(millis, 0.5), percentile(millis, 0.9),
                percentile(millis, 0.99), percentile(millis, 0.0), percentile(millis, 1.0));
}

} // namespace

int main(int argc, char** argv)
{
    const int saves = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int warmup = 20;
    const std::filesystem::path parent =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
    const std::filesystem::path dir = parent / ("davev-save-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);

    int status = 0;
    {
        RegistrySettingsBackend settings(scratchRoot);
        FixedName name;
        AnsiFileOutput fileOutput;
        NoLauncher launcher;
        NoZOrder zOrder;
        CountingErrors errors;
        ManualClock clock;
        HeadlessDisplay display;
        NoLog log;
        Platform platform{settings, name, fileOutput, launcher, zOrder, errors, clock, display, log};

        Program program(platform);
        program.start();
        MainWindow& m = program.mainControls();
        m.TARGET_TEXT_FILE_TEXTBOX.setText((dir / "target.txt").string());

        const std::wstring plainPath = (dir / "plain.bat").wstring();
        std::string batchBytes;
        std::vector<double> saveMillis, plainMillis, flushedMillis;
        bool plainOk = true;
        for (int i = 0; i < warmup + saves; ++i) {
            m.SOURCE_TEXT_FILE_TEXTBOX.setText((dir / ("source-" + std::to_string(i) + ".txt")).string());
            auto start = Clock::now();
            m.SAVE_BUTTON.userClick();
            const double save = millisSince(start);
            if (batchBytes.empty())
                batchBytes = slurp(dir / "DA-VEV.bat");
            start = Clock::now();
            plainOk = plainWrite(plainPath, batchBytes, false) && plainOk;
            const double plain = millisSince(start);
            start = Clock::now();
            plainOk = plainWrite(plainPath, batchBytes, true) && plainOk;
            const double flushed = millisSince(start);
            if (i >= warmup) {
                saveMillis.push_back(save);
                plainMillis.push_back(plain);
                flushedMillis.push_back(flushed);
            }
        }

        const std::string lastSource = "source-" + std::to_string(warmup + saves - 1) + ".txt";
        const std::string stored = settings.get("DA-VEV", "DA-VEV", "SOURCE_TEXT_FILE_TEXTBOX", "");
        const std::string bat = slurp(dir / "DA-VEV.bat");
        const bool written = stored.find(lastSource) != std::string::npos && bat.find(lastSource) != std::string::npos;

        std::printf("%-22s %10s %10s %10s %10s %10s\n", "operation", "median ms", "p90 ms", "p99 ms", "min ms",
                    "max ms");
        printRow("Save", saveMillis);
        printRow("plain write", plainMillis);
        printRow("plain write + flush", flushedMillis);
        std::printf("ratio Save / plain write + flush (median): %.2f\n",
                    percentile(saveMillis, 0.5) / percentile(flushedMillis, 0.5));
        std::printf("check: %d saves; settings in the registry and batch file (%zu bytes) on disk: %s; "
                    "plain writes: %s; errors reported: %d\n",
                    saves, bat.size(), written ? "checked" : "NOT FOUND", plainOk ? "ok" : "FAILED", errors.reports);
        if (!written || !plainOk || errors.reports)
            status = 1;
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\DA-VEV benchmark");
    std::filesystem::current_path(parent);
    std::filesystem::remove_all(dir);
    return status;
}
