#include "platform/win32/message_window.h"

#include "platform/win32/system_error.h"

namespace davev {

HWND createMessageWindow(const wchar_t* className, WNDPROC procedure, void* owner)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = procedure;
    cls.hInstance = instance;
    cls.lpszClassName = className;
    if (RegisterClassExW(&cls) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw lastSystemError("registering a message window");
    const HWND hwnd = CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (hwnd == nullptr)
        throw lastSystemError("creating a message window");
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return hwnd;
}

} // namespace davev
