#include "platform/log_file.h"

#include <ctime>
#include <thread>

namespace davev {

namespace {

using Clock = std::chrono::steady_clock;

using Attempt = LogFileSystem::Attempt;

// Tries again while the attempt finds the file busy, until the log's wait is over.
template <class Try> Attempt withinWait(Try attempt)
{
    const Clock::time_point deadline = Clock::now() + logFileWait;
    Attempt result = attempt();
    while (result == Attempt::Busy && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        result = attempt();
    }
    return result;
}

std::string stamped(std::string_view text, std::uint64_t processId, std::string_view lineEnd)
{
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    if (const std::tm* utc = std::gmtime(&now))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", utc);
    std::string line = std::string(stamp) + " DA-VEV[" + std::to_string(processId) + "]: ";
    line += text;
    line += lineEnd;
    return line;
}

} // namespace

LogLoss appendToLogFile(LogFileSystem& files, const std::string& folder, std::string_view text, std::uint64_t processId,
                        std::string_view lineEnd)
{
    const std::string path = files.pathIn(folder, "imports.log");
    if (auto problem = files.makeFolder(folder))
        return "cannot make the folder \"" + folder + "\" for \"" + path + "\": " + *problem;
    std::intptr_t file = 0;
    std::string problem;
    const auto open = [&] {
        // A program that holds the log without sharing it for writing (a virus
        // scanner, a backup) is waited out as the log's lock is.
        const Attempt opened = withinWait([&] { return files.open(path, file, problem); });
        if (opened == Attempt::Busy)
            problem = "another program holds it";
        return opened == Attempt::Done;
    };
    if (!open())
        return "cannot write \"" + path + "\": " + problem;
    // The lock lets one of several concurrent writers rotate the file; a late
    // writer's line lands in the rotated file. Unlocked, the line is still
    // appended whole, and the rotation waits for a later writer. Only the
    // file still under the log's name is rotated: a writer that waited while
    // another rotated it would otherwise put the fresh file over the full one.
    if (withinWait([&] { return files.tryLock(file); }) == Attempt::Done && files.size(file) >= logFileLimit &&
        files.names(path, file) && files.rename(path, path + ".1")) {
        files.close(file);
        if (!open())
            return "cannot write \"" + path + "\": " + problem;
    }
    const LogLoss lost = files.append(file, stamped(text, processId, lineEnd));
    files.close(file);
    if (lost)
        return "cannot write \"" + path + "\": " + *lost;
    return std::nullopt;
}

} // namespace davev
