#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/launcher.h"
#include "platform/log_file.h"
#include "platform/platform_error.h"
#include "platform/screen_placement.h"

namespace davev {

class Timer;
class Window;

// Text values addressed by application, section and key.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;
    // The stored text, or `fallback` when the key is absent.
    virtual std::string get(std::string_view app, std::string_view section, std::string_view key,
                            std::string_view fallback) = 0;
    // Creates section and key as needed; written through to disk before it returns.
    virtual void save(std::string_view app, std::string_view section, std::string_view key, std::string_view text) = 0;
    // Several keys of one section in one write: afterwards the store holds
    // all of the new texts or none of them. This default saves key by key,
    // for stores that cannot do better.
    virtual void saveAll(std::string_view app, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values)
    {
        for (const auto& [key, text] : values)
            save(app, section, key, text);
    }
};

// Sequential text output to one named file at a time.
class FileOutput {
public:
    virtual ~FileOutput() = default;
    virtual void open(const std::string& fileName) = 0;
    virtual void print(std::string_view text) = 0; // text followed by CR LF
    virtual void close() = 0;
    // False when the file's encoding holds no exact form of `text`, so that
    // writing it would put a look-alike character in its place.
    virtual bool canRepresent(std::string_view /*text*/) const { return true; }
};

// Foreground window and the topmost band.
class ZOrder {
public:
    using Handle = std::uintptr_t;
    virtual ~ZOrder() = default;
    virtual Handle foregroundWindow() = 0; // 0: none
    virtual void makeTopmost(Handle window) = 0;
    virtual void makeNotTopmost(Handle window) = 0;
};

class ExecutableName {
public:
    virtual ~ExecutableName() = default;
    // The file name the program was started under, without directory and extension.
    virtual std::string get() = 0;
};

// Where what nobody may be there to see is kept: the system's log, or the
// program's log file beside the imports' lines.
class Log {
public:
    virtual ~Log() = default;
    // One line; returns why it was lost.
    virtual LogLoss write(LogLevel level, std::string_view text) = 0;
};

class ErrorReport {
public:
    virtual ~ErrorReport() = default;
    // Tells the user of a failure; at most one message box is open at a time.
    virtual void report(const PlatformError& error) = 0;
    // A remark for the log stream only (stderr).
    virtual void note(std::string_view text) = 0;
};

// Runs interval timers: told whenever a timer's Enabled or Interval changes.
class TimerDriver {
public:
    virtual ~TimerDriver() = default;
    virtual void timerChanged(Timer& timer) = 0;
    virtual void timerDestroyed(Timer& timer) = 0;
};

// Where and how large a window can be, in twips: the outer size up to what
// the screen holds, the position within what the windowing system can
// represent (which reaches well beyond the visible screen), and the screens
// themselves, each the part of it that windows may take (none: not known).
struct WindowLimits {
    float maxWidth;
    float maxHeight;
    float minPosition;
    float maxPosition;
    std::vector<TwipsArea> screens;
};

// Puts model windows on screen and takes them off again.
class WindowDisplay {
public:
    virtual ~WindowDisplay() = default;
    // By default, no limit but what a float holds.
    virtual WindowLimits windowLimits() const
    {
        constexpr float most = std::numeric_limits<float>::max();
        return {most, most, -most, most, {}};
    }
    virtual void show(Window& window) = 0;
    // Returns only once the window has been closed.
    virtual void showModal(Window& window, Window& owner) = 0;
    // Runs the window's unload handler, then removes it and every window it owns.
    // The program ends once no window is left.
    virtual void close(Window& window) = 0;
};

} // namespace davev
