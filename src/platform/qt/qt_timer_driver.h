#pragma once

#include <memory>

#include "platform/controls.h"
#include "platform/services.h"

namespace davev {

// Runs each model Timer on a periodic, precise Qt timer of the UI thread, so
// ticks also arrive while a modal window or a message box runs its own loop.
// Needs a QApplication; must outlive every Timer it drives.
class QtTimerDriver : public TimerDriver {
public:
    QtTimerDriver();
    ~QtTimerDriver() override;
    QtTimerDriver(const QtTimerDriver&) = delete;
    QtTimerDriver& operator=(const QtTimerDriver&) = delete;

    // Runs iff enabled with a positive interval. Starting, or a new interval,
    // begins a fresh interval; any other change leaves a running one alone.
    void timerChanged(Timer& timer) override;
    void timerDestroyed(Timer& timer) override;

    bool running(const Timer& timer) const;
    // Milliseconds until the early wake-up before a long timer's tick, or -1
    // when none is due.
    int msUntilWake(const Timer& timer) const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace davev
