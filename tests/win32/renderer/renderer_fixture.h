#pragma once

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <string_view>
#include <windows.h>

#include "app/layouts.h"
#include "import/output_window_layout.h"
#include "platform/controls.h"
#include "platform/win32/win32_display.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_timer_driver.h"
#include "platform/win32/win32_window_form.h"
#include "platform/win32/win32_screen_dpi.h"

namespace davev::test {

inline constexpr int Generous = 10000;

class IgnoredErrors : public ErrorReport {
public:
    void report(const PlatformError&) override {}
    void note(std::string_view) override {}
};

// Runs actions from whichever message loop is running when they fall due:
// the display's own, a modal window's or a message box's.
class Later {
public:
    ~Later()
    {
        for (const auto& [id, action] : actions())
            KillTimer(nullptr, id);
        actions().clear();
    }

    void after(int milliseconds, std::function<void()> action)
    {
        const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), &Later::fire);
        ASSERT_NE(id, 0u);
        actions()[id] = std::move(action);
    }

private:
    static std::map<UINT_PTR, std::function<void()>>& actions()
    {
        static std::map<UINT_PTR, std::function<void()>> pending;
        return pending;
    }

    static void CALLBACK fire(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        const auto it = actions().find(id);
        if (it == actions().end())
            return;
        const std::function<void()> action = std::move(it->second);
        actions().erase(it);
        action();
    }
};

// Handles messages until `condition` holds or `milliseconds` have passed;
// returns the condition.
inline bool waitFor(const std::function<bool()>& condition, int milliseconds = Generous)
{
    const DWORD start = GetTickCount();
    // A steady tick, so the wait also ends when nothing else happens.
    const UINT_PTR wake = SetTimer(nullptr, 0, 10, nullptr);
    runMessageLoop([&] { return !condition() && GetTickCount() - start < static_cast<DWORD>(milliseconds); });
    KillTimer(nullptr, wake);
    return condition();
}

// The program's three windows on a display of their own.
class RendererTest : public testing::Test {
protected:
    static int dpi() { return screenDotsPerInch(); }
    static int px(double twips) { return TwipsScale(screenDotsPerInch()).toPixels(twips); }

    // As the program opens it: at a stored position, with the lower part of
    // the layout out of sight unless a taller height was stored.
    void openMain(float height = 3150)
    {
        main.load();
        main.setLeft(1500);
        main.setTop(750);
        main.setHeight(height);
        display.show(main);
        handlePendingMessages();
    }

    static HWND top(const Window& window) { return reinterpret_cast<HWND>(window.handle()); }

    static HWND child(const Window& window, std::string_view name)
    {
        const auto& controls = window.controls();
        for (std::size_t i = 0; i < controls.size(); ++i)
            if (controls[i]->name() == name)
                return GetDlgItem(top(window), FirstControlId + static_cast<int>(i));
        ADD_FAILURE() << "no control " << name;
        return nullptr;
    }

    // The control of `window` that has the focus, by name.
    static std::string focused(const Window& window)
    {
        const HWND focus = GetFocus();
        for (std::size_t i = 0; i < window.controls().size(); ++i)
            if (focus != nullptr && focus == GetDlgItem(top(window), FirstControlId + static_cast<int>(i)))
                return window.controls()[i]->name();
        return "(none)";
    }

    static std::string textOf(HWND hwnd)
    {
        wchar_t text[512] = {};
        GetWindowTextW(hwnd, text, 512);
        return narrow(text);
    }

    // Posts a message as the keyboard or mouse would and lets the loop handle it.
    static void post(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        PostMessageW(hwnd, message, wParam, lParam);
        handlePendingMessages();
    }

    static void type(HWND hwnd, std::wstring_view text)
    {
        for (const wchar_t c : text)
            PostMessageW(hwnd, WM_CHAR, c, 1);
        handlePendingMessages();
    }

    static void press(UINT key)
    {
        const HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
        handlePendingMessages();
    }

    // Shows `window` modally over `owner`, runs `check` inside the modal
    // loop, then closes the window unless `check` did.
    void whileModal(Window& window, Window& owner, const std::function<void()>& check)
    {
        ASSERT_TRUE(owner.loaded()) << "open the owner first";
        window.load();
        bool ran = false;
        later.after(0, [&] {
            ran = true;
            check();
            display.close(window);
        });
        later.after(Generous, [&] { display.close(window); });
        display.showModal(window, owner);
        EXPECT_TRUE(ran) << "the modal loop never ran";
    }

    void TearDown() override
    {
        for (Window* window : {&output, &about, &main})
            if (window->loaded())
                display.close(*window);
    }

    IgnoredErrors errors;
    Win32TimerDriver timers;
    Win32Display display;
    Later later;
    Window main{mainWindowLayout(), errors, timers};
    Window about{aboutWindowLayout(), errors, timers};
    Window output{outputWindowLayout(), errors, timers};
};

} // namespace davev::test
