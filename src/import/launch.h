#pragma once

#include "app/main_window.h"
#include "platform/launcher.h"
#include "platform/services.h"

namespace davev {

// The runner batch file's name: the executable name followed by ".bat".
std::string runnerBatchFileName(const MainWindow& m);

// Hands the bare batch file name to the launcher, hidden; the result is
// ignored. A launch that fails is written to the log, with the working
// directory: its error box may go unseen, and an unattended run's
// auto-close takes the box away.
void launchRunnerBatchFile(const MainWindow& m, Launcher& launcher, Log& log, ErrorReport& errors);

// The command line the hidden DEL FILE button passes: "del " quoted, then the target path.
std::string deleteCommandLine(const MainWindow& m);
void deleteFileClick(const MainWindow& m, Launcher& launcher);

} // namespace davev
