#include "platform/win32/win32_error_report.h"

#include <iostream>
#include <string>
#include <windows.h>

#include "platform/win32/win32_text.h"

namespace davev {
namespace {

// The first visible, enabled top-level window of this thread in z-order:
// the modal window while one is open, the main window otherwise.
HWND frontWindow()
{
    const DWORD thread = GetCurrentThreadId();
    for (HWND hwnd = GetTopWindow(nullptr); hwnd != nullptr; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        if (GetWindowThreadProcessId(hwnd, nullptr) == thread && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
            return hwnd;
    return nullptr;
}

} // namespace

Win32ErrorReport::Win32ErrorReport() : Win32ErrorReport(std::cerr) {}

Win32ErrorReport::Win32ErrorReport(std::ostream& log) : log_(log) {}

void Win32ErrorReport::report(const PlatformError& error)
{
    const std::string text = "Error " + std::to_string(error.number()) + ": " + error.description();
    log(text);
    if (boxOpen_)
        return;
    boxOpen_ = true;
    MessageBoxW(frontWindow(), widen(text).c_str(), L"DA-VEV", MB_OK | MB_ICONERROR);
    boxOpen_ = false;
}

void Win32ErrorReport::note(std::string_view text)
{
    log(text);
}

void Win32ErrorReport::log(std::string_view text)
{
    const std::string line = "DA-VEV: " + std::string(text) + "\n";
    log_ << line << std::flush;
    OutputDebugStringW(widen(line).c_str());
}

} // namespace davev
