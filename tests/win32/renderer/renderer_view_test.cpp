#include <vector>

#include "renderer_fixture.h"

namespace davev::test {
namespace {

using RendererViewTest = RendererTest;

RECT clientRectOf(HWND control)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool styled(HWND hwnd, LONG style)
{
    return (GetWindowLongW(hwnd, GWL_STYLE) & style) == style;
}

LOGFONTW fontOf(HWND control)
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

TEST_F(RendererViewTest, FrameAndControlsSitAtTheirTwipsGeometry)
{
    openMain();
    const HWND window = top(main);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(textOf(window), "DA-VEV");
    RECT client{};
    GetClientRect(window, &client);
    // Outer 5760 x 3150 less the 45 + 45 and 330 + 45 twips of the design frame.
    EXPECT_EQ(client.right, px(5670));
    EXPECT_EQ(client.bottom, px(2775));
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, px(1500));
    EXPECT_EQ(frame.top, px(750));
    EXPECT_TRUE(styled(window, WS_MINIMIZEBOX | WS_SYSMENU));
    EXPECT_FALSE(styled(window, WS_MAXIMIZEBOX));
    EXPECT_FALSE(styled(window, WS_THICKFRAME)) << "the frame must not be resizable";
    if (dpi() == 96) {
        EXPECT_EQ(client.right, 378);
        EXPECT_EQ(client.bottom, 185);
        const RECT save = clientRectOf(child(main, "SAVE_BUTTON"));
        EXPECT_EQ(save.left, 152);
        EXPECT_EQ(save.top, 152);
        EXPECT_EQ(save.right - save.left, 49);
        EXPECT_EQ(save.bottom - save.top, 25);
    }

    for (const auto& control : main.controls()) {
        const ControlSpec& design = control->design();
        if (control->kind() == ControlKind::Timer)
            continue;
        const HWND hwnd = child(main, control->name());
        ASSERT_NE(hwnd, nullptr) << control->name();
        const RECT rect = clientRectOf(hwnd);
        EXPECT_EQ(rect.left, px(design.left)) << control->name();
        EXPECT_EQ(rect.top, px(design.top)) << control->name();
        EXPECT_EQ(rect.right, px(design.left + design.width)) << control->name();
        EXPECT_EQ(rect.bottom, px(design.top + design.height)) << control->name();
        EXPECT_EQ(styled(hwnd, WS_VISIBLE), design.visible) << control->name();
    }

    // A taller stored height brings the command field into view.
    main.setHeight(5000);
    GetClientRect(window, &client);
    EXPECT_EQ(client.bottom, px(5000 - 375));
    EXPECT_LT(clientRectOf(child(main, "FULL_COMMAND_TEXTBOX")).top, client.bottom);

    // The user's move reaches the model; the program's own keeps its twips.
    SetWindowPos(window, nullptr, 200, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(main.left(), std::round(200 * 1440.0f / static_cast<float>(dpi())));
    EXPECT_EQ(main.top(), std::round(120 * 1440.0f / static_cast<float>(dpi())));
    main.setLeft(1234);
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, px(1234));
    EXPECT_EQ(main.left(), 1234.0f);
}

TEST_F(RendererViewTest, DisplayStyleLabelsAndFonts)
{
    openMain();
    const HWND status = child(main, "CURRENT_STATUS_LABEL");
    EXPECT_EQ(textOf(status), "READY...");

    // The label as it paints itself: a green frame line, black inside, green text.
    RECT size{};
    GetClientRect(status, &size);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.right, size.bottom);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageW(status, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    const COLORREF green = RGB(0, 255, 0);
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_EQ(GetPixel(dc, 0, 0), green);
    EXPECT_EQ(GetPixel(dc, size.right - 1, size.bottom / 2), green);
    EXPECT_EQ(GetPixel(dc, 2, size.bottom / 2), black);
    int greenInside = 0;
    int blackInside = 0;
    for (int y = 1; y < size.bottom - 1; ++y)
        for (int x = 1; x < size.right - 1; ++x) {
            const COLORREF pixel = GetPixel(dc, x, y);
            greenInside += GetRValue(pixel) == 0 && GetGValue(pixel) > 128 && GetBValue(pixel) == 0;
            blackInside += pixel == black;
        }
    EXPECT_GT(greenInside, 20) << "the caption in green";
    EXPECT_GT(blackInside, (size.right - 2) * (size.bottom - 2) / 2) << "on black";
    SelectObject(dc, previous);
    DeleteObject(bitmap);

    // A label without the style keeps the window's colours.
    const HWND plain = child(main, "STATUS_LABEL");
    const auto plainBrush = reinterpret_cast<HBRUSH>(
        SendMessageW(top(main), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain)));
    LOGBRUSH plainFill{};
    GetObjectW(plainBrush, sizeof(plainFill), &plainFill);
    EXPECT_NE(plainFill.lbColor, black);
    EXPECT_NE(GetTextColor(dc), green);
    DeleteDC(dc);

