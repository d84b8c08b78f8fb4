// Time from PosixLauncher::launch to the target holding the whole import,
// for a 1 KiB source, over many runs. Usage: launch_latency_bench [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/posix/posix_launcher.h"

namespace {

using Clock = std::chrono::steady_clock;

double millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void write(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

off_t sizeOf(const char* path)
{
    struct stat info {};
    return stat(path, &info) == 0 ? info.st_size : -1;
}

void summarise(const char* what, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))];
    };
    std::printf("%-28s median %7.3f ms  p10 %7.3f  p90 %7.3f  min %7.3f  max %7.3f  (%zu runs)\n", what, at(0.5),
                at(0.1), at(0.9), samples.front(), samples.back(), samples.size());
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    std::string pattern = (std::filesystem::temp_directory_path() / "davev-latency-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const std::filesystem::path dir = pattern;
    std::filesystem::current_path(dir);
    write(dir / "SOURCE.txt", std::string(1023, 'x') + "\n");
    const std::string target = (dir / "TARGET.txt").string();
    write(dir / "NightlyImport.bat",
          "type \"" + (dir / "SOURCE.txt").string() + "\" >> \"" + target + "\"\r\necho. >> \"" + target + "\"\r\n");
    const off_t complete = 1024 + 2;

    davev::PosixLauncher launcher(DAVEV_CMD_PATH);
    std::vector<double> launchCall;
    std::vector<double> finished;
    for (int run = -5; run < runs; ++run) { // the first five warm the caches
        std::filesystem::remove(target);
        const auto start = Clock::now();
        launcher.launch("NightlyImport.bat", davev::WindowStyle::Hidden);
        const auto returned = Clock::now();
        while (sizeOf(target.c_str()) != complete) {
            if (Clock::now() - start > std::chrono::seconds(10)) {
                std::fprintf(stderr, "import did not finish\n");
                return 1;
            }
            sched_yield();
        }
        const auto done = Clock::now();
        if (run >= 0) {
            launchCall.push_back(millis(returned - start));
            finished.push_back(millis(done - start));
        }
    }
    summarise("launch() returns", launchCall);
    summarise("launch() to import finished", finished);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return 0;
}
