#include "import/launch.h"

#include <filesystem>

namespace davev {

std::string runnerBatchFileName(const MainWindow& m)
{
    return m.APP_EXE_NAME_LABEL.caption() + ".bat";
}

namespace {

std::string workingDirectory()
{
    std::error_code error;
    const std::u8string path = std::filesystem::current_path(error).u8string();
    return error ? "(unknown)" : std::string(path.begin(), path.end());
}

} // namespace

void launchRunnerBatchFile(const MainWindow& m, Launcher& launcher, Log& log, ErrorReport& errors)
{
    const std::string batchFile = runnerBatchFileName(m);
    try {
        launcher.launchBatchFile(batchFile, WindowStyle::Hidden);
    } catch (const PlatformError& error) {
        const std::string line = "batch file \"" + batchFile + "\" could not be started in working directory \"" +
                                 workingDirectory() + "\": Error " + std::to_string(error.number()) + ": " +
                                 error.description();
        if (const LogLoss lost = log.write(LogLevel::Error, line))
            errors.note("a log line was lost (" + *lost + "): " + line);
        throw;
    }
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
