// What only the Win32 renderer shows: names and live regions for screen
// readers, read back through oleacc as an MSAA client reads them, and the
// pixels of the first paint.
#include <oleacc.h>
#include <windows.h>

#include "platform/win32/win32_accessibility.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_text.h"
#include "renderer_under_test.h"

namespace davev::test {
namespace {

using Win32WindowsTest = RendererTest;

std::string accessibleName(HWND control)
{
    IAccessible* object = nullptr;
    BSTR name = nullptr;
    VARIANT self{};
    self.vt = VT_I4; // CHILDID_SELF
    if (SUCCEEDED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&object))) &&
        FAILED(object->get_accName(self, &name)))
        name = nullptr;
    const std::string text = name != nullptr ? narrow(name) : "(none)";
    SysFreeString(name);
    if (object != nullptr)
        object->Release();
    return text;
}

std::vector<std::pair<DWORD, HWND>> events;

void CALLBACK recordEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD, DWORD)
{
    if (object == OBJID_CLIENT)
        events.emplace_back(event, hwnd);
}

TEST_F(Win32WindowsTest, FieldsAreNamedByTheirCaptionsAndTheStatusLineAnnouncesItsChanges)
{
    openMain();
    EXPECT_EQ(accessibleName(control(main, "SOURCE_TEXT_FILE_TEXTBOX")), "Source TXT File");
    EXPECT_EQ(accessibleName(control(main, "TARGET_TEXT_FILE_TEXTBOX")), "Target TXT File");
    for (const auto& each : main.controls()) {
        const bool captioned = each->kind() == ControlKind::Button || each->kind() == ControlKind::CheckBox;
        if (captioned && each->visible()) {
            EXPECT_EQ(accessibleName(control(main, each->name())), shownText(*each)) << each->name();
        }
    }

    // Named by a button, so through dynamic annotation, where the system takes it (not Wine).
    if (AccessibleAnnotations().name(control(main, "ABOUT_BUTTON"), L"About")) {
        EXPECT_EQ(accessibleName(control(main, "FULL_COMMAND_TEXTBOX")), "Output Cmd");
    }

    const HWND status = control(main, "CURRENT_STATUS_LABEL");
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                                               &recordEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    events.clear();
    main.label("CURRENT_STATUS_LABEL").setCaption("!!! ABORTED !!!");
    const auto announced = [status](DWORD event) {
        return std::find(events.begin(), events.end(), std::make_pair(event, status)) != events.end();
    };
    EXPECT_TRUE(renderer.waitFor([&] { return announced(EVENT_OBJECT_LIVEREGIONCHANGED); }));
    EXPECT_TRUE(announced(EVENT_OBJECT_NAMECHANGE));
    UnhookWinEvent(hook);
    EXPECT_EQ(accessibleName(status), "!!! ABORTED !!!");
}

// Captions and check boxes overlap the fields by a pixel, and the text grows
// a little more than its box at 120 and 144 DPI, where this runs too.
TEST_F(Win32WindowsTest, FirstPaintShowsEachBorderWholeAndCaptionsFitOnOneLine)
{
    openMain();
    const HDC screen = GetDC(reinterpret_cast<HWND>(main.handle()));
    for (const char* name : {"SOURCE_TEXT_FILE_TEXTBOX", "TARGET_TEXT_FILE_TEXTBOX"}) {
        const Pixels field = seen(main, name).geometry;
        int erased = 0;
        for (int x = field.x + 1; x < field.x + field.width - 1; ++x)
            erased += GetPixel(screen, x, field.y) != GetPixel(screen, field.x, field.y + field.height / 2);
        EXPECT_EQ(erased, 0) << name << ": pixels of the top border not in its colour";
    }
    for (const auto& each : main.controls()) {
        if (each->kind() != ControlKind::Label || each->design().border)
            continue;
        const std::wstring text = widen(shownText(*each));
        const HGDIOBJ previous =
            SelectObject(screen, reinterpret_cast<HFONT>(SendMessageW(control(main, each->name()), WM_GETFONT, 0, 0)));
        SIZE needs{};
        GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &needs);
        SelectObject(screen, previous);
        EXPECT_LE(needs.cx, seen(main, each->name()).geometry.width) << each->name() << " at " << renderer.dpi();
        EXPECT_EQ(GetWindowLongW(control(main, each->name()), GWL_STYLE) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
    }
    ReleaseDC(reinterpret_cast<HWND>(main.handle()), screen);
}

} // namespace
} // namespace davev::test
