#include "platform/win32/win32_timer_driver.h"

#include "platform/win32/message_window.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {
constexpr const wchar_t* TimerWindowClass = L"DA-VEV Timers";
}

Win32TimerDriver::Win32TimerDriver() = default;

Win32TimerDriver::~Win32TimerDriver()
{
    if (window_ != nullptr)
        DestroyWindow(window_);
}

void Win32TimerDriver::timerChanged(Timer& timer)
{
    const bool run = timer.enabled() && timer.interval() > 0;
    const auto it = running_.find(&timer);
    if (!run) {
        stop(timer);
        return;
    }
    if (it != running_.end() && it->second.interval == timer.interval())
        return;
    stop(timer);
    // Made with the first timer that runs: a program that starts none has no need of it.
    if (window_ == nullptr)
        window_ = createMessageWindow(TimerWindowClass, &windowProc, this);
    const UINT_PTR id = nextId_++;
    if (SetTimer(window_, id, static_cast<UINT>(timer.interval()), nullptr) == 0) {
        const DWORD code = GetLastError();
        throw PlatformError(static_cast<int>(code), systemErrorText(code));
    }
    running_[&timer] = {id, timer.interval()};
    byId_[id] = &timer;
}

void Win32TimerDriver::timerDestroyed(Timer& timer)
{
    stop(timer);
}

bool Win32TimerDriver::running(const Timer& timer) const
{
    return running_.contains(&timer);
}

void Win32TimerDriver::stop(const Timer& timer)
{
    const auto it = running_.find(&timer);
    if (it == running_.end())
        return;
    KillTimer(window_, it->second.id);
    byId_.erase(it->second.id);
    running_.erase(it);
}

void Win32TimerDriver::tick(UINT_PTR id)
{
    const auto it = byId_.find(id);
    // The handler may stop, restart or destroy the timer: nothing of it is
    // touched after it has run.
    if (it != byId_.end())
        it->second->fire();
}

LRESULT CALLBACK Win32TimerDriver::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        if (auto* driver = messageWindowOwner<Win32TimerDriver>(hwnd))
            driver->tick(wParam);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace davev
