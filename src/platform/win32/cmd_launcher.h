#pragma once

#include <string>

#include "platform/launcher.h"

namespace davev {

// Starts a command line the way a Windows program launcher does, and returns
// the new process's id at once. A batch file (.bat, .cmd) is run by the
// system's command interpreter (cmd.exe from the system directory, never one
// found on PATH), without a console window when the style is hidden.
//
// When the whole command line names an existing file, that file is what
// runs: "My Prog.bat" runs that file even when a file "My" exists too.
// Otherwise the first word (quoted, or up to the first space) is the program
// and the rest its arguments. A failure to start throws PlatformError with
// the Windows error number and text.
class CmdLauncher : public Launcher {
public:
    long launch(const std::string& commandLine, WindowStyle style) override;

    // The command line handed to CreateProcessW for a batch file.
    static std::wstring interpreterCommandLine(const std::wstring& batchFile, const std::wstring& arguments);
};

} // namespace davev
