#pragma once

#include <cstdint>
#include <map>

#include "platform/services.h"

namespace davev {

// Runs interval timers on virtual time: nothing fires until advance() is
// called, so a five-minute cycle is checked in microseconds.
class ManualClock : public TimerDriver {
public:
    using Millis = std::int64_t;

    Millis now() const { return now_; }
    // Moves time forward, delivering every tick that falls due on the way in
    // time order; ticks due at the same moment fire in the order they were armed.
    void advance(Millis milliseconds);
    // Time of the next due tick, or -1 when no timer runs.
    Millis nextDue() const;

    void timerChanged(Timer& timer) override;
    void timerDestroyed(Timer& timer) override;

private:
    struct Armed {
        Millis due;
        std::uint64_t sequence;
    };
    Millis now_ = 0;
    std::uint64_t sequence_ = 0;
    std::map<Timer*, Armed> armed_;
};

} // namespace davev
