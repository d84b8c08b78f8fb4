// DA-VEV on Windows: the Win32 front end with the Windows services.

#include <windows.h>

#include "app/program.h"
#include "platform/win32/ansi_file_output.h"
#include "platform/win32/cmd_launcher.h"
#include "platform/win32/event_log.h"
#include "platform/win32/module_executable_name.h"
#include "platform/win32/registry_settings_backend.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_display.h"
#include "platform/win32/win32_error_report.h"
#include "platform/win32/win32_timer_driver.h"
#include "platform/win32/win32_zorder.h"

namespace {

// The application icon in the executable's resources (icon group 1).
constexpr int ApplicationIcon = 1;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    using namespace davev;
    loadLibrariesFromSystemFolderOnly();
    ModuleExecutableName executableName;
    RegistrySettingsBackend settings;
    AnsiFileOutput fileOutput;
    CmdLauncher launcher;
    Win32ZOrder zOrder;
    Win32ErrorReport errors;
    EventLog log;
    errors.setUnattendedLog([&log](std::string_view text) { return log.write(LogLevel::Error, text); });
    Win32TimerDriver timers;
    Win32Display display;
    display.reportErrorsWith(errors);
    display.setIcon(ApplicationIcon);
    Platform platform{settings, executableName, fileOutput, launcher, zOrder, errors, timers, display, log};

    Program program(platform);
    program.start();
    return display.runEventLoop();
}
