#include "platform/controls.h"

#include <stdexcept>

namespace davev {

Control::Control(Window& owner, const ControlSpec& design)
    : owner_(owner), design_(design), name_(design.name), visible_(design.visible)
{
}

void Control::setVisible(bool visible)
{
    if (visible_ == visible)
        return;
    visible_ = visible;
    changed();
}

void Control::resetToDesign()
{
    visible_ = design_.visible;
}

void Control::changed()
{
    if (observer_)
        observer_();
}

Label::Label(Window& owner, const ControlSpec& design) : Control(owner, design), caption_(design.caption) {}

void Label::setCaption(std::string caption)
{
    if (caption_ == caption)
        return;
    caption_ = std::move(caption);
    changed();
}

void Label::userDblClick()
{
    if (dblClick_)
        owner().dispatch(dblClick_);
}

void Label::resetToDesign()
{
    Control::resetToDesign();
    caption_ = std::string(design().caption);
    changed();
}

Button::Button(Window& owner, const ControlSpec& design)
    : Control(owner, design), caption_(design.caption), enabled_(design.enabled)
{
}

void Button::setCaption(std::string caption)
{
    if (caption_ == caption)
        return;
    caption_ = std::move(caption);
    changed();
}

void Button::setEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    changed();
}

void Button::userClick()
{
    if (!enabled_ || !visible() || !owner().loaded())
        return;
    if (click_)
        owner().dispatch(click_);
}

void Button::resetToDesign()
{
    Control::resetToDesign();
    caption_ = std::string(design().caption);
    enabled_ = design().enabled;
    changed();
}

CheckBox::CheckBox(Window& owner, const ControlSpec& design)
    : Control(owner, design), caption_(design.caption), value_(design.value), enabled_(design.enabled)
{
}

void CheckBox::setValue(int value)
{
    if (value < Unchecked || value > Grayed)
        throw PlatformError(380, "Invalid property value: a check box holds 0, 1 or 2, not " + std::to_string(value));
    if (value_ == value)
        return;
    value_ = value;
    changed();
    if (click_)
        click_();
}

void CheckBox::setEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    changed();
}

void CheckBox::userClick()
{
    if (!enabled_ || !visible() || !owner().loaded())
        return;
    const int next = value_ == Checked ? Unchecked : Checked;
    owner().dispatch([this, next] { setValue(next); });
}

void CheckBox::resetToDesign()
{
    Control::resetToDesign();
    value_ = design().value;
    enabled_ = design().enabled;
    changed();
}

TextBox::TextBox(Window& owner, const ControlSpec& design)
    : Control(owner, design), text_(design.caption), locked_(design.locked)
{
}

void TextBox::setText(std::string text)
{
    if (text_ == text)
        return;
    text_ = std::move(text);
    changed();
}

void TextBox::setLocked(bool locked)
{
    if (locked_ == locked)
        return;
    locked_ = locked;
    changed();
}

void TextBox::userEdit(std::string text)
{
    if (locked_ || !visible())
        return;
    setText(std::move(text));
}

void TextBox::resetToDesign()
{
    Control::resetToDesign();
    text_ = std::string(design().caption);
    locked_ = design().locked;
    changed();
}

Timer::Timer(Window& owner, const ControlSpec& design, TimerDriver& driver) : Control(owner, design), driver_(driver) {}

Timer::~Timer()
{
    driver_.timerDestroyed(*this);
}

void Timer::setEnabled(bool enabled)
{
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    driver_.timerChanged(*this);
}

void Timer::setInterval(int milliseconds)
{
    if (milliseconds < 0)
        throw PlatformError(380, "Invalid property value: a timer interval cannot be negative");
    if (interval_ == milliseconds)
        return;
    interval_ = milliseconds;
    driver_.timerChanged(*this);
}

void Timer::fire()
{
    if (!enabled_ || interval_ == 0 || !owner().loaded())
        return;
    if (tick_)
        owner().dispatch(tick_);
}

