#pragma once

#include <string_view>

#include "app/main_window.h"
#include "scheduler/run_actions.h"

namespace davev {

void setStatus(MainWindow& m, std::string_view text);

// The run lock as start-up applies it when auto-start is on.
void enterAutostartCountdown(MainWindow& m);

void startStopClick(MainWindow& m);
void launchTick(MainWindow& m, RunActions& actions);
void repeatLeadInTick(MainWindow& m);

} // namespace davev
