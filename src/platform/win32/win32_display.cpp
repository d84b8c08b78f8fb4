#include "platform/win32/win32_display.h"

#include <map>
#include <string_view>
#include <vector>
#include <windows.h>

#include <commctrl.h>

#include "platform/shown_windows.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_error_report.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_screen_dpi.h"
#include "platform/win32/win32_window_form.h"

namespace davev {
namespace {

// Message boxes (an error report, say) still open once the program's last
// window has gone.
BOOL CALLBACK endMessageBox(HWND hwnd, LPARAM)
{
    wchar_t cls[16] = {};
    if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 16) > 0 && std::wstring_view(cls) == L"#32770")
        EndDialog(hwnd, IDOK);
    return TRUE;
}

// Not LR_SHARED: a shared icon may come back at the size it was first
// loaded at, whatever size is asked for.
HICON loadIcon(int resourceId, int sizeMetric)
{
    const int size = GetSystemMetrics(sizeMetric);
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// Each monitor's work area: the screen less the task bar and docked bars.
std::vector<TwipsArea> workAreas(const TwipsScale& scale)
{
    struct Found {
        const TwipsScale& scale;
        std::vector<TwipsArea> areas;
    } found{scale, {}};
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM context) {
            auto& f = *reinterpret_cast<Found*>(context);
            MONITORINFO info{};
            info.cbSize = sizeof(info);
            if (GetMonitorInfoW(monitor, &info)) {
                const RECT& r = info.rcWork;
                f.areas.push_back(f.scale.toTwips(PixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top}));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.areas;
}

void destroyIcons(const Form::Icons& icons)
{
    for (HICON icon : {icons.small, icons.big})
        if (icon != nullptr)
            DestroyIcon(icon);
}

} // namespace

class Win32Display::Impl : public FormEvents {
public:
    Impl() : scale_(TwipsScale(screenDotsPerInch())), fonts_(scale_)
    {
        // The themed standard controls, from the common controls the manifest names.
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_STANDARD_CLASSES;
        if (const auto init = systemFunction<decltype(InitCommonControlsEx)>(L"comctl32.dll", "InitCommonControlsEx"))
            init(&controls);
    }

    ~Impl()
    {
        // Forms never touch the model on their way out.
        entries_.clear();
        retired_.clear();
        destroyIcons(icons_);
    }

    void setIcon(int resourceId)
    {
        const Form::Icons previous = icons_;
        icons_ = {loadIcon(resourceId, SM_CXSMICON), loadIcon(resourceId, SM_CXICON)};
        for (auto& [window, entry] : entries_)
            if (entry.form)
                entry.form->setIcons(icons_);
        destroyIcons(previous);
    }

    void show(Window& window)
    {
        Entry& entry = entries_[&window];
        if (onScreen(entry)) {
            const HWND hwnd = entry.form->hwnd();
            if (IsIconic(hwnd))
                ShowWindow(hwnd, SW_RESTORE);
            SetForegroundWindow(hwnd);
            return;
        }
        replace(entry, std::make_unique<Form>(window, shared_, *this, nullptr, icons_), nullptr);
        entry.form->show();
    }

    void showModal(Window& window, Window& owner)
    {
        Entry& entry = entries_[&window];
        if (onScreen(entry))
            throw PlatformError(400, "Form already displayed; can't show modally: " + window.name());
        HWND ownerHwnd = nullptr;
        if (const auto it = entries_.find(&owner); it != entries_.end() && onScreen(it->second))
            ownerHwnd = it->second.form->hwnd();
        replace(entry, std::make_unique<Form>(window, shared_, *this, ownerHwnd, icons_), &owner);
        Form* const form = entry.form.get();
        if (ownerHwnd != nullptr && IsWindowEnabled(ownerHwnd)) {
            EnableWindow(ownerHwnd, FALSE);
            entry.disabledOwner = ownerHwnd;
        }
        form->show();
        // Map entries stay put; the form may be replaced or detached meanwhile.
        runMessageLoop([&entry, form] { return entry.form.get() == form && form->model() != nullptr; });
    }

    void reportErrorsWith(Win32ErrorReport& errors) { errors_ = &errors; }

