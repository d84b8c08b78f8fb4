#pragma once

#include "platform/controls.h"

namespace davev {

// What a display asks of the windows it has shown, held as a map from each
// model window to an entry that names its owner (nullptr for none).

// True when closing `window` leaves no window loaded: it is the last one
// apart from those it owns.
template <class Entries> bool endsProgram(const Entries& entries, const Window& window)
{
    for (const auto& [other, entry] : entries)
        if (other != &window && entry.owner != &window && other->loaded())
            return false;
    return true;
}

template <class Entries> bool anyLoaded(const Entries& entries)
{
    for (const auto& [window, entry] : entries)
        if (window->loaded())
            return true;
    return false;
}

} // namespace davev
