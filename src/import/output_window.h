#pragma once

#include "platform/controls.h"
#include "platform/services.h"
#include "settings/settings_store.h"

namespace davev {

// The Output Command window's handlers, wired once to its instance.
void wireOutputWindow(Window& output, const Window& main, SettingsStore& store, ExecutableName& executableName,
                      WindowDisplay& display);

} // namespace davev
