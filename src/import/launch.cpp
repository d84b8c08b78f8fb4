#include "import/launch.h"

namespace davev {

std::string runnerBatchFileName(const MainWindow& m)
{
    return m.APP_EXE_NAME_LABEL.caption() + ".bat";
}

void launchRunnerBatchFile(const MainWindow& m, Launcher& launcher)
{
    launcher.launchBatchFile(runnerBatchFileName(m), WindowStyle::Hidden);
}

std::string deleteCommandLine(const MainWindow& m)
{
    return "\"del \"" + m.TARGET_TEXT_FILE_TEXTBOX.text();
}

void deleteFileClick(const MainWindow& m, Launcher& launcher)
{
    launcher.launch(deleteCommandLine(m), WindowStyle::NormalFocus);
}

} // namespace davev
