// DA-VEV on Linux: the Qt front end with the POSIX services.

#include <csignal>
#include <cstdint>
#include <memory>

#include "app/program.h"
#include "platform/posix/argv_executable_name.h"
#include "platform/posix/atomic_file_output.h"
#include "platform/posix/posix_launcher.h"
#include "platform/posix/signal_pipe.h"
#include "platform/posix/system_log.h"
#include "platform/posix/x11_zorder.h"
#include "platform/qt/ini/ini_settings_backend.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_display.h"
#include "platform/qt/qt_error_report.h"
#include "platform/qt/qt_timer_driver.h"
#include "platform/qt/qt_x11_connection.h"

int main(int argc, char** argv)
{
    using namespace davev;
    // A file-size limit makes a write fail with EFBIG, reported like any
    // failed store, instead of killing the program mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    QtApplication application(argc, argv);
    ArgvExecutableName executableName(argc > 0 ? argv[0] : nullptr);
    IniSettingsBackend settings(IniSettingsBackend::defaultConfigDirectory());
    AtomicFileOutput fileOutput;
    PosixLauncher launcher;
    // The window manager is asked on the X server the program's windows are
    // on; off X11 (a Wayland session, say) always on top does nothing.
    const std::unique_ptr<X11ZOrder> zOrder = X11ZOrder::onServerOf(qtX11Connection());
    QtErrorReport errors;
    errors.setTopmostQuery([&zOrder](std::uintptr_t window) { return zOrder->isTopmost(window); });
    SystemLog log;
    errors.setUnattendedLog([&log](std::string_view text) { return log.write(LogLevel::Error, text); });
    QtTimerDriver timers;
    QtDisplay display;
    display.reportErrorsWith(errors);
    Platform platform{settings, executableName, fileOutput, launcher, *zOrder, errors, timers, display, log};

    Program program(platform);
    program.start();
    try {
        display.closeOnSignal(openTerminationSignalPipe(), program.mainWindow());
    } catch (const PlatformError& error) {
        errors.note("signals: " + error.description());
    }
    return display.runEventLoop();
}
