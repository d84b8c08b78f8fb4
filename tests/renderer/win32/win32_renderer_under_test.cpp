// The Win32 renderer under test, in-process under Wine: input goes to the
// controls as the messages the keyboard and mouse would bring, since Wine's
// windows are out of reach of the accessibility bus.
#include <algorithm>
#include <map>
#include <stdexcept>
#include <windows.h>

#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_form.h"
#include "platform/win32/win32_window_scale.h"
#include "renderer_under_test.h"

namespace davev::test {

// Timer procedures get no context: the actions waiting are the process's,
// and go with the renderer that set them.
struct RendererUnderTest::Parts {
    static std::map<UINT_PTR, std::function<void()>>& actions()
    {
        static std::map<UINT_PTR, std::function<void()>> pending;
        return pending;
    }

    static void CALLBACK fire(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        const auto it = actions().find(id);
        if (it == actions().end())
            return;
        const std::function<void()> action = std::move(it->second);
        actions().erase(it);
        action();
    }

    ~Parts()
    {
        for (const auto& [id, action] : actions())
            KillTimer(nullptr, id);
        actions().clear();
    }
};

namespace {

HWND hwndOf(Window::Handle handle)
{
    return reinterpret_cast<HWND>(handle);
}

HWND top(const Window& window)
{
    return hwndOf(window.handle());
}

HWND find(const Window& window, std::string_view name)
{
    const auto& controls = window.controls();
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i]->name() == name)
            return GetDlgItem(top(window), FirstControlId + static_cast<int>(i));
    return nullptr;
}

HWND control(const Window& window, std::string_view name)
{
    const HWND hwnd = find(window, name);
    if (hwnd == nullptr)
        throw std::invalid_argument("no such control: " + std::string(name));
    return hwnd;
}

bool styled(HWND hwnd, LONG style)
{
    return (GetWindowLongW(hwnd, GWL_STYLE) & style) == style;
}

std::string textOf(HWND hwnd)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return narrow(text);
}

Pixels pixels(const RECT& rect)
{
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

UINT virtualKey(Key key)
{
    switch (key) {
    case Key::Tab:
        return VK_TAB;
    case Key::Return:
        return VK_RETURN;
    case Key::Space:
        return VK_SPACE;
    case Key::Escape:
        return VK_ESCAPE;
    case Key::Backspace:
        return VK_BACK;
    }
    return 0;
}

void post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PostMessageW(hwnd, message, wParam, lParam);
    handlePendingMessages();
}

void pressOn(HWND hwnd, Key key)
{
    PostMessageW(hwnd, WM_KEYDOWN, virtualKey(key), 1);
    post(hwnd, WM_KEYUP, virtualKey(key), static_cast<LPARAM>(0xC0000001));
}

// A 32-bit top-down picture that `draw` paints on a memory DC.
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
    Image image{width, height, {}};
    const auto* row = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i)
        image.pixels.push_back(row[i] & 0xffffff);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return image;
}

HICON iconOf(const Window& window, WPARAM which)
{
    return reinterpret_cast<HICON>(SendMessageW(top(window), WM_GETICON, which, 0));
}

} // namespace

RendererUnderTest::RendererUnderTest() : parts_(std::make_unique<Parts>()) {}

RendererUnderTest::~RendererUnderTest() = default;

void RendererUnderTest::later(int milliseconds, std::function<void()> action)
{
    const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), &Parts::fire);
    ASSERT_NE(id, 0u);
    Parts::actions()[id] = std::move(action);
}

bool RendererUnderTest::waitFor(const std::function<bool()>& condition, int milliseconds)
{
    const DWORD start = GetTickCount();
    // A steady tick, so the wait also ends when nothing else happens.
    const UINT_PTR wake = SetTimer(nullptr, 0, 10, nullptr);
    runMessageLoop([&] { return !condition() && GetTickCount() - start < static_cast<DWORD>(milliseconds); });
    KillTimer(nullptr, wake);
    return condition();
}

void RendererUnderTest::settle()
{
    handlePendingMessages();
}

double RendererUnderTest::dpi()
{
    return PixelScale::ofScreen().dotsPerInch();
}

// The Windows 3 raster face is asked for as its scalable successor.
std::string RendererUnderTest::faceShownFor(std::string_view layoutFace)
{
    return layoutFace == "MS Sans Serif" ? "Microsoft Sans Serif" : std::string(layoutFace);
}

std::vector<int> RendererUnderTest::programIconSizes()
{
    return {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CXICON)};
}

