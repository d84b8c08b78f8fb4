#pragma once

#include "app/main_window.h"
#include "platform/services.h"
#include "settings/settings_store.h"

namespace davev {

// Stores the settings, composes the command afresh and writes it as the
// runner batch file. The stored command is the one from before this Save.
void saveClick(MainWindow& m, SettingsStore& store, FileOutput& file);

} // namespace davev
