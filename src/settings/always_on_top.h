#pragma once

#include "app/main_window.h"
#include "platform/services.h"

namespace davev {

void alwaysOnTopClick(MainWindow& m);
// Once a second: whatever other window is in front loses the topmost band
// and the main window takes it.
void alwaysOnTopTick(MainWindow& m, ZOrder& zOrder);

} // namespace davev
