#pragma once

namespace davev {

// What a run does beyond its own controls.
class RunActions {
public:
    virtual ~RunActions() = default;
    // The hidden launch of the runner batch file, as Run Now performs it.
    virtual void launchRunner() = 0;
    // Closes the main window through its normal shutdown.
    virtual void closeMainWindow() = 0;
};

} // namespace davev
