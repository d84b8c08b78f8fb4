#pragma once

#include <vector>

#include "platform/controls.h"

namespace davev {

// What every display does alike with the windows it has shown, held as a map
// from each model window to an entry that names its owner (nullptr for none).

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

// The windows `window` owns that are still loaded or on screen: they close
// with it.
template <class Entries, class OnScreen>
std::vector<Window*> ownedWindows(const Entries& entries, const Window& window, OnScreen onScreen)
{
    std::vector<Window*> owned;
    for (const auto& [other, entry] : entries)
        if (other != &window && entry.owner == &window && (other->loaded() || onScreen(entry)))
            owned.push_back(other);
    return owned;
}

// How the program ends, as the unloads of its windows tell.
struct ProgramEnd {
    int exitCode = 0;
    // The user who closed the window reads why it failed before the end.
    bool awaitUser = false;

    // A settings store that could not take the state of the program's last
    // window must not pass for a clean end.
    void unloaded(bool completed, bool last, bool byUser)
    {
        if (completed || !last)
            return;
        exitCode = 1;
        awaitUser = awaitUser || byUser;
    }
};

// Held while a close that the user did not ask for ends the program (the
// auto-close, a signal, logging off): failures go to the error report's
// unattended log then, as nobody may be there to dismiss a box.
template <class Errors> class UnattendedClose {
public:
    UnattendedClose(Errors* errors, bool byUser, bool last)
        : errors_(!byUser && last && errors != nullptr && !errors->unattended() ? errors : nullptr)
    {
        if (errors_ != nullptr)
            errors_->setUnattended(true);
    }
    ~UnattendedClose()
    {
        if (errors_ != nullptr)
            errors_->setUnattended(false);
    }
    UnattendedClose(const UnattendedClose&) = delete;
    UnattendedClose& operator=(const UnattendedClose&) = delete;

private:
    Errors* errors_;
};

} // namespace davev
