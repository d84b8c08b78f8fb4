// Time of one Save through the program: the settings written through to disk
// by the INI settings backend and the batch file replaced by AtomicFileOutput.
// Two kinds of Save, interleaved, each really changing what it writes:
// - "save, new cmd": a new source path, so the settings file and the batch
//   file both get new bytes (two files made durable);
// - "save, same cmd": the same paths and AutoStart toggled, so the settings
//   file gets new bytes and the batch file already holds the command.
// The anchor, timed in the same run and interleaved with them, is one plain
// atomic replacement of a file holding the current settings file's bytes, in
// the same directory: temporary file, write, fsync, rename, fsync of the
// directory, with no checks. A last row times the settings write alone: the
// ten keys stored by the INI backend in one write, one of them changed.
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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/program.h"
#include "platform/headless/headless_display.h"
#include "platform/headless/manual_clock.h"
#include "platform/platform.h"
#include "platform/posix/atomic_file_output.h"
#include "platform/qt/ini/ini_settings_backend.h"
#include "save_bench_support.h"

namespace {

using namespace davev;
using namespace davev::bench;
using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

ino_t inodeOf(const std::filesystem::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The plainest durable replacement of a file: no checks, no lock, nothing kept.
bool plainAtomicWrite(const std::filesystem::path& path, const std::string& bytes)
{
    const std::string temp = path.string() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok && ::rename(temp.c_str(), path.c_str()) == 0;
    const int directory = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ok = ok && directory >= 0 && ::fsync(directory) == 0;
    if (directory >= 0)
        ::close(directory);
    return ok;
}

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
        IniSettingsBackend settings((dir / "config").string());
        FixedName name;
        AtomicFileOutput fileOutput;
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

        std::vector<double> newCommand;
        std::vector<double> sameCommand;
        std::vector<double> anchor;
        std::vector<double> settingsOnly;
        const std::string iniPath = settings.filePath("DA-VEV", "DA-VEV");
        const std::filesystem::path anchorPath = dir / "config" / "DA-VEV" / "anchor.ini";
        const std::filesystem::path batPath = dir / "DA-VEV.bat";
        bool sameCommandKept = true;
        int batchRewrites = 0;
        bool anchorWritten = true;
        for (int i = 0; i < warmup + saves; ++i) {
            const bool timed = i >= warmup;
            m.SOURCE_TEXT_FILE_TEXTBOX.setText((dir / ("source-" + std::to_string(i) + ".txt")).string());
            auto start = Clock::now();
            m.SAVE_BUTTON.userClick();
            if (timed)
                newCommand.push_back(millisSince(start));

            // Same bytes as the settings file now, so the same size of write.
            const std::string text = slurp(iniPath);
            start = Clock::now();
            anchorWritten = plainAtomicWrite(anchorPath, text) && anchorWritten;
            if (timed)
                anchor.push_back(millisSince(start));

            const std::string batBefore = slurp(batPath);
            const ino_t batInode = inodeOf(batPath);
            m.AUTOSTART_TICKBOX.userClick();
            start = Clock::now();
            m.SAVE_BUTTON.userClick();
            if (timed)
                sameCommand.push_back(millisSince(start));
            sameCommandKept = sameCommandKept && slurp(batPath) == batBefore;
            if (timed && inodeOf(batPath) != batInode)
                ++batchRewrites;

            std::vector<std::pair<std::string, std::string>> keys;
            for (const char* key : {"MAIN-Left", "MAIN-Top", "AlwaysOnTopTimer_TICKBOX", "AUTOSTART_TICKBOX",
                                    "AUTOCLOSE_TICKBOX", "LOOP_1MIN_TICKBOX", "LOOP_5MIN_TICKBOX",
                                    "SOURCE_TEXT_FILE_TEXTBOX", "TARGET_TEXT_FILE_TEXTBOX", "FULL_COMMAND_TEXTBOX"})
                keys.emplace_back(key, settings.get("DA-VEV", "DA-VEV", key, ""));
            keys[1].second = keys[1].second == "1000" ? "1001" : "1000";
            start = Clock::now();
            settings.saveAll("DA-VEV", "DA-VEV", keys);
            if (timed)
                settingsOnly.push_back(millisSince(start));
        }

        const std::string lastSource = "source-" + std::to_string(warmup + saves - 1) + ".txt";
        const std::string ini = slurp(settings.filePath("DA-VEV", "DA-VEV"));
        const std::string bat = slurp(dir / "DA-VEV.bat");
        bool written = ini.find(lastSource) != std::string::npos && bat.find(lastSource) != std::string::npos;

        std::printf("%-15s %6s %10s %10s %10s %10s %10s\n", "what", "runs", "median ms", "p90 ms", "p99 ms", "min ms",
                    "max ms");
        const auto row = [](const char* what, const std::vector<double>& values) {
            std::printf("%-15s %6zu %10.3f %10.3f %10.3f %10.3f %10.3f\n", what, values.size(), percentile(values, 0.5),
                        percentile(values, 0.9), percentile(values, 0.99), percentile(values, 0.0),
                        percentile(values, 1.0));
        };
        row("save, new cmd", newCommand);
        row("save, same cmd", sameCommand);
        row("atomic write", anchor);
        row("settings only", settingsOnly);
        const double anchorMedian = percentile(anchor, 0.5);
        std::printf("median / atomic write: save, new cmd %.2f; save, same cmd %.2f; settings only %.2f\n",
                    percentile(newCommand, 0.5) / anchorMedian, percentile(sameCommand, 0.5) / anchorMedian,
                    percentile(settingsOnly, 0.5) / anchorMedian);
        std::printf("batch file replaced by %d of %zu same-command saves\n", batchRewrites, sameCommand.size());
        std::printf("check: settings and batch file on disk: %s; errors reported: %d\n",
                    written && anchorWritten && sameCommandKept ? "checked" : "NOT FOUND", errors.reports);
        written = written && anchorWritten && sameCommandKept;
        if (!written || errors.reports)
            status = 1;
    }
    std::filesystem::current_path(parent);
    std::filesystem::remove_all(dir);
    return status;
}
