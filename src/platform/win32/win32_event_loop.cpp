#include "platform/win32/win32_event_loop.h"

#include <commctrl.h>
#include <cwchar>

#include "platform/win32/win32_window_form.h"

namespace davev {
namespace {

bool hasClass(HWND hwnd, const wchar_t* name)
{
    wchar_t cls[64] = {};
    return GetClassNameW(hwnd, cls, 64) > 0 && _wcsicmp(cls, name) == 0;
}

bool isPushButton(HWND hwnd)
{
    if (!hasClass(hwnd, WC_BUTTONW))
        return false;
    const LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// The program's own handling of keys; true when the message is used up.
bool handleKey(const MSG& message, HWND form)
{
    if (message.message != WM_KEYDOWN)
        return false;
    switch (message.wParam) {
    case VK_ESCAPE:
        // A dialog (an owned window) closes as through its close box, its
        // position stored; the main window has nothing to cancel. Used up
        // here either way, so a multi-line edit never sends its own cancel.
        if (GetWindow(form, GW_OWNER) != nullptr)
            PostMessageW(form, WM_CLOSE, 0, 0);
        return true;
    case VK_RETURN:
        // Enter clicks the focused button, as Space does. Elsewhere it goes
        // on to the control (a new line in a multi-line box) or to nothing.
        if (isPushButton(message.hwnd) && GetParent(message.hwnd) == form) {
            if (IsWindowEnabled(message.hwnd))
                SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(message.hwnd), BN_CLICKED),
                             reinterpret_cast<LPARAM>(message.hwnd));
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace

void dispatchMessage(MSG& message)
{
    if (message.hwnd != nullptr) {
        const HWND root = GetAncestor(message.hwnd, GA_ROOT);
        if (root != nullptr && hasClass(root, FormClassName)) {
            if (handleKey(message, root))
                return;
            if (IsDialogMessageW(root, &message))
                return;
        }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

bool runMessageLoop(const std::function<bool()>& keepGoing)
{
    MSG message{};
    while (keepGoing()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (got == -1)
            return false;
        dispatchMessage(message);
    }
    return true;
}

void handlePendingMessages()
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        dispatchMessage(message);
    }
}

} // namespace davev
