#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/layout.h"
#include "platform/services.h"

namespace davev {

class Window;

using Handler = std::function<void()>;

class Control {
public:
    Control(Window& owner, const ControlSpec& design);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    ControlKind kind() const { return design_.kind; }
    const ControlSpec& design() const { return design_; }
    Window& owner() const { return owner_; }

    bool visible() const { return visible_; }
    void setVisible(bool visible);

    // A renderer's hook, run after any property changes.
    void setObserver(Handler observer) { observer_ = std::move(observer); }

    // Puts every property back to its design-time value.
    virtual void resetToDesign();

protected:
    void changed();

private:
    Window& owner_;
    ControlSpec design_;
    std::string name_;
    bool visible_;
    Handler observer_;
};

class Label : public Control {
public:
    Label(Window& owner, const ControlSpec& design);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    void onDblClick(Handler handler) { dblClick_ = std::move(handler); }
    void userDblClick();
    void resetToDesign() override;

private:
    std::string caption_;
    Handler dblClick_;
};

class Button : public Control {
public:
    Button(Window& owner, const ControlSpec& design);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    void onClick(Handler handler) { click_ = std::move(handler); }
    // A click by the user: ignored while the button is disabled or hidden.
    void userClick();
    void resetToDesign() override;

private:
    std::string caption_;
    bool enabled_;
    Handler click_;
};

class CheckBox : public Control {
public:
    static constexpr int Unchecked = 0;
    static constexpr int Checked = 1;
    static constexpr int Grayed = 2;

    CheckBox(Window& owner, const ControlSpec& design);
    const std::string& caption() const { return caption_; }
    int value() const { return value_; }
    // Runs the click handler at once, nested, when the value changes; an
    // assignment of the value the box already holds runs nothing.
    void setValue(int value);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    void onClick(Handler handler) { click_ = std::move(handler); }
    // A click by the user: checks an unchecked or grey box, unchecks a checked one.
    void userClick();
    void resetToDesign() override;

private:
    std::string caption_;
    int value_;
    bool enabled_;
    Handler click_;
};

class TextBox : public Control {
public:
    TextBox(Window& owner, const ControlSpec& design);
    const std::string& text() const { return text_; }
    void setText(std::string text);
    bool locked() const { return locked_; }
    void setLocked(bool locked);
    // Typing by the user: ignored while the box is locked.
    void userEdit(std::string text);
    void resetToDesign() override;

private:
    std::string text_;
    bool locked_;
};

class Timer : public Control {
public:
    Timer(Window& owner, const ControlSpec& design, TimerDriver& driver);
    ~Timer() override;
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int interval() const { return interval_; }
    void setInterval(int milliseconds);
    void onTick(Handler handler) { tick_ = std::move(handler); }
    // Delivered by the timer driver once per interval while enabled.
    void fire();
    void resetToDesign() override;

private:
    TimerDriver& driver_;
    bool enabled_ = false;
    int interval_ = 0;
    Handler tick_;
};

// A window and its controls, created from a layout table. Every handler of
// the program reads and writes these objects and nothing else.
class Window {
public:
    using Handle = std::uintptr_t;

    Window(const WindowSpec& design, ErrorReport& errors, TimerDriver& timers);
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const WindowSpec& design() const { return design_; }
    const std::string& name() const { return name_; }

    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    // Outer frame geometry in twips.
    float left() const { return left_; }
    float top() const { return top_; }
    float width() const { return width_; }
    float height() const { return height_; }
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    // Where the user moved the window; raises no change notification.
    void placedBy(float left, float top);

    Handle handle() const { return handle_; }
    void setHandle(Handle handle) { handle_ = handle; }

    bool loaded() const { return loaded_; }
    void onLoad(Handler handler) { load_ = std::move(handler); }
    void onUnload(Handler handler) { unload_ = std::move(handler); }
    // Resets the window to its layout and runs its load handler.
    void load();
    // Runs the unload handler once; the window then counts as unloaded.
    // False when a failure ended the handler before its last step.
    bool unload();

    Label& label(const std::string& name) const;
    Button& button(const std::string& name) const;
    CheckBox& checkBox(const std::string& name) const;
    TextBox& textBox(const std::string& name) const;
    Timer& timer(const std::string& name) const;
    // In creation order.
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    void setObserver(Handler observer) { observer_ = std::move(observer); }

    // Runs one event's handler. A PlatformError ends the handler at the step
    // that failed; it is reported and the program carries on. False then.
    bool dispatch(const Handler& handler) const;

private:
    Control& find(const std::string& name, ControlKind kind) const;
    void changed();
    void resetToDesign();

    WindowSpec design_;
    std::string name_;
    ErrorReport& errors_;
    std::string caption_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    Handle handle_ = 0;
    bool loaded_ = false;
    Handler load_;
    Handler unload_;
    Handler observer_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::string, Control*, std::less<>> byName_;
};

} // namespace davev
