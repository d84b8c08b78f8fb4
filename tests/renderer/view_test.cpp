#include <algorithm>
#include <stdexcept>

#include "renderer_under_test.h"

namespace davev::test {
namespace {

using RendererViewTest = RendererTest;

bool intersect(const Pixels& a, const Pixels& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

const ControlSpec& designOf(const Window& window, std::string_view name)
{
    for (const auto& control : window.controls())
        if (control->name() == name)
            return control->design();
    throw std::invalid_argument(std::string(name));
}

constexpr std::uint32_t Green = 0x00ff00;
constexpr std::uint32_t Black = 0x000000;

bool greenish(std::uint32_t pixel)
{
    return (pixel & 0xff00ff) == 0 && ((pixel >> 8) & 0xff) > 128;
}

// The nearest pixels of `image` at `size`: what a picture drawn for another
// size looks like scaled.
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
    EXPECT_EQ(renderer.title(main), "DA-VEV");
    // Outer 5760 x 3150 less the 45 + 45 and 330 + 45 twips of the design frame.
    const Pixels client = renderer.clientArea(main);
    EXPECT_EQ(client.width, px(5670));
    EXPECT_EQ(client.height, px(2775));
    EXPECT_EQ(renderer.frame(main).x, px(1500));
    EXPECT_EQ(renderer.frame(main).y, px(750));
    const FrameLook look = renderer.frameLook(main);
    EXPECT_TRUE(look.minimizeBox && look.closeBox);
    EXPECT_FALSE(look.maximizeBox);
    EXPECT_FALSE(look.resizable) << "the frame must not be resizable";
    if (renderer.dpi() == 96) {
        EXPECT_EQ(client.width, 378);
        EXPECT_EQ(client.height, 185);
        EXPECT_EQ(renderer.geometry(main, "SAVE_BUTTON"), (Pixels{152, 152, 49, 25}));
    }

    for (const auto& control : main.controls()) {
        const ControlSpec& design = control->design();
        if (control->kind() == ControlKind::Timer) {
            EXPECT_FALSE(renderer.hasControl(main, control->name())) << "timers have no control on screen";
            continue;
        }
        ASSERT_TRUE(renderer.hasControl(main, control->name())) << control->name();
        const Pixels expected{px(design.left), px(design.top), px(design.left + design.width) - px(design.left),
                              px(design.top + design.height) - px(design.top)};
        EXPECT_EQ(renderer.geometry(main, control->name()), expected) << control->name();
        EXPECT_EQ(renderer.shown(main, control->name()), design.visible) << control->name();
    }
}

TEST_F(RendererViewTest, LowerAreaComesIntoViewOnlyWithATallerWindow)
{
    const auto inView = [this](std::string_view name) {
        return renderer.shown(main, name) && intersect(renderer.clientArea(main), renderer.geometry(main, name));
    };
    openMain();
    EXPECT_TRUE(inView("ABOUT_BUTTON"));
    EXPECT_FALSE(inView("FULL_COMMAND_TEXTBOX"));

    main.setHeight(5000);
    EXPECT_EQ(renderer.clientArea(main).height, px(5000 - 375));
    EXPECT_TRUE(inView("FULL_COMMAND_TEXTBOX"));
    for (const char* name : {"TYPE_NEW_LINE_TEXTBOX", "ECHO_BUTTON", "TYPE_CMD_TEXTBOX", "INTO_TB", "SM_TB",
                             "DEL_FILE_BUTTON", "TARGET_BUTTON", "SOURCE_BUTTON"})
        EXPECT_FALSE(inView(name)) << name;
}

TEST_F(RendererViewTest, DisplayStyleLabelIsGreenOnBlackInAFrame)
{
    openMain();
    EXPECT_EQ(renderer.text(main, "CURRENT_STATUS_LABEL"), "READY...");
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

    // A label without the style keeps the window's colours.
    const Image plain = renderer.picture(main, "SOURCE_TEXT_FILE_LABEL");
    EXPECT_NE(plain.at(0, 0), Black);
    EXPECT_NE(plain.at(plain.width - 1, plain.height - 1), Black);
    for (const std::uint32_t pixel : plain.pixels)
        ASSERT_FALSE(greenish(pixel));
}

TEST_F(RendererViewTest, FontsAreTheLayoutsAtTheScreensResolution)
{
    openMain();
    for (const char* name : {"SAVE_BUTTON", "VX_TITLE"}) {
        const FontLook font = renderer.font(main, name);
        const FontSpec& layout = designOf(main, name).font;
        EXPECT_EQ(font.family, renderer.faceShownFor(layout.family)) << name;
        EXPECT_EQ(font.pixelHeight, std::lround(layout.points * renderer.dpi() / 72.0)) << name;
        EXPECT_EQ(font.bold, layout.bold) << name;
    }
    EXPECT_TRUE(main.label("VX_TITLE").design().font.bold);
    if (renderer.dpi() == 96) {
        EXPECT_EQ(renderer.font(main, "SAVE_BUTTON").pixelHeight, 11) << "8.25 points";
        EXPECT_EQ(renderer.font(main, "VX_TITLE").pixelHeight, 13) << "9.75 points";
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
    EXPECT_EQ(renderer.title(main), "DA-VEV (running)");
    EXPECT_EQ(renderer.text(main, "AUTO_STARTS_STOPS_BUTTON"), "STOP");
    EXPECT_EQ(renderer.text(main, "TARGET_TEXT_FILE_TEXTBOX"), "/data/target.txt");
    EXPECT_FALSE(renderer.shown(main, "ABOUT_BUTTON"));
    EXPECT_EQ(renderer.checkState(main, "AUTOSTART_TICKBOX"), CheckBox::Checked);
    EXPECT_FALSE(renderer.enabled(main, "SAVE_BUTTON"));
    EXPECT_EQ(renderer.text(main, "SAVE_BUTTON"), "Save");
    EXPECT_TRUE(renderer.readOnly(main, "SOURCE_TEXT_FILE_TEXTBOX"));

    renderer.moveTo(main, 200, 120);
    EXPECT_EQ(main.left(), twips(200));
    EXPECT_EQ(main.top(), twips(120));
    // The program's own placement keeps its exact twips, even between pixels.
    main.setLeft(1234);
    EXPECT_EQ(renderer.frame(main).x, px(1234));
    EXPECT_EQ(main.left(), 1234.0f);
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
        EXPECT_TRUE(renderer.ownedBy(about, main));
        EXPECT_FALSE(renderer.reachable(main));
        EXPECT_TRUE(renderer.reachable(about));
        const FrameLook look = renderer.frameLook(about);
        EXPECT_FALSE(look.minimizeBox || look.maximizeBox);
        EXPECT_TRUE(look.closeBox);
        EXPECT_EQ(renderer.frame(about).x, 0);
        EXPECT_EQ(renderer.frame(about).y, 0);
        ASSERT_EQ(renderer.focused(about), "OK_BUTTON");
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
        EXPECT_TRUE(renderer.waitFor([&] { return renderer.active(about); }));
        EXPECT_EQ(renderer.focused(about), "OK_BUTTON");
    });
}

TEST_F(RendererViewTest, TabVisitsFocusableControlsByTabIndex)
{
    openMain();
    renderer.activate(main);
    ASSERT_TRUE(renderer.waitFor([this] { return renderer.active(main); }));
    ASSERT_EQ(renderer.focused(main), "AUTO_STARTS_STOPS_BUTTON");
    const auto cycle = [this] {
        std::vector<std::string> names;
        const std::string start = renderer.focused(main);
        std::string current = start;
        do {
            names.push_back(current);
            renderer.press(main, Key::Tab);
            current = renderer.focused(main);
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

TEST_F(RendererViewTest, EnterSpaceAndClicksReachTheModelFromTheFocusedButtonOnly)
{
    openMain();
    int starts = 0;
    int saves = 0;
    int doubleClicks = 0;
    main.button("AUTO_STARTS_STOPS_BUTTON").onClick([&] { ++starts; });
    main.button("SAVE_BUTTON").onClick([&] { ++saves; });
    main.label("VX_TITLE").onDblClick([&] { ++doubleClicks; });
    ASSERT_EQ(renderer.focused(main), "AUTO_STARTS_STOPS_BUTTON");
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
    renderer.type(main, "SOURCE_TEXT_FILE_TEXTBOX", "in.txt");
    EXPECT_EQ(source.text(), "in.txt");
    renderer.type(main, "SOURCE_TEXT_FILE_TEXTBOX", "\xc3\xa9");
    EXPECT_EQ(source.text(), "in.txt\xc3\xa9") << "UTF-8 in the model";

    source.setLocked(true);
    EXPECT_TRUE(renderer.readOnly(main, "SOURCE_TEXT_FILE_TEXTBOX"));
    renderer.type(main, "SOURCE_TEXT_FILE_TEXTBOX", "more");
    renderer.press(main, "SOURCE_TEXT_FILE_TEXTBOX", Key::Backspace);
    EXPECT_EQ(source.text(), "in.txt\xc3\xa9");
    EXPECT_EQ(renderer.text(main, "SOURCE_TEXT_FILE_TEXTBOX"), "in.txt\xc3\xa9");
    source.setLocked(false);
    EXPECT_FALSE(renderer.readOnly(main, "SOURCE_TEXT_FILE_TEXTBOX"));

    TextBox& command = main.textBox("FULL_COMMAND_TEXTBOX");
    command.setText("one\r\ntwo");
    EXPECT_EQ(renderer.text(main, "FULL_COMMAND_TEXTBOX"), "one\ntwo");
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
    TextBox& source = main.textBox("SOURCE_TEXT_FILE_TEXTBOX");
    source.setText("");
    const Image editable = renderer.picture(main, "SOURCE_TEXT_FILE_TEXTBOX");
    source.setLocked(true);
    const Image locked = renderer.picture(main, "SOURCE_TEXT_FILE_TEXTBOX");
    EXPECT_EQ(locked.at(locked.width / 2, locked.height / 2), editable.at(editable.width / 2, editable.height / 2))
        << "locked, not greyed out";
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
    EXPECT_EQ(renderer.text(main, "SOURCE_TEXT_FILE_TEXTBOX"), "/from/a/test/tool.txt");
}

TEST_F(RendererViewTest, CheckBoxShowsWhatTheModelDecides)
{
    openMain();
    CheckBox& box = main.checkBox("LOOP_1MIN_TICKBOX");
    const auto shown = [this] { return renderer.checkState(main, "LOOP_1MIN_TICKBOX"); };
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

    EXPECT_FALSE(renderer.enabled(main, "AUTOCLOSE_TICKBOX")) << "greyed out at first";
    renderer.click(main, "AUTOCLOSE_TICKBOX");
    EXPECT_EQ(main.checkBox("AUTOCLOSE_TICKBOX").value(), CheckBox::Unchecked);
}

TEST_F(RendererViewTest, LockedDialogTextStaysAndOnlyEscapeClosesTheDialog)
{
    openMain();
    int unloads = 0;
    output.onUnload([&] { ++unloads; });
    whileModal(output, main, [&] {
        EXPECT_TRUE(renderer.readOnly(output, "FULL_COMMAND_TEXTBOX"));
        EXPECT_TRUE(renderer.verticalScrollBar(output, "FULL_COMMAND_TEXTBOX"));
        renderer.type(output, "FULL_COMMAND_TEXTBOX", "x");
        renderer.press(output, "FULL_COMMAND_TEXTBOX", Key::Return);
        EXPECT_EQ(output.textBox("FULL_COMMAND_TEXTBOX").text(), "FULL_COMMAND_TEXTBOX");
        EXPECT_EQ(renderer.text(output, "FULL_COMMAND_TEXTBOX"), "FULL_COMMAND_TEXTBOX");
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
    const auto check = [this](const Window& window) {
        const std::vector<int> sizes = renderer.programIconSizes();
        EXPECT_EQ(renderer.iconSizes(window), sizes) << window.name();
        for (const int size : sizes)
            EXPECT_EQ(renderer.icon(window, size).width, size) << window.name();
        // The small one drawn for itself, not the large one scaled down.
        const Image small = renderer.icon(window, sizes.front());
        const Image large = renderer.icon(window, sizes.back());
        EXPECT_NE(small, scaled(large, small.width)) << window.name();
    };
    check(main);
    whileModal(about, main, [&] { check(about); });
    whileModal(output, main, [&] { check(output); });
}

TEST_F(RendererViewTest, WithoutItsIconAWindowShowsNoneOfItsOwn)
{
    renderer.useMissingIcon();
    openMain();
    EXPECT_TRUE(renderer.iconSizes(main).empty());
}

TEST_F(RendererViewTest, AnIconPictureReplacesTheProgramsOwnUntilTakenBack)
{
    SKIP_WITHOUT_A_PART_IN(Part::IconPictures);
    Image drawn{24, 24, std::vector<std::uint32_t>(24 * 24, 0x008000)};
    ASSERT_TRUE(renderer.useIcon(drawn));
    openMain();
    const std::vector<int> sizes = renderer.iconSizes(main);
    ASSERT_NE(std::find(sizes.begin(), sizes.end(), 24), sizes.end());
    EXPECT_EQ(renderer.icon(main, 24).at(12, 12), 0x008000u);

    renderer.useProgramIcon();
    whileModal(about, main, [&] { EXPECT_EQ(renderer.iconSizes(about), renderer.programIconSizes()); });
}

} // namespace
} // namespace davev::test
