#pragma once

#include <string>

namespace davev {

enum class WindowStyle : int { Hidden = 0, NormalFocus = 1 };

// Starts the program a command line names and returns at once. Never waits
// for the started program. Throws PlatformError when nothing startable is
// named. The result is a task identifier that callers may ignore.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual long launch(const std::string& commandLine, WindowStyle style) = 0;
    // Runs the batch file of exactly this name in the working directory,
    // whatever it begins with (a blank, a quote), through the command
    // interpreter; fails as launch does.
    virtual long launchBatchFile(const std::string& fileName, WindowStyle style) = 0;
};

} // namespace davev
