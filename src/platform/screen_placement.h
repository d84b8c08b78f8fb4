#pragma once

#include <optional>
#include <vector>

#include "platform/twips_scale.h"

namespace davev {

struct TwipsPoint {
    float left = 0;
    float top = 0;
    bool operator==(const TwipsPoint&) const = default;
};

// Where a window whose outer frame is `frame` opens so that the user can
// reach it, among `screens` (the part of each screen that windows may take):
// nothing (where it is) while a screen shows part of its title bar, the top
// `titleHeight` of the frame, or while no screen is known. Otherwise it goes
// to the nearest screen, moved as little as puts it wholly on that screen,
// or to `fallback` when it is larger than that screen.
std::optional<TwipsPoint> reachablePosition(const TwipsArea& frame, float titleHeight,
                                            const std::vector<TwipsArea>& screens, TwipsPoint fallback);

} // namespace davev
