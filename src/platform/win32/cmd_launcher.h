#pragma once

#include <string>
#include <windows.h>

#include "platform/launcher.h"

namespace davev {

// Starts a command line the way a Windows program launcher does, and returns
// the new process's id at once. A batch file (.bat, .cmd) is run by the
// program's own interpreter, da-vev-cmd.exe beside the program (never one
// found on PATH), without a console window when the style is hidden.
//
// When the whole command line names an existing file, that file is what
// runs: "My Prog.bat" runs that file even when a file "My" exists too.
// Otherwise the first word (quoted, or up to the first space) is the program
// and the rest its arguments. A failure to start throws PlatformError with
// the Windows error number and text.
class CmdLauncher : public Launcher {
public:
    // interpreter: the interpreter's path; by default da-vev-cmd.exe in the
    // running program's folder.
    explicit CmdLauncher(std::wstring interpreter = {});

    long launch(const std::string& commandLine, WindowStyle style) override;
    long launchBatchFile(const std::string& fileName, WindowStyle style) override;

    // The command line handed to CreateProcessW for a batch file. The
    // interpreter takes the batch file only, as the program writes no
    // batch file that takes arguments.
    static std::wstring interpreterCommandLine(const std::wstring& interpreter, const std::wstring& batchFile);

private:
    long start(const std::wstring& application, std::wstring line, DWORD flags, WindowStyle style,
               const std::string& what);
    long startBatchFile(const std::wstring& batchFile, WindowStyle style, const std::string& what);

    std::wstring interpreter_;
};

} // namespace davev
