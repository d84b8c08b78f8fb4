#include "platform/headless/manual_clock.h"

#include "platform/controls.h"

namespace davev {

void ManualClock::advance(Millis milliseconds)
{
    const Millis end = now_ + milliseconds;
    for (;;) {
        Timer* next = nullptr;
        Armed best{};
        for (const auto& [timer, armed] : armed_) {
            if (armed.due > end)
                continue;
            if (!next || armed.due < best.due || (armed.due == best.due && armed.sequence < best.sequence)) {
                next = timer;
                best = armed;
            }
        }
        if (!next)
            break;
        now_ = best.due;
        // An interval timer ticks again one interval later unless its handler
        // disables it or changes its interval (which re-arms it here).
        armed_[next] = Armed{now_ + next->interval(), sequence_++};
        next->fire();
    }
    now_ = end;
}

ManualClock::Millis ManualClock::nextDue() const
{
    Millis due = -1;
    for (const auto& [timer, armed] : armed_)
        if (due < 0 || armed.due < due)
            due = armed.due;
    return due;
}

void ManualClock::timerChanged(Timer& timer)
{
    if (timer.enabled() && timer.interval() > 0)
        armed_[&timer] = Armed{now_ + timer.interval(), sequence_++};
    else
        armed_.erase(&timer);
}

void ManualClock::timerDestroyed(Timer& timer)
{
    armed_.erase(&timer);
}

} // namespace davev
