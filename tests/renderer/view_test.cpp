#include <algorithm>

#include "platform/headless/memory_settings.h"
#include "renderer_under_test.h"
#include "settings/settings_store.h"

namespace davev::test {
namespace {

using RendererViewTest = RendererTest;

constexpr std::uint32_t Green = 0x00ff00;
constexpr std::uint32_t Black = 0x000000;

bool greenish(std::uint32_t pixel)
{
    return (pixel & 0xff00ff) == 0 && ((pixel >> 8) & 0xff) > 128;
}

// The nearest pixels of `image` at `size`: a picture drawn for another size, scaled.
Image scaled(const Image& image, int size)
{
    Image result{size, size, {}};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            result.pixels.push_back(image.at(x * image.width / size, y * image.height / size));
    return result;
}

TEST_F(RendererViewTest, MainWindowFrameAndControlGeometry)
{
    openMain();
    const WindowSeen window = seen(main);
    EXPECT_EQ(window.title, "DA-VEV");
    // Outer 5760 x 3150 less the 45 + 45 and 330 + 45 twips of the design frame.
    EXPECT_EQ(window.client.width, px(5670));
    EXPECT_EQ(window.client.height, px(2775));
    EXPECT_EQ(window.frame.x, px(1500));
    EXPECT_EQ(window.frame.y, px(750));
    EXPECT_TRUE(window.minimizeBox && window.closeBox);
    EXPECT_FALSE(window.maximizeBox);
    EXPECT_FALSE(window.resizable) << "the frame must not be resizable";
    if (renderer.dpi() == 96) {
        EXPECT_EQ(window.client, (Pixels{0, 0, 378, 185}));
        EXPECT_EQ(seen(main, "SAVE_BUTTON").geometry, (Pixels{152, 152, 49, 25}));
    }

    for (const auto& control : main.controls()) {
        const ControlSpec& design = control->design();
        EXPECT_EQ(seen(main, control->name()).shown, design.visible && design.kind != ControlKind::Timer)
            << control->name();
        // A hidden control may get its window only once shown.
        control->setVisible(true);
        const ControlSeen shown = seen(main, control->name());
        ASSERT_EQ(shown.exists, control->kind() != ControlKind::Timer) << control->name() << ": timers have none";
        if (!shown.exists)
            continue;
        const Pixels expected{px(design.left), px(design.top), px(design.left + design.width) - px(design.left),
                              px(design.top + design.height) - px(design.top)};
        EXPECT_EQ(shown.geometry, expected) << control->name();
    }
}

TEST_F(RendererViewTest, LowerAreaComesIntoViewOnlyWithATallerWindow)
{
    const auto inView = [this](std::string_view name) {
        const Pixels area = seen(main).client;
        const ControlSeen control = seen(main, name);
        return control.shown && control.geometry.x < area.width && control.geometry.y < area.height;
    };
    openMain();
    EXPECT_TRUE(inView("ABOUT_BUTTON"));
    EXPECT_FALSE(inView("FULL_COMMAND_TEXTBOX"));

    main.setHeight(5000);
    EXPECT_EQ(seen(main).client.height, px(5000 - 375));
    EXPECT_TRUE(inView("FULL_COMMAND_TEXTBOX"));
    for (const char* name : {"TYPE_NEW_LINE_TEXTBOX", "ECHO_BUTTON", "TYPE_CMD_TEXTBOX", "INTO_TB", "SM_TB",
                             "DEL_FILE_BUTTON", "TARGET_BUTTON", "SOURCE_BUTTON"})
        EXPECT_FALSE(inView(name)) << name;
}

TEST_F(RendererViewTest, DisplayStyleLabelIsGreenOnBlackInAFrame)
{
    openMain();
    EXPECT_EQ(seen(main, "CURRENT_STATUS_LABEL").text, "READY...");
    const Image status = renderer.picture(main, "CURRENT_STATUS_LABEL");
    ASSERT_GT(status.width, 4);
    EXPECT_EQ(status.at(0, 0), Green) << "the frame line";
    EXPECT_EQ(status.at(status.width - 1, status.height / 2), Green);
    EXPECT_EQ(status.at(2, status.height / 2), Black);
    int greenInside = 0;
    int blackInside = 0;
    long greenColumns = 0;
    for (int y = 1; y < status.height - 1; ++y)
        for (int x = 1; x < status.width - 1; ++x) {
            greenInside += greenish(status.at(x, y));
            greenColumns += greenish(status.at(x, y)) ? x : 0;
            blackInside += status.at(x, y) == Black;
        }
    ASSERT_GT(greenInside, 20) << "the caption in green";
    EXPECT_GT(blackInside, (status.width - 2) * (status.height - 2) / 2) << "on black";
    EXPECT_NEAR(static_cast<double>(greenColumns) / greenInside, status.width / 2.0, status.width / 10.0) << "centred";

    // A label without the style keeps the window's colours, and has no frame.
    const Image plain = renderer.picture(main, "SOURCE_TEXT_FILE_LABEL");
    EXPECT_NE(plain.at(0, 0), Black);
    EXPECT_NE(plain.at(plain.width - 1, plain.height - 1), Black);
    EXPECT_EQ(std::count_if(plain.pixels.begin(), plain.pixels.end(), greenish), 0);
}

TEST_F(RendererViewTest, FontsAreTheLayoutsAtTheScreensResolution)
{
    openMain();
    for (const auto& control : main.controls()) {
        const FontSpec& layout = control->design().font;
        const ControlSeen shown = seen(main, control->name());
        if (!shown.exists)
            continue;
        EXPECT_EQ(shown.fontFamily, renderer.faceShownFor(layout.family)) << control->name();
        // Rounded down, so the text grows no more than its box.
        EXPECT_EQ(shown.fontPixels, std::floor(layout.points * renderer.dpi() / 72.0)) << control->name();
        EXPECT_EQ(shown.bold, layout.bold) << control->name();
    }
    EXPECT_TRUE(seen(main, "VX_TITLE").bold);
    if (renderer.dpi() == 96) {
        EXPECT_EQ(seen(main, "SAVE_BUTTON").fontPixels, 11) << "8.25 points";
        EXPECT_EQ(seen(main, "VX_TITLE").fontPixels, 13) << "9.75 points";
    }
}

TEST_F(RendererViewTest, ModelChangesReachTheControlsAndUserMovesTheModel)
{
    openMain();
    main.setCaption("DA-VEV (running)");
    main.button("AUTO_STARTS_STOPS_BUTTON").setCaption("STOP");
    main.textBox("TARGET_TEXT_FILE_TEXTBOX").setText("/data/target.txt");
    main.button("ABOUT_BUTTON").setVisible(false);
    main.checkBox("AUTOSTART_TICKBOX").setValue(CheckBox::Checked);
    main.button("SAVE_BUTTON").setEnabled(false);
    main.textBox("SOURCE_TEXT_FILE_TEXTBOX").setLocked(true);
    EXPECT_EQ(seen(main).title, "DA-VEV (running)");
    EXPECT_EQ(seen(main, "AUTO_STARTS_STOPS_BUTTON").text, "STOP");
    EXPECT_EQ(seen(main, "TARGET_TEXT_FILE_TEXTBOX").text, "/data/target.txt");
    EXPECT_FALSE(seen(main, "ABOUT_BUTTON").shown);
    EXPECT_EQ(seen(main, "AUTOSTART_TICKBOX").checkState, CheckBox::Checked);
    EXPECT_FALSE(seen(main, "SAVE_BUTTON").enabled);
    EXPECT_EQ(seen(main, "SAVE_BUTTON").text, "Save");
    EXPECT_TRUE(seen(main, "SOURCE_TEXT_FILE_TEXTBOX").readOnly);

    renderer.moveTo(main, 200, 120);
    EXPECT_EQ(main.left(), twips(200));
    EXPECT_EQ(main.top(), twips(120));
    // The program's own placement keeps its exact twips, even between pixels.
    main.setLeft(1234);
    EXPECT_EQ(seen(main).frame.x, px(1234));
    EXPECT_EQ(main.left(), 1234.0f);
}

// As after a smaller screen, or with the monitor it was on unplugged.
TEST_F(RendererViewTest, AWindowStoredWhereNoScreenShowsItOpensWhollyOnTheScreen)
{
    struct : ExecutableName {
        std::string get() override { return "DA-VEV"; }
    } name;
    struct : IgnoredErrors {
        void note(std::string_view text) override { notes.emplace_back(text); }
        std::vector<std::string> notes;
    } noted;
    MemorySettings backend;
    SettingsStore store(backend, name, noted, renderer.display);
    const std::tuple<Window*, settings::GeometryKeys, const char*, const char*> rows[] = {
        {&main, settings::MainGeometry, "60000", "1000"},
        {&about, settings::AboutGeometry, "-60000", "-60000"},
        {&output, settings::OutputGeometry, "1000", "60000"}};
    for (const auto& [window, keys, left, top] : rows) {
        backend.put("DA-VEV", keys.left, left);
        backend.put("DA-VEV", keys.top, top);
        window->onLoad([&, window, keys] { store.restoreGeometry(*window, keys); });
        const auto check = [&, window] {
            const Pixels frame = seen(*window).frame, screen = renderer.workArea();
            EXPECT_TRUE(frame.x >= screen.x && frame.y >= screen.y &&
                        frame.x + frame.width <= screen.x + screen.width &&
                        frame.y + frame.height <= screen.y + screen.height)
                << window->name() << " at " << frame.x << ", " << frame.y;
        };
        if (window == &main) {
            main.load();
            renderer.display.show(main);
            renderer.settle();
            check();
        } else
            whileModal(*window, main, check);
    }
    EXPECT_EQ(noted.notes.size(), 3u);
}

TEST_F(RendererViewTest, DialogIsOwnedPlacedAndFocusedOnOk)
{
    openMain();
    // The origin, where a dialog would rather be centred over its owner.
    about.setLeft(0);
    about.setTop(0);
    int clicks = 0;
    about.button("OK_BUTTON").onClick([&] { ++clicks; });
    whileModal(about, main, [&] {
        const WindowSeen dialog = seen(about);
        EXPECT_EQ(dialog.owner, main.handle());
        EXPECT_FALSE(seen(main).reachable);
        EXPECT_TRUE(dialog.reachable);
        EXPECT_FALSE(dialog.minimizeBox || dialog.maximizeBox);
        EXPECT_TRUE(dialog.closeBox);
        EXPECT_EQ(dialog.frame.x, 0);
        EXPECT_EQ(dialog.frame.y, 0);
        ASSERT_EQ(dialog.focused, "OK_BUTTON");
        renderer.press(about, Key::Return);
        EXPECT_EQ(clicks, 1);
    });
}

// As the always-on-top tick's z-order change does.
TEST_F(RendererViewTest, ActivatingTheOwnerOfAModalWindowActivatesTheModalWindow)
{
    SKIP_WITHOUT_A_PART_IN(Part::ActivationByZOrder);
    openMain();
    whileModal(about, main, [&] {
        renderer.activate(main);
        EXPECT_TRUE(renderer.waitFor([&] { return seen(about).active; }));
        EXPECT_EQ(seen(about).focused, "OK_BUTTON");
    });
}

TEST_F(RendererViewTest, TabVisitsFocusableControlsByTabIndex)
{
    openMain();
    renderer.activate(main);
    ASSERT_TRUE(renderer.waitFor([this] { return seen(main).active; }));
    ASSERT_EQ(seen(main).focused, "AUTO_STARTS_STOPS_BUTTON");
    const auto cycle = [this] {
        std::vector<std::string> names;
        const std::string start = seen(main).focused;
        std::string current = start;
        do {
            names.push_back(current);
            renderer.press(main, Key::Tab);
            current = seen(main).focused;
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
    main.button("SOURCE_BUTTON").setVisible(true);
    expected.insert(expected.end() - 1, "SOURCE_BUTTON");
    EXPECT_EQ(cycle(), expected) << "a control shown late takes its place by tab index";
}

TEST_F(RendererViewTest, EnterSpaceAndClicksReachTheModelFromTheFocusedButtonOnly)
{
    openMain();
    int starts = 0;
    int saves = 0;
    int doubleClicks = 0;
    main.button("AUTO_STARTS_STOPS_BUTTON").onClick([&] { ++starts; });
    main.button("SAVE_BUTTON").onClick([&] { ++saves; });
    main.label("VX_TITLE").onDblClick([&] { ++doubleClicks; });
    ASSERT_EQ(seen(main).focused, "AUTO_STARTS_STOPS_BUTTON");
    renderer.press(main, Key::Return);
    EXPECT_EQ(starts, 1) << "Enter on a freshly opened window activates START";

    renderer.press(main, "SAVE_BUTTON", Key::Return);
    renderer.press(main, "SAVE_BUTTON", Key::Space);
    renderer.click(main, "SAVE_BUTTON");
    EXPECT_EQ(saves, 3);
    main.button("SAVE_BUTTON").setEnabled(false);
    renderer.click(main, "SAVE_BUTTON");
    renderer.press(main, "SAVE_BUTTON", Key::Return);
    EXPECT_EQ(saves, 3);

    // Enter in a path field or on a check box is no click of START, and the
    // main window has nothing to cancel.
    renderer.press(main, "TARGET_TEXT_FILE_TEXTBOX", Key::Return);
    renderer.press(main, "AUTOSTART_TICKBOX", Key::Return);
    renderer.press(main, Key::Escape);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(main.checkBox("AUTOSTART_TICKBOX").value(), CheckBox::Unchecked);
    EXPECT_TRUE(main.loaded());

    renderer.doubleClick(main, "VX_TITLE");
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(RendererViewTest, TypingReachesTheModelUnlessLockedWithCrLfLineEnds)
{
    openMain(5000);
    TextBox& source = main.textBox("SOURCE_TEXT_FILE_TEXTBOX");
    source.setText("");
    renderer.type(main, "SOURCE_TEXT_FILE_TEXTBOX", "in.txt\xc3\xa9");
    EXPECT_EQ(source.text(), "in.txt\xc3\xa9") << "UTF-8 in the model";

    source.setLocked(true);
    EXPECT_TRUE(seen(main, "SOURCE_TEXT_FILE_TEXTBOX").readOnly);
    renderer.type(main, "SOURCE_TEXT_FILE_TEXTBOX", "more");
    renderer.press(main, "SOURCE_TEXT_FILE_TEXTBOX", Key::Backspace);
    EXPECT_EQ(source.text(), "in.txt\xc3\xa9");
    EXPECT_EQ(seen(main, "SOURCE_TEXT_FILE_TEXTBOX").text, "in.txt\xc3\xa9");
    source.setLocked(false);
    EXPECT_FALSE(seen(main, "SOURCE_TEXT_FILE_TEXTBOX").readOnly);

    TextBox& command = main.textBox("FULL_COMMAND_TEXTBOX");
    command.setText("one\r\ntwo");
    EXPECT_EQ(seen(main, "FULL_COMMAND_TEXTBOX").text, "one\ntwo");
    renderer.placeCaret(main, "FULL_COMMAND_TEXTBOX", 7);
    renderer.press(main, "FULL_COMMAND_TEXTBOX", Key::Return);
    renderer.type(main, "FULL_COMMAND_TEXTBOX", "three");
    EXPECT_EQ(command.text(), "one\r\ntwo\r\nthree");
    renderer.placeCaret(main, "FULL_COMMAND_TEXTBOX", 3);
    renderer.press(main, "FULL_COMMAND_TEXTBOX", Key::Return);
    EXPECT_EQ(command.text(), "one\r\n\r\ntwo\r\nthree") << "Enter starts a new line in a multi-line box";
}

TEST_F(RendererViewTest, LockedTextBoxKeepsTheLookOfAnEditableOne)
{
    openMain();
    const auto middle = [this] {
        const Image box = renderer.picture(main, "SOURCE_TEXT_FILE_TEXTBOX");
        return box.at(box.width / 2, box.height / 2);
    };
    main.textBox("SOURCE_TEXT_FILE_TEXTBOX").setText("");
    const std::uint32_t editable = middle();
    main.textBox("SOURCE_TEXT_FILE_TEXTBOX").setLocked(true);
    EXPECT_EQ(middle(), editable) << "locked, not greyed out";
}

// Text put in without keystrokes is the user's text all the same.
TEST_F(RendererViewTest, TextPutInWithoutKeystrokesReachesTheModelUnlessLocked)
{
    openMain();
    TextBox& model = main.textBox("SOURCE_TEXT_FILE_TEXTBOX");
    renderer.putText(main, "SOURCE_TEXT_FILE_TEXTBOX", "/from/a/test/tool.txt");
    EXPECT_EQ(model.text(), "/from/a/test/tool.txt");
    model.setLocked(true);
    renderer.putText(main, "SOURCE_TEXT_FILE_TEXTBOX", "/refused.txt");
    EXPECT_EQ(model.text(), "/from/a/test/tool.txt");
    EXPECT_EQ(seen(main, "SOURCE_TEXT_FILE_TEXTBOX").text, "/from/a/test/tool.txt");
}

TEST_F(RendererViewTest, CheckBoxShowsWhatTheModelDecides)
{
    openMain();
    CheckBox& box = main.checkBox("LOOP_1MIN_TICKBOX");
    const auto shown = [this] { return seen(main, "LOOP_1MIN_TICKBOX").checkState; };
    renderer.click(main, "LOOP_1MIN_TICKBOX");
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_EQ(shown(), CheckBox::Checked);
    renderer.press(main, "LOOP_1MIN_TICKBOX", Key::Space);
    EXPECT_EQ(box.value(), CheckBox::Unchecked);
    EXPECT_EQ(shown(), CheckBox::Unchecked);
    renderer.press(main, "LOOP_1MIN_TICKBOX", Key::Space);
    EXPECT_EQ(box.value(), CheckBox::Checked);

    // A handler that refuses the change puts the box back; the control follows.
    int refusals = 0;
    box.onClick([&] {
        if (box.value() == CheckBox::Unchecked) {
            ++refusals;
            box.setValue(CheckBox::Checked);
        }
    });
    renderer.click(main, "LOOP_1MIN_TICKBOX");
    renderer.press(main, "LOOP_1MIN_TICKBOX", Key::Space);
    EXPECT_EQ(refusals, 2);
    EXPECT_EQ(shown(), CheckBox::Checked);

    box.onClick({});
    box.setValue(CheckBox::Grayed);
    EXPECT_EQ(shown(), CheckBox::Grayed);
    renderer.click(main, "LOOP_1MIN_TICKBOX");
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_EQ(shown(), CheckBox::Checked);

    EXPECT_FALSE(seen(main, "AUTOCLOSE_TICKBOX").enabled) << "greyed out at first";
    renderer.click(main, "AUTOCLOSE_TICKBOX");
    EXPECT_EQ(main.checkBox("AUTOCLOSE_TICKBOX").value(), CheckBox::Unchecked);
}

TEST_F(RendererViewTest, LockedDialogTextStaysAndOnlyEscapeClosesTheDialog)
{
    openMain();
    int unloads = 0;
    output.onUnload([&] { ++unloads; });
    whileModal(output, main, [&] {
        const ControlSeen command = seen(output, "FULL_COMMAND_TEXTBOX");
        EXPECT_TRUE(command.readOnly && command.verticalScrollBar);
        renderer.type(output, "FULL_COMMAND_TEXTBOX", "x");
        renderer.press(output, "FULL_COMMAND_TEXTBOX", Key::Return);
        EXPECT_EQ(output.textBox("FULL_COMMAND_TEXTBOX").text(), "FULL_COMMAND_TEXTBOX");
        EXPECT_EQ(seen(output, "FULL_COMMAND_TEXTBOX").text, "FULL_COMMAND_TEXTBOX");
        EXPECT_TRUE(output.loaded()) << "Enter in the command box does not close the dialog";
        EXPECT_TRUE(renderer.showing(output.handle()));

        // Escape is the close box: the window unloads (storing its place).
        renderer.press(output, "FULL_COMMAND_TEXTBOX", Key::Escape);
        EXPECT_FALSE(output.loaded());
        EXPECT_EQ(unloads, 1);
    });
    whileModal(about, main, [&] {
        renderer.press(about, Key::Escape);
        EXPECT_FALSE(about.loaded());
    });
}

TEST_F(RendererViewTest, EveryWindowCarriesTheProgramsIconDrawnForEachSize)
{
    renderer.useProgramIcon();
    openMain();
    const std::vector<int> sizes = renderer.programIconSizes();
    const auto check = [&](const Window& window) {
        EXPECT_EQ(seen(window).iconSizes, sizes) << window.name();
        for (const int size : sizes)
            EXPECT_EQ(renderer.icon(window, size).width, size) << window.name();
        // The small one drawn for itself, not the large one scaled down.
        EXPECT_NE(renderer.icon(window, sizes.front()), scaled(renderer.icon(window, sizes.back()), sizes.front()));
    };
    check(main);
    whileModal(about, main, [&] { check(about); });
    whileModal(output, main, [&] { check(output); });
}

TEST_F(RendererViewTest, WithoutItsIconAWindowShowsNoneOfItsOwn)
{
    renderer.useMissingIcon();
    openMain();
    EXPECT_TRUE(seen(main).iconSizes.empty());
}

TEST_F(RendererViewTest, AnIconPictureReplacesTheProgramsOwnUntilTakenBack)
{
    SKIP_WITHOUT_A_PART_IN(Part::IconPictures);
    ASSERT_TRUE(renderer.useIcon(Image{24, 24, std::vector<std::uint32_t>(24 * 24, 0x008000)}));
    openMain();
    const std::vector<int> sizes = seen(main).iconSizes;
    ASSERT_NE(std::find(sizes.begin(), sizes.end(), 24), sizes.end());
    EXPECT_EQ(renderer.icon(main, 24).at(12, 12), 0x008000u);

    renderer.useProgramIcon();
    whileModal(about, main, [&] { EXPECT_EQ(seen(about).iconSizes, renderer.programIconSizes()); });
}

} // namespace
} // namespace davev::test