bool RendererUnderTest::boxesWaitForTheLoop()
{
    return true;
}

std::string RendererUnderTest::noPartIn(Part part)
{
    switch (part) {
    case Part::IconPictures:
        return "the Win32 renderer takes its icon from the executable's resources only";
    case Part::EarlyWakeUps:
        return "SetTimer ticks come on time after long waits: no early wake-up";
    case Part::ActivationByZOrder:
        break;
    }
    return {};
}

bool RendererUnderTest::showing(Window::Handle window)
{
    return IsWindow(hwndOf(window)) && IsWindowVisible(hwndOf(window));
}

bool RendererUnderTest::exists(Window::Handle window)
{
    return IsWindow(hwndOf(window));
}

std::string RendererUnderTest::title(const Window& window)
{
    return textOf(top(window));
}

Pixels RendererUnderTest::clientArea(const Window& window)
{
    RECT client{};
    GetClientRect(top(window), &client);
    return pixels(client);
}

Pixels RendererUnderTest::frame(const Window& window)
{
    RECT frame{};
    GetWindowRect(top(window), &frame);
    return pixels(frame);
}

FrameLook RendererUnderTest::frameLook(const Window& window)
{
    const HWND hwnd = top(window);
    return {styled(hwnd, WS_MINIMIZEBOX), styled(hwnd, WS_MAXIMIZEBOX), styled(hwnd, WS_SYSMENU),
            styled(hwnd, WS_THICKFRAME)};
}

bool RendererUnderTest::ownedBy(const Window& window, const Window& owner)
{
    return GetWindow(top(window), GW_OWNER) == top(owner);
}

bool RendererUnderTest::reachable(const Window& window)
{
    return IsWindowEnabled(top(window));
}

bool RendererUnderTest::active(const Window& window)
{
    return GetActiveWindow() == top(window);
}

std::vector<int> RendererUnderTest::iconSizes(const Window& window)
{
    std::vector<int> sizes;
    for (const WPARAM which : {ICON_SMALL, ICON_BIG}) {
        ICONINFO info{};
        const HICON icon = iconOf(window, which);
        if (icon == nullptr || !GetIconInfo(icon, &info))
            continue;
        BITMAP image{};
        GetObjectW(info.hbmColor, sizeof(image), &image);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        sizes.push_back(image.bmWidth);
    }
    return sizes;
}

Image RendererUnderTest::icon(const Window& window, int size)
{
    const HICON icon = iconOf(window, size == GetSystemMetrics(SM_CXSMICON) ? ICON_SMALL : ICON_BIG);
    return draw(size, size, [&](HDC dc) { DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL); });
}

bool RendererUnderTest::hasControl(const Window& window, std::string_view name)
{
    return find(window, name) != nullptr;
}

Pixels RendererUnderTest::geometry(const Window& window, std::string_view name)
{
    RECT rect{};
    GetWindowRect(control(window, name), &rect);
    MapWindowPoints(nullptr, top(window), reinterpret_cast<POINT*>(&rect), 2);
    return pixels(rect);
}

// The style bit: a control counts as shown while its window is still hidden.
bool RendererUnderTest::shown(const Window& window, std::string_view name)
{
    return styled(control(window, name), WS_VISIBLE);
}

bool RendererUnderTest::enabled(const Window& window, std::string_view name)
{
    return IsWindowEnabled(control(window, name));
}

bool RendererUnderTest::readOnly(const Window& window, std::string_view name)
{
    return styled(control(window, name), ES_READONLY);
}

bool RendererUnderTest::verticalScrollBar(const Window& window, std::string_view name)
{
    return styled(control(window, name), WS_VSCROLL);
}

std::string RendererUnderTest::text(const Window& window, std::string_view name)
{
    std::string text = textOf(control(window, name));
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 1))
        text.erase(at, 1);
    return text;
}

int RendererUnderTest::checkState(const Window& window, std::string_view name)
{
    switch (SendMessageW(control(window, name), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
        return CheckBox::Checked;
    case BST_INDETERMINATE:
        return CheckBox::Grayed;
    default:
        return CheckBox::Unchecked;
    }
}

FontLook RendererUnderTest::font(const Window& window, std::string_view name)
{
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(control(window, name), WM_GETFONT, 0, 0));
    GetObjectW(handle, sizeof(font), &font);
    return {narrow(font.lfFaceName), static_cast<int>(-font.lfHeight), font.lfWeight >= FW_BOLD};
}

