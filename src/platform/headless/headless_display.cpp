#include "platform/headless/headless_display.h"

#include <algorithm>

#include "platform/controls.h"

namespace davev {

void HeadlessDisplay::show(Window& window)
{
    if (!isShown(window))
        shown_.push_back(&window);
}

void HeadlessDisplay::showModal(Window& window, Window& owner)
{
    ++modalShowings_;
    owners_[&window] = &owner;
    show(window);
    if (!scripts_.empty()) {
        ModalScript script = std::move(scripts_.front());
        scripts_.erase(scripts_.begin());
        script(window);
    }
    if (isShown(window))
        close(window);
}

WindowLimits HeadlessDisplay::windowLimits() const
{
    // The size is bounded by every screen together, as on X11.
    float left = 0, top = 0, right = 0, bottom = 0;
    for (const TwipsArea& screen : screens_) {
        left = std::min(left, screen.left);
        top = std::min(top, screen.top);
        right = std::max(right, screen.right());
        bottom = std::max(bottom, screen.bottom());
    }
    return {right - left, bottom - top, -32768 * TwipsPerPixel, 32767 * TwipsPerPixel, screens_};
}

void HeadlessDisplay::close(Window& window)
{
    if (!isShown(window))
        return;
    window.unload();
    shown_.erase(std::find(shown_.begin(), shown_.end(), &window));
    std::vector<Window*> owned;
    for (const auto& [child, owner] : owners_)
        if (owner == &window)
            owned.push_back(child);
    for (Window* child : owned)
        close(*child);
    if (shown_.empty())
        ended_ = true;
}

bool HeadlessDisplay::isShown(const Window& window) const
{
    return std::find(shown_.begin(), shown_.end(), &window) != shown_.end();
}

} // namespace davev
