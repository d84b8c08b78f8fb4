// da-vev-cmd BATCHFILE: runs a runner batch file written by DA-VEV.
#include <csignal>
#include <cstdlib>
#include <string>
#include <windows.h>

#include "interpreter/core/batch_runner.h"
#include "interpreter/core/diagnostics.h"
#include "interpreter/core/run_batch.h"
#include "interpreter/win32/batch_file.h"
#include "interpreter/win32/report_channels.h"
#include "interpreter/win32/win32_file_system.h"
#include "platform/win32/event_log.h"
#include "platform/win32/full_path.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_text.h"

namespace {

volatile std::sig_atomic_t stopRequest = 0;
HANDLE runEnded = nullptr;

// Ctrl+C, a closed console, log-off and shutdown: the append in progress is
// cut back instead of left half done. Windows ends the process once this
// returns, so it waits (a little less than the system's grace time) for the
// runner to finish.
BOOL WINAPI requestStop(DWORD)
{
    stopRequest = 1;
    WaitForSingleObject(runEnded, 4000);
    return TRUE;
}

// In the ANSI code page, as the names the batch file holds; none when the
// code page cannot name it exactly.
std::string journalFolder()
{
    const std::wstring folder = davev::logFolder();
    if (folder.empty())
        return {};
    const std::string ansi = davev::narrowAnsi(folder + L"\\journals");
    return davev::widenAnsi(ansi) == folder + L"\\journals" ? ansi : std::string();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    davev::loadLibrariesFromSystemFolderOnly();
    // No box for a missing disk or a crash: nobody may be there to answer it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    if (argc != 2) {
        const char usage[] = "usage: da-vev-cmd BATCHFILE\r\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), usage, sizeof usage - 1, &written, nullptr);
        return 2;
    }
    runEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(requestStop, TRUE);

    davev::cmd::Win32ReportChannels channels;
    davev::cmd::Diagnostics diagnostics(channels, davev::narrow(argv[1]), davev::narrow(davev::fullPath(argv[1])));
    std::string content;
    if (const auto reason = davev::cmd::readRunnerBatchFile(argv[1], content)) {
        diagnostics.refused(*reason);
        return 2;
    }
    davev::cmd::Win32FileSystem files(journalFolder());
    int status = 0;
    {
        davev::cmd::BatchRunner runner(files, davev::cmd::lockWaitFrom(std::getenv("DAVEV_CMD_LOCK_WAIT_MS")));
        status = davev::cmd::runBatch(content, runner, diagnostics, &stopRequest) ? 0 : 1;
    }
    SetEvent(runEnded);
    return status;
}