    const LOGFONTW save = fontOf(child(main, "SAVE_BUTTON"));
    EXPECT_STREQ(save.lfFaceName, L"Microsoft Sans Serif");
    EXPECT_EQ(save.lfHeight, -TwipsScale(dpi()).pointsToPixels(8.25));
    EXPECT_EQ(save.lfWeight, FW_NORMAL);
    const LOGFONTW title = fontOf(child(main, "VX_TITLE"));
    EXPECT_STREQ(title.lfFaceName, L"Arial");
    EXPECT_EQ(title.lfHeight, -TwipsScale(dpi()).pointsToPixels(9.75));
    EXPECT_EQ(title.lfWeight, FW_BOLD);
    if (dpi() == 96) {
        EXPECT_EQ(save.lfHeight, -11);
        EXPECT_EQ(title.lfHeight, -13);
    }
}

TEST_F(RendererViewTest, TabVisitsFocusableControlsByTabIndex)
{
    openMain();
    ASSERT_EQ(focused(main), "AUTO_STARTS_STOPS_BUTTON");
    const auto cycle = [this] {
        std::vector<std::string> names;
        const std::string start = focused(main);
        std::string current = start;
        do {
            names.push_back(current);
            press(VK_TAB);
            current = focused(main);
        } while (current != start && names.size() < 50);
        return names;
    };
    std::vector<std::string> expected = {"AUTO_STARTS_STOPS_BUTTON",
                                         "SOURCE_TEXT_FILE_TEXTBOX",
                                         "TARGET_TEXT_FILE_TEXTBOX",
                                         "SAVE_BUTTON",
                                         "OUTPUT_CMD_BUTTON",
                                         "RUN_NOW_BUTTON",
                                         "AUTOSTART_TICKBOX",
                                         "LOOP_1MIN_TICKBOX",
                                         "LOOP_5MIN_TICKBOX",
                                         "AlwaysOnTopTimer_TICKBOX",
                                         "ABOUT_BUTTON",
                                         "FULL_COMMAND_TEXTBOX"};
    EXPECT_EQ(cycle(), expected);
    main.checkBox("AUTOCLOSE_TICKBOX").setEnabled(true);
    expected.insert(expected.begin() + 7, "AUTOCLOSE_TICKBOX");
    EXPECT_EQ(cycle(), expected);
}

