#pragma once

#include "platform/controls.h"
#include "platform/services.h"
#include "settings/settings_store.h"

namespace davev {

void wireAboutWindow(Window& about, SettingsStore& store, WindowDisplay& display);

} // namespace davev
