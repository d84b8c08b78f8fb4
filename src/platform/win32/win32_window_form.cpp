#include "platform/win32/win32_window_form.h"

#include <algorithm>

#include "platform/win32/win32_text.h"

namespace davev {
namespace {

bool takesFocus(HWND control)
{
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    return (style & WS_TABSTOP) != 0 && (style & WS_VISIBLE) != 0 && IsWindowEnabled(control);
}

constexpr UINT ActivateOwnedMessage = WM_APP + 1;

// A visible, enabled form owned by `owner`: the modal window open over it.
HWND enabledOwnedWindow(HWND owner)
{
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM context) {
            auto& s = *reinterpret_cast<Search*>(context);
            if (GetWindow(hwnd, GW_OWNER) != s.owner || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd))
                return TRUE;
            s.found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

PlatformError lastError()
{
    const DWORD code = GetLastError();
    return PlatformError(static_cast<int>(code), systemErrorText(code));
}

} // namespace

Form::Form(Window& window, const Shared& shared, FormEvents& events, HWND owner, Icons icons)
    : window_(&window), scale_(shared.scale), fonts_(shared.fonts), annotations_(shared.annotations), events_(events)
{
    static const ATOM formClass = [] {
        WNDCLASSEXW cls{};
        cls.cbSize = sizeof(cls);
        cls.lpfnWndProc = &Form::windowProc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW, whatever UNICODE says
        cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        cls.lpszClassName = FormClassName;
        return RegisterClassExW(&cls);
    }();
    if (formClass == 0)
        throw lastError();

    // A fixed single-line frame: no sizing border and no maximize button.
    style_ = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (window.design().minimizeButton)
        style_ |= WS_MINIMIZEBOX;
    // Made where the model puts it: every later move is another round of
    // messages and, under Wine, of requests to its server.
    const std::wstring caption = widen(window.caption());
    const RECT place = placement();
    if (CreateWindowExW(0, FormClassName, caption.c_str(), style_, place.left, place.top, place.right - place.left,
                        place.bottom - place.top, owner, nullptr, GetModuleHandleW(nullptr), this) == nullptr)
        throw lastError();
    try {
        setIcons(icons);
        build();
    } catch (...) {
        release();
        throw;
    }
}

Form::~Form()
{
    release();
}

void Form::release()
{
    // The model may be gone already: nothing here touches it.
    *attached_ = false;
    window_ = nullptr;
    for (auto& view : views_)
        view->detach();
    destroyWindow();
}

void Form::build()
{
    // Child windows are created in tab order: the dialog navigation that
    // Tab drives follows their z-order. A field's caption goes just before
    // the field, where screen readers look for its name.
    std::vector<std::pair<Control*, int>> byTab;
    int id = FirstControlId;
    for (const auto& control : window_->controls())
        byTab.emplace_back(control.get(), id++);
    std::stable_sort(byTab.begin(), byTab.end(), [](const auto& a, const auto& b) {
        return a.first->design().tabIndex < b.first->design().tabIndex;
    });
    std::vector<std::pair<Control*, int>> ordered;
    const auto place = [&ordered](const std::pair<Control*, int>& entry) {
        if (std::find(ordered.begin(), ordered.end(), entry) == ordered.end())
            ordered.push_back(entry);
    };
    for (const auto& entry : byTab) {
        for (const auto& caption : byTab)
            if (caption.first->name() == entry.first->design().labelledBy &&
                caption.first->kind() == ControlKind::Label)
                place(caption);
        place(entry);
    }
    for (auto& [control, controlId] : ordered) {
        if (control->kind() == ControlKind::Timer)
            continue;
        order_.push_back(controlId);
        control->setObserver([attached = attached_, this, control, controlId] {
            if (*attached)
                controlChanged(*control, controlId);
        });
        // A control the model holds hidden gets its window once shown, if
        // ever: every window costs its making and, under Wine, its painting.
        if (control->visible())
            addView(*control, controlId);
    }
    window_->setObserver([attached = attached_, this] {
        if (*attached)
            applyWindow();
    });
    applyWindow();
    giveWayAll();
}

void Form::giveWayAll()
{
    for (const auto& view : views_)
        giveWay(*view);
}

// A caption goes before the field it names, above it in z-order, and
// overlaps it by a pixel: it leaves the overlap to the field's border, as
// it does to any control it overlaps.
void Form::giveWay(const ControlView& caption)
{
    const ControlSpec& design = caption.model()->design();
    if (caption.model()->kind() != ControlKind::Label || design.border)
        return;
    const auto placeOf = [this](const ControlSpec& spec) {
        const PixelRect r = scale_.toPixels(spec.left, spec.top, spec.width, spec.height);
        return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
    };
    const RECT own = placeOf(design);
    HRGN shown = CreateRectRgn(0, 0, own.right - own.left, own.bottom - own.top);
    bool cut = false;
    for (const auto& other : views_) {
        const RECT place = placeOf(other->model()->design());
        RECT overlap{};
        if (other.get() == &caption || !IntersectRect(&overlap, &own, &place))
            continue;
        // In the caption's own coordinates.
        OffsetRect(&overlap, -own.left, -own.top);
        HRGN away = CreateRectRgnIndirect(&overlap);
        CombineRgn(shown, shown, away, RGN_DIFF);
        DeleteObject(away);
        cut = true;
    }
    // The window owns the region from here on.
    if (!cut || SetWindowRgn(caption.hwnd(), shown, FALSE) == 0)
        DeleteObject(shown);
}

void Form::controlChanged(Control& control, int id)
{
    if (const auto it = byId_.find(id); it != byId_.end()) {
        it->second->sync();
    } else if (control.visible()) {
        addView(control, id);
        // A caption shown late, or a control shown under one.
        giveWayAll();
    }
}

void Form::addView(Control& control, int id)
{
    std::unique_ptr<ControlView> view =
        createControlView(control, hwnd_, id, scale_, fonts_.get(control.design().font));
    // Made last, it would be last in z-order: it goes after the window made
    // before it in creation order, or first.
    HWND after = HWND_TOP;
    for (auto it = std::find(order_.begin(), order_.end(), id); it != order_.begin();)
        if (const auto made = byId_.find(*--it); made != byId_.end()) {
            after = made->second->hwnd();
            break;
        }
    if (GetWindow(view->hwnd(), GW_HWNDPREV) != (after == HWND_TOP ? nullptr : after))
        SetWindowPos(view->hwnd(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    byId_[id] = view.get();
    if (shown_)
        annotate(*view);
    views_.push_back(std::move(view));
}

void Form::applyWindow()
{
    if (window_ == nullptr || hwnd_ == nullptr)
        return;
    const std::wstring caption = widen(window_->caption());
    if (windowText(hwnd_) != caption)
        SetWindowTextW(hwnd_, caption.c_str());

    const RECT place = placement();
    RECT now{};
    GetWindowRect(hwnd_, &now);
    if (!EqualRect(&now, &place))
        SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT Form::placement() const
{
    // The model holds the outer size; the design frame around the client
    // area is taken off, whatever frame the system draws.
    const WindowSpec& design = window_->design();
    const double clientWidth = double{window_->width()} - design.frameLeft - design.frameRight;
    const double clientHeight = double{window_->height()} - design.frameTop - design.frameBottom;
    RECT outer{0, 0, std::max(1, scale_.toPixels(clientWidth)), std::max(1, scale_.toPixels(clientHeight))};
    AdjustWindowRectEx(&outer, style_, FALSE, 0);
    OffsetRect(&outer, scale_.toPixels(window_->left()) - outer.left, scale_.toPixels(window_->top()) - outer.top);
    return outer;
}

void Form::moved()
{
    if (window_ == nullptr || !IsWindowVisible(hwnd_) || IsIconic(hwnd_))
        return;
    RECT now{};
    GetWindowRect(hwnd_, &now);
    // Our own move to the model's position: the model keeps its exact twips.
    if (now.left == scale_.toPixels(window_->left()) && now.top == scale_.toPixels(window_->top()))
        return;
    window_->placedBy(scale_.toTwips(now.left), scale_.toTwips(now.top));
}

void Form::show()
{
    if (window_ != nullptr)
        window_->setHandle(reinterpret_cast<Window::Handle>(hwnd_));
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    focusFirst();
    // Once on screen: what it costs to load waits until the window is seen.
    shown_ = true;
    for (const auto& view : views_)
        annotate(*view);
}

void Form::annotate(const ControlView& view)
{
    const Control* control = view.model();
    if (control == nullptr)
        return;
    const ControlSpec& design = control->design();
    if (design.statusLine)
        annotations_.liveRegion(view.hwnd());
    // A caption label names its field by going before it; anything else is said.
    for (const auto& label : window_->controls())
        if (label->name() == design.labelledBy && label->kind() != ControlKind::Label)
            annotations_.name(view.hwnd(), widen(shownText(*label)));
}

void Form::destroyWindow()
{
    for (const auto& view : views_)
        annotations_.forget(view->hwnd());
    if (hwnd_ != nullptr)
        DestroyWindow(hwnd_);
}

void Form::setIcons(Icons icons)
{
    // No icon (none loaded) gives the system's default.
    if (hwnd_ == nullptr)
        return;
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.big));
}

void Form::focusFirst()
{
    // The first control in z-order, which is tab order, that can take it.
    if (const HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE); first != nullptr && takesFocus(first))
        SetFocus(first);
}

void Form::detach()
{
    *attached_ = false;
    window_ = nullptr;
    for (auto& view : views_)
        view->detach();
}

ControlView* Form::viewOf(HWND child) const
{
    const auto it = byId_.find(GetDlgCtrlID(child));
    return it != byId_.end() && it->second->hwnd() == child ? it->second : nullptr;
}

LRESULT CALLBACK Form::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Form* form = nullptr;
    if (message == WM_NCCREATE) {
        form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    } else {
        form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (form == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // Also when the system destroys the window along with its owner.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    ++form->busy_;
    const LRESULT result = form->handle(hwnd, message, wParam, lParam);
    --form->busy_;
    return result;
}

LRESULT Form::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // IDOK and IDCANCEL from the dialog navigation come without a control
        // and mean nothing here: Enter and Escape reach only the focused control.
        if (lParam != 0)
            if (ControlView* view = viewOf(reinterpret_cast<HWND>(lParam)))
                view->notified(HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        if (ControlView* view = viewOf(reinterpret_cast<HWND>(lParam)))
            if (HBRUSH brush = view->colours(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (ControlView* view = viewOf(item.hwndItem))
            return view->draw(item) ? TRUE : FALSE;
        break;
    }
    case WM_CLOSE:
        // Never destroyed by the default handling: the display closes the
        // model window, which runs its unload handler first.
        if (window_ != nullptr)
            events_.closeRequested(*window_, true);
        return 0;
    case WM_ENDSESSION:
        // The user logs off or shuts down: closed the normal way, so its
        // unload handler still stores what it stores, but nobody is left to
        // read a box.
        if (wParam != FALSE && window_ != nullptr)
            events_.closeRequested(*window_, false);
        return 0;
    case WM_MOVE:
        moved();
        return 0;
    case ActivateOwnedMessage: {
        const auto modal = reinterpret_cast<HWND>(wParam);
        if (IsWindow(modal) && GetWindow(modal, GW_OWNER) == hwnd && GetActiveWindow() == hwnd)
            SetForegroundWindow(modal);
        return 0;
    }
    case WM_NEXTDLGCTL:
        // Sent by a multi-line edit for Tab, as if this were a dialog box.
        if (LOWORD(lParam) != 0)
            SetFocus(reinterpret_cast<HWND>(wParam));
        else if (const HWND next = GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0 ? TRUE : FALSE))
            SetFocus(next);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus != nullptr && IsChild(hwnd, focus))
                lastFocus_ = focus;
            return 0;
        }
        // Activated while a modal window has it disabled (a z-order change
        // without SWP_NOACTIVATE does that): the modal window takes over, so
        // the keyboard keeps reaching it. Not from inside the activation itself.
        if (!IsWindowEnabled(hwnd)) {
            if (const HWND modal = enabledOwnedWindow(hwnd))
                PostMessageW(hwnd, ActivateOwnedMessage, reinterpret_cast<WPARAM>(modal), 0);
            return 0;
        }
        [[fallthrough]];
    case WM_SETFOCUS:
        if (lastFocus_ != nullptr && IsChild(hwnd, lastFocus_) && takesFocus(lastFocus_))
            SetFocus(lastFocus_);
        else
            focusFirst();
        return 0;
    default:
        break;
    }
    // `hwnd`, not hwnd_: a handler may have destroyed the window meanwhile.
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace davev
