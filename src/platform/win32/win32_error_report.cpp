#include "platform/win32/win32_error_report.h"

#include <iostream>
#include <string>

#include "platform/win32/message_window.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

constexpr const wchar_t* ReportWindowClass = L"DA-VEV Error Report";
constexpr UINT ShowBoxMessage = WM_APP + 1;

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

Win32ErrorReport::~Win32ErrorReport()
{
    if (window_ != nullptr)
        DestroyWindow(window_);
}

void Win32ErrorReport::report(const PlatformError& error)
{
    const std::string text = "Error " + std::to_string(error.number()) + ": " + error.description();
    log(text);
    if (unattended_) {
        if (const LogLoss lost = unattendedLog_ ? unattendedLog_(text) : std::nullopt)
            log("a log line was lost (" + *lost + "): " + text);
        return;
    }
    if (busy())
        return;
    // Made with the first box: a program that reports nothing has no need of it.
    try {
        if (window_ == nullptr)
            window_ = createMessageWindow(ReportWindowClass, &windowProc, this);
    } catch (const PlatformError& failure) {
        log("no box could be opened: " + failure.description());
        return;
    }
    pending_ = widen(text);
    if (!PostMessageW(window_, ShowBoxMessage, 0, 0))
        pending_.clear();
}

void Win32ErrorReport::showPending()
{
    if (pending_.empty() || boxOpen_)
        return;
    boxOpen_ = true;
    const std::wstring text = std::move(pending_);
    pending_.clear();
    MessageBoxW(frontWindow(), text.c_str(), L"DA-VEV", MB_OK | MB_ICONERROR);
    boxOpen_ = false;
}

void Win32ErrorReport::note(std::string_view text)
{
    log(text);
}

void Win32ErrorReport::setUnattendedLog(Log log)
{
    unattendedLog_ = std::move(log);
}

void Win32ErrorReport::log(std::string_view text)
{
    const std::string line = "DA-VEV: " + std::string(text) + "\n";
    log_ << line << std::flush;
    OutputDebugStringW(widen(line).c_str());
}

LRESULT CALLBACK Win32ErrorReport::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ShowBoxMessage) {
        if (auto* report = messageWindowOwner<Win32ErrorReport>(hwnd))
            report->showPending();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace davev
