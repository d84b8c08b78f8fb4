// Time of one Save through the program: the settings written through to disk
// by the Qt INI backend and the batch file replaced by AtomicFileOutput.
// Beside it, in turn with each Save, the anchors: the same bytes written to a
// file with open/write/close, without and with fsync.
// Runs in a fresh temporary directory (working directory and config directory).
// Usage: save_bench [SAVES] [TEMP_PARENT]
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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
#include "platform/posix/atomic_file_output.h"
#include "platform/qt/qt_settings_backend.h"

namespace {

using namespace davev;
using Clock = std::chrono::steady_clock;

class NoLauncher : public Launcher {
public:
    long launch(const std::string&, WindowStyle) override { return ++launches; }
    long launches = 0;
};

class NoZOrder : public ZOrder {
public:
    Handle foregroundWindow() override { return 0; }
    void makeTopmost(Handle) override {}
    void makeNotTopmost(Handle) override {}
};

class FixedName : public ExecutableName {
public:
    std::string get() override { return "DA-VEV"; }
};

class CountingErrors : public ErrorReport {
public:
    void report(const PlatformError& error) override
    {
        if (++reports <= 3)
            std::fprintf(stderr, "error: %s\n", error.description().c_str());
    }
    void note(std::string_view text) override { std::fprintf(stderr, "note: %.*s\n", int(text.size()), text.data()); }
    int reports = 0;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::max(1.0, std::ceil(p * static_cast<double>(values.size()))));
    return values[std::min(rank, values.size()) - 1];
}

std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

double millisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One plain write of `bytes` to `path`, replacing it; returns false on failure.
bool plainWrite(const std::string& path, const std::string& bytes, bool sync)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (sync)
        ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
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

        const std::string plainPath = (dir / "plain.bat").string();
        std::string batchBytes;
        std::vector<double> saveMillis, plainMillis, syncedMillis;
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
            const double synced = millisSince(start);
            if (i >= warmup) {
                saveMillis.push_back(save);
                plainMillis.push_back(plain);
                syncedMillis.push_back(synced);
            }
        }

        const std::string lastSource = "source-" + std::to_string(warmup + saves - 1) + ".txt";
        const std::string ini = slurp(settings.filePath("DA-VEV", "DA-VEV"));
        const std::string bat = slurp(dir / "DA-VEV.bat");
        const bool written = ini.find(lastSource) != std::string::npos && bat.find(lastSource) != std::string::npos;

        std::printf("%-22s %10s %10s %10s %10s %10s\n", "operation", "median ms", "p90 ms", "p99 ms", "min ms",
                    "max ms");
        printRow("Save", saveMillis);
        printRow("plain write", plainMillis);
        printRow("plain write + fsync", syncedMillis);
        std::printf("ratio Save / plain write + fsync (median): %.2f\n",
                    percentile(saveMillis, 0.5) / percentile(syncedMillis, 0.5));
        std::printf("check: %d saves; settings and batch file (%zu bytes) on disk: %s; plain writes: %s; "
                    "errors reported: %d\n",
                    saves, bat.size(), written ? "checked" : "NOT FOUND", plainOk ? "ok" : "FAILED", errors.reports);
        if (!written || !plainOk || errors.reports)
            status = 1;
    }
    std::filesystem::current_path(parent);
    std::filesystem::remove_all(dir);
    return status;
}
