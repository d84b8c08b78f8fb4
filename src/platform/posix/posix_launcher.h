#pragma once

#include <string>

#include "platform/launcher.h"

namespace davev {

// Starts programs and runner batch files without a shell. A .bat or .cmd file
// is run by the da-vev-cmd command interpreter. The started process is
// detached: it runs in its own session, outlives the program and is reaped.
class PosixLauncher : public Launcher {
public:
    // An empty interpreterPath means: look for da-vev-cmd beside the running
    // program, then in the installed libexec directory (never on PATH).
    explicit PosixLauncher(std::string interpreterPath = {});

    long launch(const std::string& commandLine, WindowStyle style) override;
    long launchBatchFile(const std::string& fileName, WindowStyle style) override;

private:
    const std::string& interpreter();

    std::string interpreterPath_;
};

} // namespace davev