void Timer::resetToDesign()
{
    Control::resetToDesign();
    const bool wasRunning = enabled_ && interval_ > 0;
    enabled_ = false;
    interval_ = 0;
    if (wasRunning)
        driver_.timerChanged(*this);
}

Window::Window(const WindowSpec& design, ErrorReport& errors, TimerDriver& timers)
    : design_(design), name_(design.name), errors_(errors), caption_(design.caption)
{
    width_ = static_cast<float>(design.outerWidth());
    height_ = static_cast<float>(design.outerHeight());
    for (const ControlSpec& c : design_.controls) {
        std::unique_ptr<Control> control;
        switch (c.kind) {
        case ControlKind::Label:
            control = std::make_unique<Label>(*this, c);
            break;
        case ControlKind::Button:
            control = std::make_unique<Button>(*this, c);
            break;
        case ControlKind::CheckBox:
            control = std::make_unique<CheckBox>(*this, c);
            break;
        case ControlKind::TextBox:
            control = std::make_unique<TextBox>(*this, c);
            break;
        case ControlKind::Timer:
            control = std::make_unique<Timer>(*this, c, timers);
            break;
        }
        if (!byName_.emplace(control->name(), control.get()).second)
            throw std::logic_error("duplicate control " + control->name() + " in " + name_);
        controls_.push_back(std::move(control));
    }
}

void Window::setCaption(std::string caption)
{
    if (caption_ == caption)
        return;
    caption_ = std::move(caption);
    changed();
}

void Window::setLeft(float twips)
{
    left_ = twips;
    changed();
}

void Window::setTop(float twips)
{
    top_ = twips;
    changed();
}

void Window::setWidth(float twips)
{
    width_ = twips;
    changed();
}

void Window::setHeight(float twips)
{
    height_ = twips;
    changed();
}

void Window::placedBy(float left, float top)
{
    left_ = left;
    top_ = top;
}

void Window::load()
{
    resetToDesign();
    loaded_ = true;
    if (load_)
        dispatch(load_);
}

bool Window::unload()
{
    if (!loaded_)
        return true;
    const bool completed = !unload_ || dispatch(unload_);
    loaded_ = false;
    for (const auto& control : controls_)
        if (control->kind() == ControlKind::Timer)
            static_cast<Timer&>(*control).resetToDesign();
    return completed;
}

void Window::resetToDesign()
{
    caption_ = std::string(design_.caption);
    width_ = static_cast<float>(design_.outerWidth());
    height_ = static_cast<float>(design_.outerHeight());
    for (const auto& control : controls_)
        control->resetToDesign();
    changed();
}

Control& Window::find(const std::string& name, ControlKind kind) const
{
    const auto it = byName_.find(name);
    if (it == byName_.end() || it->second->kind() != kind)
        throw std::logic_error("no such control " + name + " in " + name_);
    return *it->second;
}

Label& Window::label(const std::string& name) const
{
    return static_cast<Label&>(find(name, ControlKind::Label));
}

Button& Window::button(const std::string& name) const
{
    return static_cast<Button&>(find(name, ControlKind::Button));
}

CheckBox& Window::checkBox(const std::string& name) const
{
    return static_cast<CheckBox&>(find(name, ControlKind::CheckBox));
}

TextBox& Window::textBox(const std::string& name) const
{
    return static_cast<TextBox&>(find(name, ControlKind::TextBox));
}

Timer& Window::timer(const std::string& name) const
{
    return static_cast<Timer&>(find(name, ControlKind::Timer));
}

bool Window::dispatch(const Handler& handler) const
{
    try {
        handler();
        return true;
    } catch (const PlatformError& error) {
        errors_.report(error);
    } catch (const std::exception& error) {
        errors_.report(PlatformError(51, std::string("Internal error: ") + error.what()));
    }
    return false;
}

void Window::changed()
{
    if (observer_)
        observer_();
}

} // namespace davev
