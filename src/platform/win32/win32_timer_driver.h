#pragma once

#include <map>
#include <windows.h>

#include "platform/controls.h"
#include "platform/services.h"

namespace davev {

// Runs each model Timer on a SetTimer timer of a hidden message-only window.
// Every message loop of the thread delivers its ticks, so they also arrive
// while a modal window or a message box runs its own loop. Lives on the
// user-interface thread and must outlive every Timer it drives.
class Win32TimerDriver : public TimerDriver {
public:
    Win32TimerDriver();
    ~Win32TimerDriver() override;
    Win32TimerDriver(const Win32TimerDriver&) = delete;
    Win32TimerDriver& operator=(const Win32TimerDriver&) = delete;

    // Runs iff enabled with a positive interval. Starting, or a new interval,
    // begins a fresh interval; any other change leaves a running one alone.
    void timerChanged(Timer& timer) override;
    void timerDestroyed(Timer& timer) override;

    bool running(const Timer& timer) const;

private:
    struct Running {
        UINT_PTR id = 0;
        int interval = 0;
    };

    void stop(const Timer& timer);
    void tick(UINT_PTR id);
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::map<const Timer*, Running> running_;
    std::map<UINT_PTR, Timer*> byId_;
    // Never reused: a tick already generated for a stopped or restarted
    // timer finds nothing.
    UINT_PTR nextId_ = 1;
};

} // namespace davev
