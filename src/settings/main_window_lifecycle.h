#pragma once

#include "app/main_window.h"
#include "platform/services.h"
#include "settings/settings_store.h"

namespace davev {

// The main window's load handler: restores the stored state, gives the
// timers their intervals and decides whether the auto-start countdown begins.
void loadMainWindow(MainWindow& m, SettingsStore& store, ExecutableName& executableName);

// The ten keys that both Save and the main window's unload write, in order,
// as one write of the store: all ten or none.
void storeMainWindowSettings(MainWindow& m, SettingsStore& store);

} // namespace davev
