#pragma once

#include "app/main_window.h"
#include "scheduler/run_actions.h"

namespace davev {

void autostartTick(MainWindow& m);
void autocloseTick(MainWindow& m, RunActions& actions);

void autostartClick(MainWindow& m);
void autocloseClick(MainWindow& m);

} // namespace davev
