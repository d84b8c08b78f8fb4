#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "display_fixture.h"
#include "platform/qt/line_ends.h"

namespace davev::test {
namespace {

class DisplayInputTest : public DisplayTest {
protected:
    QWidget* openAndActivate()
    {
        openMain();
        QWidget* top = topOf(main);
        top->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(top, Generous));
        return top;
    }

    // Names of the widgets Tab visits from the focused one until it comes round.
    static std::vector<QString> tabCycle(QWidget* top)
    {
        std::vector<QString> names;
        QWidget* start = top->focusWidget();
        if (start == nullptr)
            return names;
        QWidget* current = start;
        do {
            names.push_back(current->objectName());
            QTest::keyClick(current, Qt::Key_Tab);
            current = top->focusWidget();
        } while (current != nullptr && current != start && names.size() < 50);
        return names;
    }
};

TEST_F(DisplayInputTest, FocusStartsOnTheLowestTabIndexAndTabFollowsTheIndex)
{
    QWidget* top = openAndActivate();
    EXPECT_EQ(top->focusWidget(), child(main, "AUTO_STARTS_STOPS_BUTTON"));
    const std::vector<QString> expected = {
        "AUTO_STARTS_STOPS_BUTTON", "SOURCE_TEXT_FILE_TEXTBOX", "TARGET_TEXT_FILE_TEXTBOX", "SAVE_BUTTON",
        "OUTPUT_CMD_BUTTON", "RUN_NOW_BUTTON", "AUTOSTART_TICKBOX", "LOOP_1MIN_TICKBOX", "LOOP_5MIN_TICKBOX",
        "AlwaysOnTopTimer_TICKBOX", "ABOUT_BUTTON", "FULL_COMMAND_TEXTBOX"};
    EXPECT_EQ(tabCycle(top), expected);

    main.checkBox("AUTOCLOSE_TICKBOX").setEnabled(true);
    const std::vector<QString> withAutoClose = tabCycle(top);
    ASSERT_EQ(withAutoClose.size(), expected.size() + 1);
    EXPECT_EQ(withAutoClose[7], "AUTOCLOSE_TICKBOX");
}

TEST_F(DisplayInputTest, DialogFocusStartsOnOk)
{
    openMain();
    whileModal(about, main, [&] { EXPECT_EQ(topOf(about)->focusWidget(), child(about, "OK_BUTTON")); });
    whileModal(output, main, [&] { EXPECT_EQ(topOf(output)->focusWidget(), child(output, "OK_BUTTON")); });
}

TEST_F(DisplayInputTest, EnterAndSpaceClickTheFocusedButton)
{
    QWidget* top = openAndActivate();
    int clicks = 0;
    main.button("AUTO_STARTS_STOPS_BUTTON").onClick([&clicks] { ++clicks; });
    ASSERT_EQ(top->focusWidget(), child(main, "AUTO_STARTS_STOPS_BUTTON"));
    QTest::keyClick(top->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(top->focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(clicks, 2);
    QTest::keyClick(top->focusWidget(), Qt::Key_Space);
    EXPECT_EQ(clicks, 3);
}

TEST_F(DisplayInputTest, DisabledButtonIgnoresClicks)
{
    openMain();
    int clicks = 0;
    Button& save = main.button("SAVE_BUTTON");
    save.onClick([&clicks] { ++clicks; });
    save.setEnabled(false);
    QTest::mouseClick(child(main, "SAVE_BUTTON"), Qt::LeftButton);
    EXPECT_EQ(clicks, 0);
    save.setEnabled(true);
    QTest::mouseClick(child(main, "SAVE_BUTTON"), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST_F(DisplayInputTest, DialogIgnoresEnterAndEscapeOutsideItsButton)
{
    openMain();
    whileModal(output, main, [&] {
        int clicks = 0;
        output.button("OK_BUTTON").onClick([&clicks] { ++clicks; });
        QWidget* text = child(output, "FULL_COMMAND_TEXTBOX");
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Escape);
        QTest::keyClick(text, Qt::Key_Return);
        EXPECT_TRUE(output.loaded());
        EXPECT_TRUE(topOf(output)->isVisible());
        EXPECT_EQ(clicks, 0);
    });
}

TEST_F(DisplayInputTest, TypingReachesTheModelUnlessLocked)
{
    openMain();
    TextBox& source = main.textBox("SOURCE_TEXT_FILE_TEXTBOX");
    source.setText("");
    auto* edit = child<QLineEdit>(main, "SOURCE_TEXT_FILE_TEXTBOX");
    QTest::keyClicks(edit, "in.txt");
    EXPECT_EQ(source.text(), "in.txt");

    source.setLocked(true);
    QTest::keyClicks(edit, "more");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(source.text(), "in.txt");
    EXPECT_EQ(edit->text(), "in.txt");
}

TEST_F(DisplayInputTest, LockedMultiLineTextStaysSelectable)
{
    openMain();
    whileModal(output, main, [&] {
        TextBox& command = output.textBox("FULL_COMMAND_TEXTBOX");
        command.setText("type \"a\" >> \"b\"\r\necho. >> \"b\"");
        auto* edit = child<QPlainTextEdit>(output, "FULL_COMMAND_TEXTBOX");
        EXPECT_EQ(edit->toPlainText(), "type \"a\" >> \"b\"\necho. >> \"b\"");
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QTest::keyClicks(edit, "xyz");
        EXPECT_EQ(command.text(), "type \"a\" >> \"b\"\r\necho. >> \"b\"");
        EXPECT_TRUE(edit->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        edit->selectAll();
        EXPECT_TRUE(edit->textCursor().hasSelection());
    });
}

TEST_F(DisplayInputTest, MultiLineTypingKeepsCrLfInTheModel)
{
    openMain();
    main.setHeight(5000);
    TextBox& command = main.textBox("FULL_COMMAND_TEXTBOX");
    command.setText("one\r\ntwo");
    auto* edit = child<QPlainTextEdit>(main, "FULL_COMMAND_TEXTBOX");
    EXPECT_EQ(edit->toPlainText(), "one\ntwo");
    edit->moveCursor(QTextCursor::End);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "three");
    EXPECT_EQ(command.text(), "one\r\ntwo\r\nthree");
}

TEST(LineEnds, ConvertBetweenCrLfAndLf)
{
    EXPECT_EQ(toModelLineEnds("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(toModelLineEnds("a\r\nb"), "a\r\nb");
    EXPECT_EQ(toModelLineEnds("\n"), "\r\n");
    EXPECT_EQ(toWidgetLineEnds("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(toWidgetLineEnds("a\rb\r"), "a\rb\r");
    EXPECT_EQ(toModelLineEnds(toWidgetLineEnds("x\r\n\r\ny")), "x\r\n\r\ny");
}

TEST_F(DisplayInputTest, CheckBoxShowsWhatTheModelDecides)
{
    openMain();
    CheckBox& box = main.checkBox("LOOP_1MIN_TICKBOX");
    auto* widget = child<QCheckBox>(main, "LOOP_1MIN_TICKBOX");
    int clicks = 0;
    box.onClick([&] { ++clicks; });
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_EQ(widget->checkState(), Qt::Checked);
    EXPECT_EQ(clicks, 1);

    // A handler that refuses the change puts the box back; the widget follows.
    box.onClick([&] {
        ++clicks;
        if (box.value() == CheckBox::Unchecked)
            box.setValue(CheckBox::Checked);
    });
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_EQ(widget->checkState(), Qt::Checked);
    QTest::keyClick(widget, Qt::Key_Space);
    EXPECT_EQ(widget->checkState(), Qt::Checked);
}

TEST_F(DisplayInputTest, GreyCheckBoxShowsPartlyCheckedAndAClickChecksIt)
{
    openMain();
    CheckBox& box = main.checkBox("AUTOSTART_TICKBOX");
    auto* widget = child<QCheckBox>(main, "AUTOSTART_TICKBOX");
    box.setValue(CheckBox::Grayed);
    EXPECT_EQ(widget->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_EQ(widget->checkState(), Qt::Checked);
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(widget->checkState(), Qt::Unchecked);
}

TEST_F(DisplayInputTest, DisabledCheckBoxDoesNotChange)
{
    openMain();
    auto* widget = child<QCheckBox>(main, "AUTOCLOSE_TICKBOX");
    QTest::mouseClick(widget, Qt::LeftButton);
    EXPECT_EQ(main.checkBox("AUTOCLOSE_TICKBOX").value(), CheckBox::Unchecked);
    EXPECT_EQ(widget->checkState(), Qt::Unchecked);
}

TEST_F(DisplayInputTest, DoubleClickOnALabelReachesItsHandler)
{
    openMain();
    int clicks = 0;
    main.label("VX_TITLE").onDblClick([&clicks] { ++clicks; });
    QTest::mouseDClick(child(main, "VX_TITLE"), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

} // namespace
} // namespace davev::test
