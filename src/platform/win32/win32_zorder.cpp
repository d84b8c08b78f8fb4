#include "platform/win32/win32_zorder.h"

#include <windows.h>

namespace davev {
namespace {

HWND toHwnd(ZOrder::Handle window)
{
    return reinterpret_cast<HWND>(window);
}

} // namespace

ZOrder::Handle Win32ZOrder::foregroundWindow()
{
    return reinterpret_cast<Handle>(GetForegroundWindow());
}

// The results are not looked at: a call without effect is repeated at the next tick.
void Win32ZOrder::makeTopmost(Handle window)
{
    SetWindowPos(toHwnd(window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

void Win32ZOrder::makeNotTopmost(Handle window)
{
    SetWindowPos(toHwnd(window), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

} // namespace davev
