#include <QAccessible>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "display_fixture.h"

namespace davev::test {
namespace {

using DisplayViewTest = DisplayTest;

// Shown, and not clipped away below the client area.
bool inView(const QWidget* widget)
{
    return widget->isVisible() && widget->parentWidget()->rect().intersects(widget->geometry());
}

TEST_F(DisplayViewTest, MainWindowFrameAndControlGeometry)
{
    openMain();
    QWidget* top = topOf(main);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->objectName(), "DA_VEV_MAIN");
    EXPECT_EQ(top->windowTitle(), "DA-VEV");
    // Outer 5760 x 3150 less the 45 + 45 and 330 + 45 twips of the design frame.
    EXPECT_EQ(top->size(), QSize(px(5670), px(2775)));
    if (dpi() == 96) {
        EXPECT_EQ(top->size(), QSize(378, 185));
        EXPECT_EQ(child(main, "SAVE_BUTTON")->geometry(), QRect(152, 152, 49, 25));
    }
    EXPECT_EQ(top->minimumSize(), top->maximumSize()) << "the frame must not be resizable";
    EXPECT_EQ(top->frameGeometry().topLeft(), QPoint(px(1500), px(750)));
    EXPECT_TRUE(top->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(top->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(top->windowFlags() & Qt::WindowMaximizeButtonHint);

    for (const auto& control : main.controls()) {
        const ControlSpec& design = control->design();
        const QWidget* widget = child(main, control->name().c_str());
        if (control->kind() == ControlKind::Timer) {
            EXPECT_EQ(widget, nullptr) << "timers have no widget";
            continue;
        }
        ASSERT_NE(widget, nullptr) << control->name();
        EXPECT_EQ(widget->pos(), QPoint(px(design.left), px(design.top))) << control->name();
        EXPECT_EQ(widget->size(), QSize(px(design.left + design.width) - px(design.left),
                                        px(design.top + design.height) - px(design.top)))
            << control->name();
    }
}

TEST_F(DisplayViewTest, LowerAreaComesIntoViewOnlyWithATallerWindow)
{
    const char* const neverShown[] = {"TYPE_NEW_LINE_TEXTBOX", "ECHO_BUTTON",   "TYPE_CMD_TEXTBOX", "INTO_TB", "SM_TB",
                                      "DEL_FILE_BUTTON",       "TARGET_BUTTON", "SOURCE_BUTTON"};
    openMain();
    EXPECT_TRUE(inView(child(main, "ABOUT_BUTTON")));
    EXPECT_FALSE(inView(child(main, "FULL_COMMAND_TEXTBOX")));

    main.setHeight(5000);
    EXPECT_EQ(topOf(main)->height(), px(5000 - 375));
    EXPECT_TRUE(inView(child(main, "FULL_COMMAND_TEXTBOX")));
    for (const char* name : neverShown)
        EXPECT_FALSE(inView(child(main, name))) << name;
}

TEST_F(DisplayViewTest, LookFontsNamesAndStates)
{
    openMain();
    const auto* status = child<QLabel>(main, "CURRENT_STATUS_LABEL");
    EXPECT_EQ(status->text(), "READY...");
    EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(status->palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_EQ(status->frameShape(), QFrame::Box);
    EXPECT_TRUE(status->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(status->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(child<QLabel>(main, "SOURCE_TEXT_FILE_LABEL")->frameShape(), QFrame::NoFrame);

    EXPECT_EQ(QFontInfo(child(main, "SAVE_BUTTON")->font()).family(), "Liberation Sans");
    EXPECT_DOUBLE_EQ(child(main, "SAVE_BUTTON")->font().pointSizeF(), 8.25);
    const QFont title = child(main, "VX_TITLE")->font();
    EXPECT_EQ(QFontInfo(title).family(), "Liberation Sans");
    EXPECT_DOUBLE_EQ(title.pointSizeF(), 9.75);
    EXPECT_TRUE(title.bold());

    main.checkBox("AUTOSTART_TICKBOX").setValue(CheckBox::Checked);
    main.button("SAVE_BUTTON").setEnabled(false);
    main.textBox("SOURCE_TEXT_FILE_TEXTBOX").setLocked(true);
    QAccessibleInterface* save = QAccessible::queryAccessibleInterface(child(main, "SAVE_BUTTON"));
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(QAccessible::Name), "Save");
    EXPECT_EQ(save->text(QAccessible::Description), "SAVE_BUTTON");
    EXPECT_TRUE(save->state().disabled);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(child(main, "AUTOSTART_TICKBOX"))->state().checked);
    EXPECT_TRUE(child<QLineEdit>(main, "SOURCE_TEXT_FILE_TEXTBOX")->isReadOnly());
}

TEST_F(DisplayViewTest, ModelChangesReachTheWidgetsAndUserMovesTheModel)
{
    openMain();
    main.setCaption("DA-VEV (running)");
    main.button("AUTO_STARTS_STOPS_BUTTON").setCaption("STOP");
    main.textBox("TARGET_TEXT_FILE_TEXTBOX").setText("/data/target.txt");
    main.button("ABOUT_BUTTON").setVisible(false);
    QWidget* top = topOf(main);
    EXPECT_EQ(top->windowTitle(), "DA-VEV (running)");
    EXPECT_EQ(child<QPushButton>(main, "AUTO_STARTS_STOPS_BUTTON")->text(), "STOP");
    EXPECT_EQ(child<QLineEdit>(main, "TARGET_TEXT_FILE_TEXTBOX")->text(), "/data/target.txt");
    EXPECT_FALSE(child(main, "ABOUT_BUTTON")->isVisible());

    top->move(200, 120);
    EXPECT_EQ(main.left(), std::round(200 * 1440.0f / static_cast<float>(dpi())));
    EXPECT_EQ(main.top(), std::round(120 * 1440.0f / static_cast<float>(dpi())));
    // The program's own placement keeps its exact twips, even between pixels.
    main.setLeft(1234);
    EXPECT_EQ(top->frameGeometry().left(), px(1234));
    EXPECT_EQ(main.left(), 1234.0f);
}

TEST_F(DisplayViewTest, DialogIsOwnedPlacedAndFocusedOnOk)
{
    openMain();
    // The origin, where Qt would rather centre a dialog over its owner.
    about.setLeft(0);
    about.setTop(0);
    int clicks = 0;
    about.button("OK_BUTTON").onClick([&] { ++clicks; });
    whileModal(about, main, [&] {
        QWidget* top = topOf(about);
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(top->parentWidget(), topOf(main));
        EXPECT_FALSE(top->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(top->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_EQ(top->frameGeometry().topLeft(), QPoint(0, 0));
        ASSERT_EQ(top->focusWidget(), child(about, "OK_BUTTON"));
        QTest::keyClick(top->focusWidget(), Qt::Key_Return);
        EXPECT_EQ(clicks, 1);
    });
}

TEST_F(DisplayViewTest, TabVisitsFocusableControlsByTabIndex)
{
    openMain();
    QWidget* top = topOf(main);
    top->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top, Generous));
    ASSERT_EQ(top->focusWidget(), child(main, "AUTO_STARTS_STOPS_BUTTON"));
    const auto cycle = [top] {
        std::vector<QString> names;
        QWidget* start = top->focusWidget();
        QWidget* current = start;
        do {
            names.push_back(current->objectName());
            QTest::keyClick(current, Qt::Key_Tab);
            current = top->focusWidget();
        } while (current != start && names.size() < 50);
        return names;
    };
    std::vector<QString> expected = {"AUTO_STARTS_STOPS_BUTTON",
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

TEST_F(DisplayViewTest, ButtonAndLabelActionsReachTheModel)
{
    openMain();
    int clicks = 0;
    int doubleClicks = 0;
    main.button("SAVE_BUTTON").onClick([&] { ++clicks; });
    main.label("VX_TITLE").onDblClick([&] { ++doubleClicks; });
    QWidget* save = child(main, "SAVE_BUTTON");
    QTest::keyClick(save, Qt::Key_Return);
    QTest::keyClick(save, Qt::Key_Space);
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(clicks, 3);
    main.button("SAVE_BUTTON").setEnabled(false);
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(clicks, 3);
    QTest::mouseDClick(child(main, "VX_TITLE"), Qt::LeftButton);
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(DisplayViewTest, TypingReachesTheModelUnlessLockedWithCrLfLineEnds)
{
    openMain(5000);
    TextBox& source = main.textBox("SOURCE_TEXT_FILE_TEXTBOX");
    auto* line = child<QLineEdit>(main, "SOURCE_TEXT_FILE_TEXTBOX");
    line->clear();
    QTest::keyClicks(line, "in.txt");
    EXPECT_EQ(source.text(), "in.txt");
    source.setLocked(true);
    QTest::keyClicks(line, "more");
    QTest::keyClick(line, Qt::Key_Backspace);
    EXPECT_EQ(source.text(), "in.txt");
    EXPECT_EQ(line->text(), "in.txt");

    TextBox& command = main.textBox("FULL_COMMAND_TEXTBOX");
    command.setText("one\r\ntwo");
    auto* edit = child<QPlainTextEdit>(main, "FULL_COMMAND_TEXTBOX");
    EXPECT_EQ(edit->toPlainText(), "one\ntwo");
    edit->moveCursor(QTextCursor::End);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "three");
    EXPECT_EQ(command.text(), "one\r\ntwo\r\nthree");
}

TEST_F(DisplayViewTest, LockedDialogTextIsSelectableAndOnlyEscapeClosesTheDialog)
{
    openMain();
    int unloads = 0;
    output.onUnload([&] { ++unloads; });
    whileModal(output, main, [&] {
        auto* edit = child<QPlainTextEdit>(output, "FULL_COMMAND_TEXTBOX");
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_TRUE(edit->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        edit->setFocus();
        for (const auto key : {Qt::Key_X, Qt::Key_Return})
            QTest::keyClick(edit, key);
        EXPECT_EQ(output.textBox("FULL_COMMAND_TEXTBOX").text(), "FULL_COMMAND_TEXTBOX");
        EXPECT_TRUE(output.loaded());
        EXPECT_TRUE(topOf(output)->isVisible());

        // Escape is the close box: the window unloads (storing its place).
        QTest::keyClick(edit, Qt::Key_Escape);
        EXPECT_FALSE(output.loaded());
        EXPECT_EQ(unloads, 1);
    });
    whileModal(about, main, [&] {
        QTest::keyClick(topOf(about)->focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(about.loaded());
    });
}

// What a screen reader (through Qt's accessibility interfaces) finds.
TEST_F(DisplayViewTest, AssistiveTechnologyFindsNamesStatusAndLocksAndItsTextCounts)
{
    openMain(5000);
    const auto reader = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); };
    auto* source = child<QLineEdit>(main, "SOURCE_TEXT_FILE_TEXTBOX");
    EXPECT_EQ(reader(source)->text(QAccessible::Name), "Source TXT File");
    EXPECT_EQ(reader(child(main, "TARGET_TEXT_FILE_TEXTBOX"))->text(QAccessible::Name), "Target TXT File");
    EXPECT_EQ(reader(child(main, "FULL_COMMAND_TEXTBOX"))->text(QAccessible::Name), "Output Cmd");

    // Text put in without keystrokes is the user's text all the same.
    TextBox& model = main.textBox("SOURCE_TEXT_FILE_TEXTBOX");
    reader(source)->setText(QAccessible::Value, "/from/a/screen/reader.txt");
    EXPECT_EQ(model.text(), "/from/a/screen/reader.txt");
    source->setText("/from/a/test/tool.txt");
    EXPECT_EQ(model.text(), "/from/a/test/tool.txt");

    model.setLocked(true);
    EXPECT_TRUE(reader(source)->state().readOnly);
    source->setText("/refused.txt");
    EXPECT_EQ(model.text(), "/from/a/test/tool.txt");
    EXPECT_EQ(source->text(), "/from/a/test/tool.txt");
    model.setLocked(false);
    EXPECT_FALSE(reader(source)->state().readOnly);

    QAccessibleInterface* statusLine = reader(child(main, "CURRENT_STATUS_LABEL"));
    EXPECT_EQ(statusLine->role(), QAccessible::StatusBar);
    main.label("CURRENT_STATUS_LABEL").setCaption("!!! ABORTED !!!");
    EXPECT_EQ(statusLine->text(QAccessible::Name), "!!! ABORTED !!!");
    EXPECT_EQ(reader(child(main, "STATUS_LABEL"))->role(), QAccessible::StaticText) << "only the status line";
}

TEST_F(DisplayViewTest, CheckBoxShowsWhatTheModelDecides)
{
    openMain();
    CheckBox& box = main.checkBox("LOOP_1MIN_TICKBOX");
    auto* widget = child<QCheckBox>(main, "LOOP_1MIN_TICKBOX");
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_EQ(widget->checkState(), Qt::Checked);

    // A handler that refuses the change puts the box back; the widget follows.
    box.onClick([&] {
        if (box.value() == CheckBox::Unchecked)
            box.setValue(CheckBox::Checked);
    });
    QTest::mouseClick(widget, Qt::LeftButton);
    QTest::keyClick(widget, Qt::Key_Space);
    EXPECT_EQ(widget->checkState(), Qt::Checked);

    box.onClick({});
    box.setValue(CheckBox::Grayed);
    EXPECT_EQ(widget->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(widget->checkState(), Qt::Checked);

    QTest::mouseClick(child(main, "AUTOCLOSE_TICKBOX"), Qt::LeftButton);
    EXPECT_EQ(main.checkBox("AUTOCLOSE_TICKBOX").value(), CheckBox::Unchecked);
}

TEST_F(DisplayViewTest, WindowIconIsReadFromThePngFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage drawn(24, 24, QImage::Format_ARGB32);
    drawn.fill(QColor(0, 128, 0));
    const QString file = dir.filePath(QStringLiteral("icon-24.png"));
    ASSERT_TRUE(drawn.save(file, "PNG"));

    display.setIconPath(file.toStdString());
    openMain();
    const QIcon icon = topOf(main)->windowIcon();
    ASSERT_TRUE(icon.availableSizes().contains(QSize(24, 24)));
    EXPECT_EQ(icon.pixmap(24, 24).toImage().pixelColor(12, 12), QColor(0, 128, 0));

    display.setIconPath("");
    EXPECT_TRUE(QGuiApplication::windowIcon().availableSizes().contains(QSize(24, 24))) << "back to the program's own";
}

TEST_F(DisplayViewTest, EveryWindowCarriesTheBuiltInIconInBothSizes)
{
    openMain();
    std::vector<QIcon> icons{topOf(main)->windowIcon()};
    whileModal(about, main, [&] { icons.push_back(topOf(about)->windowIcon()); });
    whileModal(output, main, [&] { icons.push_back(topOf(output)->windowIcon()); });
    for (const QIcon& icon : icons) {
        const auto sizes = icon.availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(24, 24))) << sizes.size();
        // Each size drawn for itself, not the other one scaled.
        const QImage small = icon.pixmap(QSize(16, 16)).toImage();
        const QImage large = icon.pixmap(QSize(24, 24)).toImage();
        EXPECT_EQ(small.size(), QSize(16, 16));
        EXPECT_EQ(large.size(), QSize(24, 24));
        EXPECT_NE(small, large.scaled(16, 16));
    }
}

} // namespace
} // namespace davev::test