TEST_F(RendererViewTest, EnterAndSpaceClickTheFocusedButtonOnly)
{
    openMain();
    int saves = 0;
    int doubleClicks = 0;
    main.button("SAVE_BUTTON").onClick([&] { ++saves; });
    main.label("VX_TITLE").onDblClick([&] { ++doubleClicks; });
    ASSERT_EQ(focused(main), "AUTO_STARTS_STOPS_BUTTON");
    int starts = 0;
    main.button("AUTO_STARTS_STOPS_BUTTON").onClick([&] { ++starts; });
    press(VK_RETURN);
    EXPECT_EQ(starts, 1) << "Enter on a freshly opened window activates START";

    SetFocus(child(main, "SAVE_BUTTON"));
    press(VK_RETURN);
    press(VK_SPACE);
    EXPECT_EQ(saves, 2);
    main.button("SAVE_BUTTON").setEnabled(false);
    post(child(main, "SAVE_BUTTON"), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(saves, 2);

    // Enter in a path field or on a check box is no click of START.
    SetFocus(child(main, "TARGET_TEXT_FILE_TEXTBOX"));
    press(VK_RETURN);
    SetFocus(child(main, "AUTOSTART_TICKBOX"));
    press(VK_RETURN);
    press(VK_ESCAPE);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(main.checkBox("AUTOSTART_TICKBOX").value(), CheckBox::Unchecked);
    EXPECT_TRUE(main.loaded());

    post(child(main, "VX_TITLE"), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(RendererViewTest, TypingReachesTheModelUnlessLocked)
{
    openMain(5000);
    TextBox& source = main.textBox("SOURCE_TEXT_FILE_TEXTBOX");
    const HWND line = child(main, "SOURCE_TEXT_FILE_TEXTBOX");
    source.setText("");
    type(line, L"in.txt");
    EXPECT_EQ(source.text(), "in.txt");
    type(line, L"\u00e9");
    EXPECT_EQ(source.text(), "in.txt\xc3\xa9") << "UTF-8 in the model";

    source.setLocked(true);
    EXPECT_TRUE(styled(line, ES_READONLY));
    HDC dc = CreateCompatibleDC(nullptr);
    LOGBRUSH fill{};
    GetObjectW(reinterpret_cast<HBRUSH>(SendMessageW(top(main), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(line))),
               sizeof(fill), &fill);
    DeleteDC(dc);
    EXPECT_EQ(fill.lbColor, GetSysColor(COLOR_WINDOW)) << "locked, not greyed out";
    type(line, L"more\b\b");
    EXPECT_EQ(source.text(), "in.txt\xc3\xa9");
    EXPECT_EQ(textOf(line), "in.txt\xc3\xa9");
    source.setLocked(false);
    EXPECT_FALSE(styled(line, ES_READONLY));

    TextBox& command = main.textBox("FULL_COMMAND_TEXTBOX");
    const HWND edit = child(main, "FULL_COMMAND_TEXTBOX");
    command.setText("one\r\ntwo");
    EXPECT_EQ(textOf(edit), "one\r\ntwo");
    SendMessageW(edit, EM_SETSEL, 8, 8);
    type(edit, L"\rthree");
    EXPECT_EQ(command.text(), "one\r\ntwo\r\nthree");
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 3, 3);
    press(VK_RETURN);
    EXPECT_EQ(command.text(), "one\r\n\r\ntwo\r\nthree") << "Enter starts a new line in a multi-line box";
}

TEST_F(RendererViewTest, CheckBoxShowsWhatTheModelDecides)
{
    openMain();
    CheckBox& box = main.checkBox("LOOP_1MIN_TICKBOX");
    const HWND hwnd = child(main, "LOOP_1MIN_TICKBOX");
    const auto click = [](HWND control) { SendMessageW(control, BM_CLICK, 0, 0); };
    click(hwnd);
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    SetFocus(hwnd);
    press(VK_SPACE);
    EXPECT_EQ(box.value(), CheckBox::Unchecked);
    EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    press(VK_SPACE);
    EXPECT_EQ(box.value(), CheckBox::Checked);

    // A handler that refuses the change puts the box back; the control follows.
    int refusals = 0;
    box.onClick([&] {
        if (box.value() == CheckBox::Unchecked) {
            ++refusals;
            box.setValue(CheckBox::Checked);
        }
    });
    click(hwnd);
    press(VK_SPACE);
    EXPECT_EQ(refusals, 2);
    EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), BST_CHECKED);

    box.onClick({});
    box.setValue(CheckBox::Grayed);
    EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    click(hwnd);
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), BST_CHECKED);

    const HWND autoClose = child(main, "AUTOCLOSE_TICKBOX");
    EXPECT_FALSE(IsWindowEnabled(autoClose)) << "greyed out at first";
    click(autoClose);
    EXPECT_EQ(main.checkBox("AUTOCLOSE_TICKBOX").value(), CheckBox::Unchecked);
}

// Width of an icon's colour image, 0 for no icon.
int iconWidth(HWND window, WPARAM which)
{
    const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP image{};
    GetObjectW(info.hbmColor, sizeof(image), &image);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return image.bmWidth;
}

TEST_F(RendererViewTest, EveryWindowShowsTheResourceIconAtTheSystemSizes)
{
    display.setIcon(99);
    openMain();
    EXPECT_EQ(iconWidth(top(main), ICON_SMALL), 0) << "no such resource: the system's default";
    display.close(main);

    display.setIcon(1);
    openMain();
    EXPECT_EQ(iconWidth(top(main), ICON_SMALL), GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(iconWidth(top(main), ICON_BIG), GetSystemMetrics(SM_CXICON));
    whileModal(about, main, [&] { EXPECT_EQ(iconWidth(top(about), ICON_SMALL), GetSystemMetrics(SM_CXSMICON)); });
}

} // namespace
} // namespace davev::test
