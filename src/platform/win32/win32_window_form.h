#pragma once

#include <map>
#include <memory>
#include <utility>
#include <vector>
#include <windows.h>

#include "platform/controls.h"
#include "platform/win32/win32_accessibility.h"
#include "platform/win32/win32_controls.h"
#include "platform/twips_scale.h"

namespace davev {

// Told when the user (or the system, at log-off) asks to close a form.
class FormEvents {
public:
    virtual void closeRequested(Window& window, bool byUser) = 0;

protected:
    ~FormEvents() = default;
};

// The window class of every form, so the message loops can tell the
// program's windows from others.
inline constexpr const wchar_t* FormClassName = L"DA-VEV Form";
// A control's child window id: this plus the control's place in its layout.
inline constexpr int FirstControlId = 1000;

// One showing of a model window as a top-level window: the controls' child
// windows in tab order, the caption and geometry kept in step with the
// model, and the user's moves and close requests handed back to it.
class Form {
public:
    struct Icons {
        HICON small = nullptr;
        HICON big = nullptr;
    };

    // What every form of a display uses alike.
    struct Shared {
        const TwipsScale& scale;
        LayoutFonts& fonts;
        AccessibleAnnotations& annotations;
    };

    // `owner` (may be null) owns the new window: it stays above its owner.
    Form(Window& window, const Shared& shared, FormEvents& events, HWND owner, Icons icons);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The model window, or nullptr once detached.
    Window* model() const { return window_; }
    bool onScreen() const { return window_ != nullptr && hwnd_ != nullptr && IsWindowVisible(hwnd_); }
    // True while one of the form's messages is being handled further up the stack.
    bool busy() const { return busy_ > 0; }

    void show();
    void setIcons(Icons icons);
    // Gives the focus to the control with the lowest tab index that can take it.
    void focusFirst();
    // From here on the windows no longer read or write the model.
    void detach();
    // Takes the window and its controls off the screen for good; the form
    // itself lives on while one of its messages is still being handled.
    void destroyWindow();

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    void build();
    void controlChanged(Control& control, int id);
    void addView(Control& control, int id);
    void annotate(const ControlView& view);
    void giveWay(const ControlView& caption);
    void giveWayAll();
    // Destroys the windows; also when building fails half-way.
    void release();
    void applyWindow();
    // Where the model puts the window, outer frame included, on the screen.
    RECT placement() const;
    void moved();
    ControlView* viewOf(HWND child) const;

    Window* window_;
    TwipsScale scale_;
    LayoutFonts& fonts_;
    AccessibleAnnotations& annotations_;
    FormEvents& events_;
    HWND hwnd_ = nullptr;
    DWORD style_ = 0;
    int busy_ = 0;
    bool shown_ = false;
    HWND lastFocus_ = nullptr;
    std::vector<std::unique_ptr<ControlView>> views_;
    std::map<int, ControlView*> byId_;
    std::vector<int> order_; // control ids in creation order
    // Read by the model's observers, which may outlive the form.
    std::shared_ptr<bool> attached_ = std::make_shared<bool>(true);
};

} // namespace davev
