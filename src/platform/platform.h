#pragma once

#include "platform/launcher.h"
#include "platform/services.h"

namespace davev {

// Every service the program's logic uses, one implementation per platform.
struct Platform {
    SettingsBackend& settings;
    ExecutableName& executableName;
    FileOutput& fileOutput;
    Launcher& launcher;
    ZOrder& zOrder;
    ErrorReport& errors;
    TimerDriver& timers;
    WindowDisplay& display;
    Log& log;
};

} // namespace davev
