// Time of one Save through the program: the settings written through to disk
// by the Qt INI backend and the batch file replaced by AtomicFileOutput. The
// anchor, timed in the same run and interleaved with the Saves, is one plain
// atomic replacement (AtomicFileOutput) of a file holding the same bytes as
// the settings file. A third row times the settings part of a Save alone:
// the ten keys stored by the INI backend in one write.
// Runs in a fresh temporary directory (working directory and config directory).
// Usage: save_bench [SAVES] [TEMP_PARENT]
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/program.h"
#include "platform/headless/headless_display.h"
#include "platform/headless/manual_clock.h"
#include "platform/platform.h"
#include "save_bench_support.h"
#include "platform/posix/atomic_file_output.h"
#include "platform/qt/qt_settings_backend.h"

namespace {

using namespace davev;
using namespace davev::bench;
using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv)
{
    const int saves = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int warmup = 20;
    const std::filesystem::path parent =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
    std::string pattern = (parent / "davev-save-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir = pattern;
    std::filesystem::current_path(dir);

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    QCoreApplication::setApplicationName(QStringLiteral("DA-VEV"));

    int status = 0;
    {
        QtSettingsBackend settings((dir / "config").string());
        FixedName name;
        AtomicFileOutput fileOutput;
        NoLauncher launcher;
        NoZOrder zOrder;
        CountingErrors errors;
        ManualClock clock;
        HeadlessDisplay display;
        Platform platform{settings, name, fileOutput, launcher, zOrder, errors, clock, display};

        Program program(platform);
        program.start();
        MainWindow& m = program.mainControls();
        m.TARGET_TEXT_FILE_TEXTBOX.setText((dir / "target.txt").string());

        std::vector<double> millis;
        std::vector<double> anchorMillis;
        std::vector<double> settingsMillis;
        millis.reserve(static_cast<std::size_t>(saves));
        anchorMillis.reserve(static_cast<std::size_t>(saves));
        AtomicFileOutput anchorOutput;
        const std::string iniPath = settings.filePath("DA-VEV", "DA-VEV");
        for (int i = 0; i < warmup + saves; ++i) {
            m.SOURCE_TEXT_FILE_TEXTBOX.setText((dir / ("source-" + std::to_string(i) + ".txt")).string());
            const auto start = Clock::now();
            m.SAVE_BUTTON.userClick();
            const auto end = Clock::now();
            // Same bytes, same directory, one atomic replacement; the line
            // ends that print() adds stand in for the file's own.
            std::string text = slurp(iniPath);
            if (text.ends_with('\n'))
                text.pop_back();
            const auto anchorStart = Clock::now();
            anchorOutput.open((dir / "config" / "DA-VEV" / "anchor.ini").string());
            anchorOutput.print(text);
            anchorOutput.close();
            const auto anchorEnd = Clock::now();
            std::vector<std::pair<std::string, std::string>> keys;
            for (const char* key : {"MAIN-Left", "MAIN-Top", "AlwaysOnTopTimer_TICKBOX", "AUTOSTART_TICKBOX",
                                    "AUTOCLOSE_TICKBOX", "LOOP_1MIN_TICKBOX", "LOOP_5MIN_TICKBOX",
                                    "SOURCE_TEXT_FILE_TEXTBOX", "TARGET_TEXT_FILE_TEXTBOX", "FULL_COMMAND_TEXTBOX"})
                keys.emplace_back(key, settings.get("DA-VEV", "DA-VEV", key, ""));
            const auto settingsStart = Clock::now();
            settings.saveAll("DA-VEV", "DA-VEV", keys);
            const auto settingsEnd = Clock::now();
            if (i >= warmup) {
                settingsMillis.push_back(
                    std::chrono::duration<double, std::milli>(settingsEnd - settingsStart).count());
                millis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
                anchorMillis.push_back(std::chrono::duration<double, std::milli>(anchorEnd - anchorStart).count());
            }
        }

        const std::string lastSource = "source-" + std::to_string(warmup + saves - 1) + ".txt";
        const std::string ini = slurp(settings.filePath("DA-VEV", "DA-VEV"));
        const std::string bat = slurp(dir / "DA-VEV.bat");
        const bool written = ini.find(lastSource) != std::string::npos && bat.find(lastSource) != std::string::npos;

        std::printf("%-14s %6s %10s %10s %10s %10s %10s\n", "what", "runs", "median ms", "p90 ms", "p99 ms", "min ms",
                    "max ms");
        const auto row = [](const char* what, const std::vector<double>& values) {
            std::printf("%-14s %6zu %10.3f %10.3f %10.3f %10.3f %10.3f\n", what, values.size(), percentile(values, 0.5),
                        percentile(values, 0.9), percentile(values, 0.99), percentile(values, 0.0),
                        percentile(values, 1.0));
        };
        row("save", millis);
        row("atomic write", anchorMillis);
        row("settings only", settingsMillis);
        std::printf("save / atomic write, median: %.2f\n", percentile(millis, 0.5) / percentile(anchorMillis, 0.5));
        std::printf("check: settings and batch file on disk: %s; errors reported: %d\n",
                    written ? "checked" : "NOT FOUND", errors.reports);
        if (!written || errors.reports)
            status = 1;
    }
    std::filesystem::current_path(parent);
    std::filesystem::remove_all(dir);
    return status;
}
