#pragma once

#include <windows.h>

namespace davev {

// A hidden message-only window of class `className` (registered with
// `procedure` on first use) that carries `owner` in GWLP_USERDATA, for an
// object that only needs messages: timer ticks, posted requests. Throws
// PlatformError with the Windows error when it cannot be created.
HWND createMessageWindow(const wchar_t* className, WNDPROC procedure, void* owner);

// The `owner` given to createMessageWindow; null for messages sent while the
// window is being created.
template <typename Owner> Owner* messageWindowOwner(HWND hwnd)
{
    return reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

} // namespace davev
