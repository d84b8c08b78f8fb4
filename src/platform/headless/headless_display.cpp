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
    constexpr float twipsPerPixel = 15;
    return {1920 * twipsPerPixel, 1080 * twipsPerPixel, -32768 * twipsPerPixel, 32767 * twipsPerPixel};
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