// As the control paints itself.
Image RendererUnderTest::picture(const Window& window, std::string_view name)
{
    const HWND hwnd = control(window, name);
    RECT client{};
    GetClientRect(hwnd, &client);
    return draw(client.right, client.bottom, [hwnd](HDC dc) {
        SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    });
}

std::string RendererUnderTest::focused(const Window& window)
{
    const HWND focus = GetFocus();
    for (const auto& control : window.controls())
        if (focus != nullptr && focus == find(window, control->name()))
            return control->name();
    return "(none)";
}

void RendererUnderTest::activate(Window& window)
{
    SetActiveWindow(top(window));
    handlePendingMessages();
}

void RendererUnderTest::moveTo(Window& window, int x, int y)
{
    SetWindowPos(top(window), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The title bar's close button.
void RendererUnderTest::closeByUser(Window& window)
{
    post(top(window), WM_CLOSE, 0, 0);
}

void RendererUnderTest::click(Window& window, std::string_view name)
{
    SendMessageW(control(window, name), BM_CLICK, 0, 0);
}

void RendererUnderTest::doubleClick(Window& window, std::string_view name)
{
    post(control(window, name), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
}

void RendererUnderTest::press(Window&, Key key)
{
    pressOn(GetFocus(), key);
}

void RendererUnderTest::press(Window& window, std::string_view name, Key key)
{
    const HWND hwnd = control(window, name);
    SetFocus(hwnd);
    pressOn(hwnd, key);
}

void RendererUnderTest::type(Window& window, std::string_view name, std::string_view text)
{
    const HWND hwnd = control(window, name);
    for (const wchar_t c : widen(text))
        PostMessageW(hwnd, WM_CHAR, c, 1);
    handlePendingMessages();
}

// The control counts a line end as its two characters.
void RendererUnderTest::placeCaret(Window& window, std::string_view name, int characters)
{
    const HWND hwnd = control(window, name);
    const std::wstring shown = widen(textOf(hwnd));
    int at = 0;
    for (int counted = 0; counted < characters && at < static_cast<int>(shown.size()); ++counted)
        at += shown.compare(static_cast<std::size_t>(at), 2, L"\r\n") == 0 ? 2 : 1;
    SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(at), at);
}

void RendererUnderTest::putText(Window& window, std::string_view name, std::string_view text)
{
    SetWindowTextW(control(window, name), widen(text).c_str());
}

// Logging off or shutting down.
void RendererUnderTest::endSession(Window& main)
{
    SendMessageW(top(main), WM_ENDSESSION, TRUE, 0);
}

std::vector<MessageBoxSeen> RendererUnderTest::messageBoxes()
{
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM boxes) {
            wchar_t cls[16] = {};
            if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 16) > 0 && std::wstring_view(cls) == L"#32770")
                reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    std::vector<MessageBoxSeen> boxes;
    for (const HWND box : found) {
        MessageBoxSeen seen{reinterpret_cast<std::uintptr_t>(box),
                            textOf(box),
                            {},
                            reinterpret_cast<Window::Handle>(GetWindow(box, GW_OWNER))};
        seen.aboveOthers = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        for (HWND item = GetWindow(box, GW_CHILD); item != nullptr; item = GetWindow(item, GW_HWNDNEXT)) {
            wchar_t cls[16] = {};
            if (GetClassNameW(item, cls, 16) == 0 || _wcsicmp(cls, L"Static") != 0)
                continue;
            if ((GetWindowLongW(item, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                seen.errorIcon = reinterpret_cast<HICON>(SendMessageW(item, STM_GETICON, 0, 0)) ==
                                 LoadIconW(nullptr, MAKEINTRESOURCEW(32513)); // IDI_ERROR
            else if (!textOf(item).empty())
                seen.text = textOf(item);
        }
        boxes.push_back(seen);
    }
    return boxes;
}

void RendererUnderTest::dismiss(const MessageBoxSeen& box)
{
    SendMessageW(reinterpret_cast<HWND>(box.id), WM_COMMAND, IDOK, 0);
}

void RendererUnderTest::makeTopmost(RendererErrorReport&, const Window& window)
{
    SetWindowPos(top(window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void RendererUnderTest::useProgramIcon()
{
    display.setIcon(1);
}

// No such resource: the system's default.
void RendererUnderTest::useMissingIcon()
{
    display.setIcon(99);
}

bool RendererUnderTest::useIcon(const Image&)
{
    return false;
}

std::optional<int> RendererUnderTest::msUntilWake(const Timer&)
{
    return std::nullopt;
}

} // namespace davev::test
