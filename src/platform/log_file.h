#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace davev {

enum class LogLevel { Information, Warning, Error };

// Why a line could not be logged, and where it should have gone; nothing
// when it was logged.
using LogLoss = std::optional<std::string>;

// What a log file needs of the platform. Handles are the implementation's.
class LogFileSystem {
public:
    enum class Attempt { Done, Busy, Failed };

    virtual ~LogFileSystem() = default;
    virtual std::string pathIn(const std::string& folder, std::string_view name) = 0;
    // Makes the folder and those above it; returns why it cannot.
    virtual std::optional<std::string> makeFolder(const std::string& folder) = 0;
    // Opens or creates the file to append to, without ever blocking: a FIFO,
    // a device or a link at its name is refused (Failed, with the problem).
    // Busy while another program holds the file and lets nobody write it.
    virtual Attempt open(const std::string& path, std::intptr_t& handle, std::string& problem) = 0;
    // Locks the file among its writers without waiting: Busy while another
    // holds the lock, Failed where the file takes no locks.
    virtual Attempt tryLock(std::intptr_t handle) = 0;
    virtual std::uint64_t size(std::intptr_t handle) = 0;
    // Whether path still names the open file.
    virtual bool names(const std::string& path, std::intptr_t handle) = 0;
    virtual bool rename(const std::string& from, const std::string& to) = 0;
    // Appends bytes whole; returns why it could not.
    virtual std::optional<std::string> append(std::intptr_t handle, std::string_view bytes) = 0;
    virtual void close(std::intptr_t handle) = 0;
};

// A log file reaching this size is renamed with ".1" appended, replacing the
// one renamed before: one old file is kept.
inline constexpr std::uint64_t logFileLimit = std::uint64_t{1} << 20;
// A line takes microseconds to write; a writer holding the log this long is
// stopped or stuck, and must not hold up the writers after it.
inline constexpr std::chrono::milliseconds logFileWait{1000};

// Appends one line, stamped with the time and "DA-VEV[processId]", to
// imports.log in folder. Returns why the line was lost.
LogLoss appendToLogFile(LogFileSystem& files, const std::string& folder, std::string_view text, std::uint64_t processId,
                        std::string_view lineEnd);

} // namespace davev
