#include "platform/screen_placement.h"

#include <algorithm>
#include <cmath>

namespace davev {
namespace {

bool overlap(const TwipsArea& a, const TwipsArea& b)
{
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

// How far apart two rectangles are (0 when they overlap), and, the nearer
// the better, how much of `frame` the screen shows.
struct Nearness {
    double gap;
    double shown;
    bool operator<(const Nearness& other) const { return gap != other.gap ? gap < other.gap : shown > other.shown; }
};

Nearness nearness(const TwipsArea& frame, const TwipsArea& screen)
{
    const double dx = std::max({0.0f, screen.left - frame.right(), frame.left - screen.right()});
    const double dy = std::max({0.0f, screen.top - frame.bottom(), frame.top - screen.bottom()});
    const double shownWidth = std::min(frame.right(), screen.right()) - std::max(frame.left, screen.left);
    const double shownHeight = std::min(frame.bottom(), screen.bottom()) - std::max(frame.top, screen.top);
    return {std::hypot(dx, dy), std::max(0.0, shownWidth) * std::max(0.0, shownHeight)};
}

} // namespace

std::optional<TwipsPoint> reachablePosition(const TwipsArea& frame, float titleHeight,
                                            const std::vector<TwipsArea>& screens, TwipsPoint fallback)
{
    const TwipsArea titleBar{frame.left, frame.top, frame.width, std::min(titleHeight, frame.height)};
    if (screens.empty() ||
        std::any_of(screens.begin(), screens.end(), [&](const TwipsArea& screen) { return overlap(titleBar, screen); }))
        return std::nullopt;
    const TwipsArea& nearest = *std::min_element(screens.begin(), screens.end(), [&](const auto& a, const auto& b) {
        return nearness(frame, a) < nearness(frame, b);
    });
    if (frame.width > nearest.width || frame.height > nearest.height)
        return fallback;
    return TwipsPoint{std::clamp(frame.left, nearest.left, nearest.right() - frame.width),
                      std::clamp(frame.top, nearest.top, nearest.bottom() - frame.height)};
}

} // namespace davev
