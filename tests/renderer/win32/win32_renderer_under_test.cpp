// The Win32 renderer under test, in-process under Wine: input goes to the
// controls as the messages the keyboard and mouse would bring, since Wine's
// windows are out of reach of the accessibility bus.
#include <map>
#include <stdexcept>
#include <windows.h>

#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_form.h"
#include "platform/win32/win32_screen_dpi.h"
#include "renderer_under_test.h"

namespace davev::test {
namespace {

HWND top(const Window& window)
{
    return reinterpret_cast<HWND>(window.handle());
}

HWND find(const Window& window, std::string_view name)
{
    const auto& controls = window.controls();
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i]->name() == name)
            return GetDlgItem(top(window), FirstControlId + static_cast<int>(i));
    return nullptr;
}

bool styled(HWND hwnd, LONG style)
{
    return (GetWindowLongW(hwnd, GWL_STYLE) & style) == style;
}

bool ofClass(HWND hwnd, std::wstring_view name)
{
    wchar_t cls[16] = {};
    return GetClassNameW(hwnd, cls, 16) > 0 && _wcsicmp(cls, std::wstring(name).c_str()) == 0;
}

Pixels pixels(const RECT& rect)
{
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

bool visible(HWND hwnd)
{
    return IsWindow(hwnd) && IsWindowVisible(hwnd);
}

void post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PostMessageW(hwnd, message, wParam, lParam);
    handlePendingMessages();
}

void pressOn(HWND hwnd, Key key)
{
    constexpr UINT codes[] = {VK_TAB, VK_RETURN, VK_SPACE, VK_ESCAPE, VK_BACK};
    const UINT code = codes[static_cast<int>(key)];
    PostMessageW(hwnd, WM_KEYDOWN, code, 1);
    post(hwnd, WM_KEYUP, code, static_cast<LPARAM>(0xC0000001));
}

// A 32-bit top-down picture that `paint` draws on a memory DC.
Image draw(int width, int height, const std::function<void(HDC)>& paint)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    paint(dc);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    Image image{width, height, std::vector<std::uint32_t>(first, first + width * height)};
    for (std::uint32_t& pixel : image.pixels)
        pixel &= 0xffffff;
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return image;
}

int iconWidth(HICON icon)
{
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP image{};
    GetObjectW(info.hbmColor, sizeof(image), &image);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return image.bmWidth;
}

// Timer procedures get no context: the actions waiting are the process's,
// and go with the renderer that set them.
std::map<UINT_PTR, std::function<void()>>& laterActions()
{
    static std::map<UINT_PTR, std::function<void()>> pending;
    return pending;
}

void CALLBACK fireLater(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    const auto it = laterActions().find(id);
    if (it == laterActions().end())
        return;
    const std::function<void()> action = std::move(it->second);
    laterActions().erase(it);
    action();
}

class Win32RendererUnderTest : public RendererUnderTest {
public:
    ~Win32RendererUnderTest() override
    {
        for (const auto& [id, action] : laterActions())
            KillTimer(nullptr, id);
        laterActions().clear();
    }

