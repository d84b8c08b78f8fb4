#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include "platform/controls.h"
#include "platform/twips_scale.h"

namespace davev {

// A child window that shows one model control. The model is the source of
// truth: sync() copies its state into the window, and user actions are handed
// to the model, never applied by the control on its own. After detach() the
// view no longer touches the model (its form is closed or going).
class ControlView {
public:
    ControlView(Control& model, HWND hwnd) : model_(&model), hwnd_(hwnd) {}
    virtual ~ControlView() = default;
    ControlView(const ControlView&) = delete;
    ControlView& operator=(const ControlView&) = delete;

    HWND hwnd() const { return hwnd_; }
    Control* model() const { return model_; }
    void detach() { model_ = nullptr; }

    virtual void sync() = 0;
    // A notification code from the control's WM_COMMAND.
    virtual void notified(int /*code*/) {}
    // The brush for WM_CTLCOLORSTATIC with the text colours set on `dc`, or
    // nullptr for the platform's own look.
    virtual HBRUSH colours(HDC /*dc*/) { return nullptr; }
    // Paints an owner-drawn control; false when the control draws itself.
    virtual bool draw(const DRAWITEMSTRUCT& /*item*/) { return false; }

protected:
    void syncVisible(bool visible);
    // True when the caption changed.
    bool syncCaption(const std::string& caption);
    void syncEnabled(bool enabled);

    Control* model_;
    HWND hwnd_;
};

// The child window for `control` inside `parent` at its design geometry,
// with `id` as its control id, or nullptr for controls that have no window
// (timers). The view follows the model until detached.
std::unique_ptr<ControlView> createControlView(Control& control, HWND parent, int id, const TwipsScale& scale,
                                               HFONT font);

// A control's caption, or a text box's text.
std::string shownText(const Control& control);

// The text of a window or control, as the wide-character API holds it.
std::wstring windowText(HWND hwnd);

// The layout's fonts at the screen's resolution, each made once and shared
// by every form. The Windows 3 raster face "MS Sans Serif" is asked for as
// its scalable successor, so text stays sharp at every DPI.
class LayoutFonts {
public:
    explicit LayoutFonts(const TwipsScale& scale) : scale_(scale) {}
    ~LayoutFonts();
    LayoutFonts(const LayoutFonts&) = delete;
    LayoutFonts& operator=(const LayoutFonts&) = delete;

    HFONT get(const FontSpec& design);

private:
    TwipsScale scale_;
    std::vector<std::pair<FontSpec, HFONT>> fonts_;
};

} // namespace davev
