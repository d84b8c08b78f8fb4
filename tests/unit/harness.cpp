#include "harness.h"

#include <cerrno>

namespace davev::test {

long RecordingLauncher::launch(const std::string& commandLine, WindowStyle style)
{
    if (fail)
        throw PlatformError(ENOENT, "No such file or directory: " + commandLine);
    launches.push_back({commandLine, style, clock_.now()});
    return static_cast<long>(launches.size());
}

long RecordingLauncher::launchBatchFile(const std::string& fileName, WindowStyle style)
{
    const long id = launch(fileName, style);
    launches.back().batchFile = true;
    return id;
}

void MemoryFileOutput::open(const std::string& name)
{
    if (failOpen)
        throw PlatformError(EACCES, "Permission denied: " + name);
    ++opens;
    fileName = name;
    pending_.clear();
}

void MemoryFileOutput::print(std::string_view text)
{
    pending_ += text;
    pending_ += "\r\n";
}

void MemoryFileOutput::close()
{
    bytes = pending_;
}

MainWindow& Harness::start()
{
    program = std::make_unique<Program>(platform);
    program->start();
    return program->mainControls();
}

} // namespace davev::test