    // A close that ends the program without the user asking for it (the
    // auto-close, logging off) reports a failure of its unload to the
    // unattended log: nobody may be there to dismiss a box.
    void closeWindow(Window& window, bool byUser)
    {
        Entry& entry = entries_[&window];
        if (entry.closing)
            return;
        entry.closing = true;
        ++closingDepth_;

        const bool last = endsProgram(entries_, window);
        {
            const UnattendedClose unattended(errors_, byUser, last);
            end_.unloaded(window.unload(), last, byUser);
            for (Window* other : ownedWindows(entries_, window, onScreen))
                closeWindow(*other, byUser);
        }
        // Before the window goes, so the system hands activation back to the owner.
        if (entry.disabledOwner != nullptr) {
            EnableWindow(entry.disabledOwner, TRUE);
            entry.disabledOwner = nullptr;
        }
        if (entry.form) {
            entry.form->detach();
            entry.form->destroyWindow();
        }

        --closingDepth_;
        entry.closing = false;
        endWhenEmpty();
    }

    void closeRequested(Window& window, bool byUser) override { closeWindow(window, byUser); }

    // The virtual screen (every monitor) bounds a window's size; a position
    // must fit the 16-bit coordinates that window messages carry.
    WindowLimits windowLimits() const
    {
        return {scale_.toTwips(GetSystemMetrics(SM_CXVIRTUALSCREEN)),
                scale_.toTwips(GetSystemMetrics(SM_CYVIRTUALSCREEN)), scale_.toTwips(-(1 << 15)),
                scale_.toTwips((1 << 15) - 1), workAreas(scale_)};
    }

    int runEventLoop()
    {
        runMessageLoop([this] { return anyLoaded(entries_) || userMustRead(); });
        reap();
        return end_.exitCode;
    }

private:
    struct Entry {
        Window* owner = nullptr;
        std::unique_ptr<Form> form;
        HWND disabledOwner = nullptr;
        bool closing = false;
    };

    static bool onScreen(const Entry& entry) { return entry.form && entry.form->onScreen(); }

    // Each showing is built afresh from the model. The earlier form of the
    // same window, closed by now, goes as soon as none of its own messages is
    // still being handled further up the stack.
    void replace(Entry& entry, std::unique_ptr<Form> form, Window* owner)
    {
        if (entry.form) {
            entry.form->detach();
            entry.form->destroyWindow();
            retired_.push_back(std::move(entry.form));
        }
        entry.form = std::move(form);
        entry.owner = owner;
        entry.disabledOwner = nullptr;
        reap();
    }

    void reap()
    {
        std::erase_if(retired_, [](const std::unique_ptr<Form>& form) { return !form->busy(); });
    }

    // The user who closed the window reads why it failed before the end.
    bool userMustRead() const { return end_.awaitUser && errors_ != nullptr && errors_->busy(); }

    void endWhenEmpty()
    {
        if (closingDepth_ > 0 || anyLoaded(entries_) || userMustRead())
            return;
        EnumThreadWindows(GetCurrentThreadId(), &endMessageBox, 0);
    }

    TwipsScale scale_;
    LayoutFonts fonts_;
    AccessibleAnnotations annotations_;
    Form::Shared shared_{scale_, fonts_, annotations_};
    Form::Icons icons_;
    std::map<Window*, Entry> entries_;
    std::vector<std::unique_ptr<Form>> retired_;
    Win32ErrorReport* errors_ = nullptr;
    int closingDepth_ = 0;
    ProgramEnd end_;
};

Win32Display::Win32Display() : impl_(std::make_unique<Impl>()) {}

Win32Display::~Win32Display() = default;

void Win32Display::setIcon(int resourceId)
{
    impl_->setIcon(resourceId);
}

void Win32Display::show(Window& window)
{
    impl_->show(window);
}

void Win32Display::showModal(Window& window, Window& owner)
{
    impl_->showModal(window, owner);
}

void Win32Display::close(Window& window)
{
    impl_->closeWindow(window, false);
}

void Win32Display::reportErrorsWith(Win32ErrorReport& errors)
{
    impl_->reportErrorsWith(errors);
}

WindowLimits Win32Display::windowLimits() const
{
    return impl_->windowLimits();
}

int Win32Display::runEventLoop()
{
    return impl_->runEventLoop();
}

} // namespace davev
