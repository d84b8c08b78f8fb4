#pragma once

#include "app/main_window.h"

namespace davev {

// Ticks of LOOP_5MIN_TIMER down to LOOP_2MIN_TIMER: the minutes of the
// five-minute wait.
void chainTick(MainWindow& m, Timer& ticking);
// The last minute of either wait.
void lastMinuteTick(MainWindow& m);

void loop1MinClick(MainWindow& m);
void loop5MinClick(MainWindow& m);

} // namespace davev
