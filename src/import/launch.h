#pragma once

#include "app/main_window.h"
#include "platform/launcher.h"

namespace davev {

// The runner batch file's name: the executable name followed by ".bat".
std::string runnerBatchFileName(const MainWindow& m);

// Hands the bare batch file name to the launcher, hidden; the result is ignored.
void launchRunnerBatchFile(const MainWindow& m, Launcher& launcher);

// The command line the hidden DEL FILE button passes: "del " quoted, then the target path.
std::string deleteCommandLine(const MainWindow& m);
void deleteFileClick(const MainWindow& m, Launcher& launcher);

} // namespace davev
