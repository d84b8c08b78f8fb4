// What only the Win32 renderer shows: names and live regions for screen
// readers, read back through oleacc as an MSAA client reads them, and the
// pixels of the first paint.
#include <oleacc.h>
#include <windows.h>

#include "platform/win32/win32_accessibility.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_text.h"
#include "renderer_under_test.h"
#include "win32_windows.h"

namespace davev::test {
namespace {

using Win32WindowsTest = RendererTest;

std::string accessibleName(HWND control)
{
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&accessible))))
        return "(no accessible object)";
    VARIANT self{};
    self.vt = VT_I4; // CHILDID_SELF
    BSTR name = nullptr;
    const HRESULT got = accessible->get_accName(self, &name);
    accessible->Release();
    std::string text = SUCCEEDED(got) && name != nullptr ? narrow(name) : "(no name)";
    SysFreeString(name);
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

    // Named by a button, so through dynamic annotation, where the system takes it.
    const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, reinterpret_cast<HWND>(main.handle()),
                                       nullptr, nullptr, nullptr);
    if (AccessibleAnnotations().name(probe, L"probe")) {
        EXPECT_EQ(accessibleName(control(main, "FULL_COMMAND_TEXTBOX")), "Output Cmd");
    }
    DestroyWindow(probe);

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

// Captions and check boxes overlap the fields by a pixel.
TEST_F(Win32WindowsTest, FirstPaintShowsTheWholeBorderOfEachField)
{
    openMain();
    const HDC screen = GetDC(reinterpret_cast<HWND>(main.handle()));
    for (const char* name : {"SOURCE_TEXT_FILE_TEXTBOX", "TARGET_TEXT_FILE_TEXTBOX"}) {
        const Pixels field = seen(main, name).geometry;
        const COLORREF border = GetPixel(screen, field.x, field.y + field.height / 2);
        int erased = 0;
        for (int x = field.x + 1; x < field.x + field.width - 1; ++x)
            erased += GetPixel(screen, x, field.y) != border;
        EXPECT_EQ(erased, 0) << name << ": pixels of the top border not in its colour";
    }
    ReleaseDC(reinterpret_cast<HWND>(main.handle()), screen);
}

// Run at 120 and 144 DPI too, where the text grows a little more than its box.
TEST_F(Win32WindowsTest, CaptionsFitOnOneLine)
{
    openMain();
    for (const auto& each : main.controls()) {
        if (each->kind() != ControlKind::Label || each->design().border)
            continue;
        const HWND caption = control(main, each->name());
        const HDC dc = GetDC(caption);
        const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(caption, WM_GETFONT, 0, 0)));
        const std::wstring text = widen(shownText(*each));
        SIZE needs{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &needs);
        SelectObject(dc, previous);
        ReleaseDC(caption, dc);
        EXPECT_LE(needs.cx, seen(main, each->name()).geometry.width) << each->name() << " at " << renderer.dpi();
        EXPECT_EQ(GetWindowLongW(caption, GWL_STYLE) & SS_TYPEMASK, SS_LEFTNOWORDWRAP) << each->name();
    }
}

} // namespace
} // namespace davev::test
