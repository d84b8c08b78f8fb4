#include "platform/win32/win32_controls.h"

#include <commctrl.h>
#include <string>

#include "platform/win32/win32_accessibility.h"
#include "platform/win32/win32_text.h"

namespace davev {
namespace {

COLORREF colourRef(const Colour& colour)
{
    return RGB(colour.red, colour.green, colour.blue);
}

// A bordered label is drawn here: its frame line in the text colour (as the
// display style shows it), its caption one line centred inside the frame.
class LabelView : public ControlView {
public:
    LabelView(Label& model, HWND hwnd) : ControlView(model, hwnd), label_(model)
    {
        const ControlSpec& design = model.design();
        foreground_ = design.hasColours ? colourRef(design.foreground) : GetSysColor(COLOR_BTNTEXT);
        if (design.hasColours)
            brush_ = CreateSolidBrush(colourRef(design.background));
    }
    ~LabelView() override
    {
        if (brush_ != nullptr)
            DeleteObject(brush_);
    }

    void sync() override
    {
        if (model_ == nullptr)
            return;
        if (syncCaption(label_.caption())) {
            if (label_.design().border)
                InvalidateRect(hwnd_, nullptr, TRUE);
            if (label_.design().statusLine)
                AccessibleAnnotations::announceChange(hwnd_);
        }
        syncVisible(label_.visible());
    }

    void notified(int code) override
    {
        if (code == STN_DBLCLK && model_ != nullptr)
            label_.userDblClick();
    }

    HBRUSH colours(HDC dc) override
    {
        if (brush_ == nullptr)
            return nullptr;
        SetTextColor(dc, foreground_);
        SetBkColor(dc, colourRef(label_.design().background));
        return brush_;
    }

    bool draw(const DRAWITEMSTRUCT& item) override
    {
        RECT rect = item.rcItem;
        FillRect(item.hDC, &rect, brush_ != nullptr ? brush_ : GetSysColorBrush(COLOR_BTNFACE));
        HBRUSH frame = CreateSolidBrush(foreground_);
        FrameRect(item.hDC, &rect, frame);
        DeleteObject(frame);
        InflateRect(&rect, -1, -1);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
        const HGDIOBJ previous = SelectObject(item.hDC, font);
        SetTextColor(item.hDC, foreground_);
        SetBkMode(item.hDC, TRANSPARENT);
        const std::wstring text = windowText(hwnd_);
        const UINT align = label_.design().centred ? DT_CENTER : DT_LEFT;
        DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &rect,
                  align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(item.hDC, previous);
        return true;
    }

private:
    Label& label_;
    COLORREF foreground_;
    HBRUSH brush_ = nullptr;
};

class ButtonView : public ControlView {
public:
    ButtonView(Button& model, HWND hwnd) : ControlView(model, hwnd), button_(model) {}

    void sync() override
    {
        if (model_ == nullptr)
            return;
        syncCaption(button_.caption());
        syncEnabled(button_.enabled());
        syncVisible(button_.visible());
    }

    void notified(int code) override
    {
        if (code == BN_CLICKED && model_ != nullptr)
            button_.userClick();
    }

private:
    Button& button_;
};

// BS_3STATE, not BS_AUTO3STATE: the control never changes its own state; the
// model decides and the view follows.
class CheckBoxView : public ControlView {
public:
    CheckBoxView(CheckBox& model, HWND hwnd) : ControlView(model, hwnd), box_(model) {}

    void sync() override
    {
        if (model_ == nullptr)
            return;
        syncCaption(box_.caption());
        const int value = box_.value();
        const WPARAM state = value == CheckBox::Grayed    ? BST_INDETERMINATE
                             : value == CheckBox::Checked ? BST_CHECKED
                                                          : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageW(hwnd_, BM_GETCHECK, 0, 0)) != state)
            SendMessageW(hwnd_, BM_SETCHECK, state, 0);
        syncEnabled(box_.enabled());
        syncVisible(box_.visible());
    }

    void notified(int code) override
    {
        if (code != BN_CLICKED || model_ == nullptr)
            return;
        box_.userClick();
        // The click handler may have refused or chosen another value.
        sync();
    }

private:
    CheckBox& box_;
};

// Multi-line edit controls keep CR LF line ends, as the model does.
class EditView : public ControlView {
public:
    EditView(TextBox& model, HWND hwnd) : ControlView(model, hwnd), box_(model) {}

    void sync() override
    {
        if (model_ == nullptr)
            return;
        const std::wstring text = widen(box_.text());
        if (windowText(hwnd_) != text) {
            syncing_ = true;
            SetWindowTextW(hwnd_, text.c_str());
            syncing_ = false;
        }
        const bool readOnly = (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) != 0;
        if (readOnly != box_.locked())
            SendMessageW(hwnd_, EM_SETREADONLY, box_.locked() ? TRUE : FALSE, 0);
        syncVisible(box_.visible());
    }

    // Locked is not disabled: the box keeps the look of an editable one
    // instead of the grey that Windows gives read-only edit controls.
    HBRUSH colours(HDC dc) override
    {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return GetSysColorBrush(COLOR_WINDOW);
    }