    void later(int milliseconds, std::function<void()> action) override
    {
        const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), &fireLater);
        ASSERT_NE(id, 0u);
        laterActions()[id] = std::move(action);
    }
    bool waitFor(const std::function<bool()>& condition, int milliseconds) override
    {
        const DWORD start = GetTickCount();
        // A steady tick, so the wait also ends when nothing else happens.
        const UINT_PTR wake = SetTimer(nullptr, 0, 10, nullptr);
        runMessageLoop([&] { return !condition() && GetTickCount() - start < static_cast<DWORD>(milliseconds); });
        KillTimer(nullptr, wake);
        return condition();
    }
    void settle() override { handlePendingMessages(); }

    double dpi() override { return screenDotsPerInch(); }
    // The Windows 3 raster face is asked for as its scalable successor.
    std::string faceShownFor(std::string_view face) override
    {
        return face == "MS Sans Serif" ? "Microsoft Sans Serif" : std::string(face);
    }
    std::vector<int> programIconSizes() override
    {
        return {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CXICON)};
    }
    bool boxesWaitForTheLoop() override { return true; }
    std::string noPartIn(Part part) override
    {
        if (part == Part::IconPictures)
            return "the Win32 renderer takes its icon from the executable's resources only";
        if (part == Part::EarlyWakeUps)
            return "SetTimer ticks come on time after long waits: no early wake-up";
        return {};
    }

    Pixels workArea() override
    {
        RECT area{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        return pixels(area);
    }
    bool showing(Window::Handle window) override { return visible(reinterpret_cast<HWND>(window)); }
    bool exists(Window::Handle window) override { return IsWindow(reinterpret_cast<HWND>(window)); }

    WindowSeen seen(const Window& window) override
    {
        const HWND hwnd = top(window);
        RECT client{};
        GetClientRect(hwnd, &client);
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        WindowSeen seen{narrow(windowText(hwnd)),
                        pixels(client),
                        pixels(frame),
                        styled(hwnd, WS_MINIMIZEBOX),
                        styled(hwnd, WS_MAXIMIZEBOX),
                        styled(hwnd, WS_SYSMENU),
                        styled(hwnd, WS_THICKFRAME),
                        reinterpret_cast<Window::Handle>(GetWindow(hwnd, GW_OWNER)),
                        IsWindowEnabled(hwnd) != FALSE,
                        GetActiveWindow() == hwnd,
                        "(none)",
                        {}};
        for (const auto& control : window.controls())
            if (GetFocus() != nullptr && GetFocus() == find(window, control->name()))
                seen.focused = control->name();
        for (const WPARAM which : {ICON_SMALL, ICON_BIG})
            if (const int width = iconWidth(iconOf(window, which)))
                seen.iconSizes.push_back(width);
        return seen;
    }

    ControlSeen seen(const Window& window, std::string_view name) override
    {
        const HWND hwnd = find(window, name);
        if (hwnd == nullptr)
            return {};
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        MapWindowPoints(nullptr, top(window), reinterpret_cast<POINT*>(&rect), 2);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(font), &font);
        // The style bit: a control counts as shown while its window is still hidden.
        ControlSeen seen{true,
                         pixels(rect),
                         styled(hwnd, WS_VISIBLE),
                         IsWindowEnabled(hwnd) != FALSE,
                         ofClass(hwnd, L"Edit") && styled(hwnd, ES_READONLY),
                         styled(hwnd, WS_VSCROLL),
                         narrow(windowText(hwnd)),
                         CheckBox::Unchecked,
                         narrow(font.lfFaceName),
                         static_cast<int>(-font.lfHeight),
                         font.lfWeight >= FW_BOLD};
        for (std::size_t at = seen.text.find("\r\n"); at != std::string::npos; at = seen.text.find("\r\n", at))
            seen.text.erase(at, 1);
        const LRESULT check = ofClass(hwnd, L"Button") ? SendMessageW(hwnd, BM_GETCHECK, 0, 0) : BST_UNCHECKED;
        seen.checkState = check == BST_CHECKED         ? CheckBox::Checked
                          : check == BST_INDETERMINATE ? CheckBox::Grayed
                                                       : CheckBox::Unchecked;
        return seen;
    }

    Image picture(const Window& window, std::string_view name) override
    {
        const HWND hwnd = control(window, name);
        RECT client{};
        GetClientRect(hwnd, &client);
        return draw(client.right, client.bottom, [hwnd](HDC dc) {
            SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        });
    }
    Image icon(const Window& window, int size) override
    {
        const HICON icon = iconOf(window, size == GetSystemMetrics(SM_CXSMICON) ? ICON_SMALL : ICON_BIG);
        return draw(size, size, [&](HDC dc) { DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL); });
    }

    void activate(Window& window) override
    {
        SetActiveWindow(top(window));
        handlePendingMessages();
    }
    void moveTo(Window& window, int x, int y) override
    {
        SetWindowPos(top(window), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The title bar's close button.
    void closeByUser(Window& window) override { post(top(window), WM_CLOSE, 0, 0); }
    void click(Window& window, std::string_view name) override { SendMessageW(control(window, name), BM_CLICK, 0, 0); }
    void doubleClick(Window& window, std::string_view name) override
    {
        post(control(window, name), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    }
    void press(Window&, Key key) override { pressOn(GetFocus(), key); }
    void press(Window& window, std::string_view name, Key key) override
    {
        SetFocus(control(window, name));
        pressOn(control(window, name), key);
    }
    void type(Window& window, std::string_view name, std::string_view text) override
    {
        for (const wchar_t c : widen(text))
            PostMessageW(control(window, name), WM_CHAR, c, 1);
        handlePendingMessages();
    }
    // The control counts a line end as its two characters.
    void placeCaret(Window& window, std::string_view name, int characters) override
    {
        const std::wstring shown = windowText(control(window, name));
        std::size_t at = 0;
        for (int counted = 0; counted < characters && at < shown.size(); ++counted)
            at += shown.compare(at, 2, L"\r\n") == 0 ? 2 : 1;
        SendMessageW(control(window, name), EM_SETSEL, at, static_cast<LPARAM>(at));
    }
    void putText(Window& window, std::string_view name, std::string_view text) override
    {
        SetWindowTextW(control(window, name), widen(text).c_str());
    }
    // Logging off or shutting down.
    void endSession(Window& main) override { SendMessageW(top(main), WM_ENDSESSION, TRUE, 0); }

    std::vector<MessageBoxSeen> messageBoxes() override
    {
        std::vector<HWND> found;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM boxes) {
                if (IsWindowVisible(hwnd) && ofClass(hwnd, L"#32770"))
                    reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(hwnd);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        std::vector<MessageBoxSeen> boxes;
        for (const HWND box : found) {
            MessageBoxSeen& seen =
                boxes.emplace_back(MessageBoxSeen{reinterpret_cast<std::uintptr_t>(box),
                                                  narrow(windowText(box)),
                                                  {},
                                                  reinterpret_cast<Window::Handle>(GetWindow(box, GW_OWNER)),
                                                  false,
                                                  (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0});
            for (HWND item = GetWindow(box, GW_CHILD); item != nullptr; item = GetWindow(item, GW_HWNDNEXT))
                if (ofClass(item, L"Static") && (GetWindowLongW(item, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    seen.errorIcon = reinterpret_cast<HICON>(SendMessageW(item, STM_GETICON, 0, 0)) ==
                                     LoadIconW(nullptr, MAKEINTRESOURCEW(32513)); // IDI_ERROR
                else if (ofClass(item, L"Static") && !narrow(windowText(item)).empty())
                    seen.text = narrow(windowText(item));
        }
        return boxes;
    }
    void dismiss(const MessageBoxSeen& box) override
    {
        SendMessageW(reinterpret_cast<HWND>(box.id), WM_COMMAND, IDOK, 0);
    }
    void makeTopmost(RendererErrorReport&, const Window& window) override
    {
        SetWindowPos(top(window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    void useProgramIcon() override { display.setIcon(1); }
    // No such resource: the system's default.
    void useMissingIcon() override { display.setIcon(99); }
    bool useIcon(const Image&) override { return false; }
    std::optional<int> msUntilWake(const Timer&) override { return std::nullopt; }

private:
    static HICON iconOf(const Window& window, WPARAM which)
    {
        return reinterpret_cast<HICON>(SendMessageW(top(window), WM_GETICON, which, 0));
    }
};

} // namespace

HWND control(const Window& window, std::string_view name)
{
    const HWND hwnd = find(window, name);
    if (hwnd == nullptr)
        throw std::invalid_argument("no such control: " + std::string(name));
    return hwnd;
}

std::unique_ptr<RendererUnderTest> makeRendererUnderTest()
{
    return std::make_unique<Win32RendererUnderTest>();
}

} // namespace davev::test
