#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/services.h"

namespace davev {

// Keeps windows "on screen" without drawing them. A modal showing runs the
// script queued for it (what the user does meanwhile) and then closes the
// window as the user would if the script left it open.
class HeadlessDisplay : public WindowDisplay {
public:
    using ModalScript = std::function<void(Window&)>;

    void show(Window& window) override;
    void showModal(Window& window, Window& owner) override;
    void close(Window& window) override;
    // A 1920 by 1080 pixel screen at 96 DPI unless told other screens,
    // positions in 16 bits as on X11.
    WindowLimits windowLimits() const override;
    void setScreens(std::vector<TwipsArea> screens) { screens_ = std::move(screens); }

    void whileModal(ModalScript script) { scripts_.push_back(std::move(script)); }
    bool isShown(const Window& window) const;
    // True once the last window has been closed: the program would end here.
    bool ended() const { return ended_; }
    int modalShowings() const { return modalShowings_; }

private:
    static constexpr float TwipsPerPixel = 15;
    std::vector<TwipsArea> screens_{{0, 0, 1920 * TwipsPerPixel, 1080 * TwipsPerPixel}};
    std::vector<Window*> shown_;
    std::map<Window*, Window*> owners_;
    std::vector<ModalScript> scripts_;
    bool ended_ = false;
    int modalShowings_ = 0;
};

} // namespace davev