    void notified(int code) override
    {
        if (code != EN_CHANGE || syncing_ || model_ == nullptr)
            return;
        box_.userEdit(narrow(windowText(hwnd_)));
        sync();
    }

private:
    TextBox& box_;
    bool syncing_ = false;
};

struct ChildClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ChildClass childClass(const Control& control)
{
    const ControlSpec& design = control.design();
    const DWORD tabStop = design.tabIndex >= 0 ? WS_TABSTOP : 0;
    switch (control.kind()) {
    case ControlKind::Label: {
        // A caption is one line, whatever the screen's resolution makes of its width.
        const DWORD type = design.border ? SS_OWNERDRAW : design.centred ? SS_CENTER : SS_LEFTNOWORDWRAP;
        return {WC_STATICW, SS_NOTIFY | SS_NOPREFIX | type, 0};
    }
    case ControlKind::Button:
        return {WC_BUTTONW, BS_PUSHBUTTON | tabStop, 0};
    case ControlKind::CheckBox:
        return {WC_BUTTONW, BS_3STATE | tabStop, 0};
    case ControlKind::TextBox: {
        DWORD style = tabStop | (design.locked ? ES_READONLY : 0);
        if (design.multiLine)
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | (design.verticalScrollBar ? WS_VSCROLL : 0);
        else
            style |= ES_AUTOHSCROLL;
        return {WC_EDITW, style, WS_EX_CLIENTEDGE};
    }
    case ControlKind::Timer:
        break;
    }
    return {nullptr, 0, 0};
}

} // namespace

std::string shownText(const Control& control)
{
    switch (control.kind()) {
    case ControlKind::Label:
        return static_cast<const Label&>(control).caption();
    case ControlKind::Button:
        return static_cast<const Button&>(control).caption();
    case ControlKind::CheckBox:
        return static_cast<const CheckBox&>(control).caption();
    case ControlKind::TextBox:
        return static_cast<const TextBox&>(control).text();
    case ControlKind::Timer:
        break;
    }
    return {};
}

namespace {

std::unique_ptr<ControlView> viewFor(Control& control, HWND hwnd)
{
    switch (control.kind()) {
    case ControlKind::Label:
        return std::make_unique<LabelView>(static_cast<Label&>(control), hwnd);
    case ControlKind::Button:
        return std::make_unique<ButtonView>(static_cast<Button&>(control), hwnd);
    case ControlKind::CheckBox:
        return std::make_unique<CheckBoxView>(static_cast<CheckBox&>(control), hwnd);
    case ControlKind::TextBox:
        return std::make_unique<EditView>(static_cast<TextBox&>(control), hwnd);
    case ControlKind::Timer:
        break;
    }
    return nullptr;
}

} // namespace

std::wstring windowText(HWND hwnd)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void ControlView::syncVisible(bool visible)
{
    // The style bit, not IsWindowVisible: a control counts as shown while its form is still hidden.
    if (((GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0) != visible)
        ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool ControlView::syncCaption(const std::string& caption)
{
    const std::wstring text = widen(caption);
    if (windowText(hwnd_) == text)
        return false;
    SetWindowTextW(hwnd_, text.c_str());
    return true;
}

void ControlView::syncEnabled(bool enabled)
{
    if ((IsWindowEnabled(hwnd_) != FALSE) != enabled)
        EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

std::unique_ptr<ControlView> createControlView(Control& control, HWND parent, int id, const TwipsScale& scale,
                                               HFONT font)
{
    const ChildClass cls = childClass(control);
    if (cls.name == nullptr)
        return nullptr;
    const ControlSpec& design = control.design();
    const PixelRect r = scale.toPixels(design.left, design.top, design.width, design.height);
    // Created as the model holds it, text and visibility included, so the
    // first sync has nothing left to change: every change costs a round trip
    // to the window server. The form itself is still hidden.
    const DWORD visible = control.visible() ? WS_VISIBLE : 0;
    // Siblings overlap by a pixel here and there: none paints over another above it.
    HWND hwnd = CreateWindowExW(cls.exStyle, cls.name, widen(shownText(control)).c_str(),
                                WS_CHILD | WS_CLIPSIBLINGS | visible | cls.style, r.x, r.y, r.width, r.height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd == nullptr)
        throw PlatformError(static_cast<int>(GetLastError()), systemErrorText(GetLastError()));
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    std::unique_ptr<ControlView> view = viewFor(control, hwnd);
    view->sync();
    return view;
}

LayoutFonts::~LayoutFonts()
{
    for (const auto& [design, font] : fonts_)
        DeleteObject(font);
}

HFONT LayoutFonts::get(const FontSpec& design)
{
    for (const auto& [made, font] : fonts_)
        if (made == design)
            return font;
    std::wstring face = widen(design.family);
    if (face == L"MS Sans Serif")
        face = L"Microsoft Sans Serif";
    LOGFONTW font{};
    font.lfHeight = -scale_.pointsToPixels(design.points);
    font.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfQuality = CLEARTYPE_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return fonts_.emplace_back(design, CreateFontIndirectW(&font)).second;
}

} // namespace davev
