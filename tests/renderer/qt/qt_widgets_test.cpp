// What only Qt's widgets show: names and roles for assistive technology,
// and the widget properties behind them.
#include <QAccessible>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "qt_widgets.h"
#include "renderer_under_test.h"

namespace davev::test {
namespace {

using QtWidgetsTest = RendererTest;

QAccessibleInterface* reader(const Window& window, std::string_view control)
{
    return QAccessible::queryAccessibleInterface(&widgetOf(window, control));
}

TEST_F(QtWidgetsTest, FormsAreNamedAndModalOverTheWholeProgram)
{
    openMain();
    EXPECT_EQ(top(main).objectName(), "DA_VEV_MAIN");
    EXPECT_EQ(widgetOf(main, "CURRENT_STATUS_LABEL").focusPolicy(), Qt::NoFocus);
    whileModal(output, main, [&] {
        EXPECT_EQ(top(output).windowModality(), Qt::ApplicationModal);
        // Read-only still lets the user select and copy, also from the keyboard.
        const auto& edit = static_cast<QPlainTextEdit&>(widgetOf(output, "FULL_COMMAND_TEXTBOX"));
        EXPECT_TRUE(edit.textInteractionFlags() & Qt::TextSelectableByKeyboard);
    });
}

// What a screen reader (through Qt's accessibility interfaces) finds.
TEST_F(QtWidgetsTest, AssistiveTechnologyFindsNamesStatusAndLocksAndItsTextCounts)
{
    openMain(5000);
    EXPECT_EQ(reader(main, "SOURCE_TEXT_FILE_TEXTBOX")->text(QAccessible::Name), "Source TXT File");
    EXPECT_EQ(reader(main, "TARGET_TEXT_FILE_TEXTBOX")->text(QAccessible::Name), "Target TXT File");
    EXPECT_EQ(reader(main, "FULL_COMMAND_TEXTBOX")->text(QAccessible::Name), "Output Cmd");
    main.checkBox("AUTOSTART_TICKBOX").setValue(CheckBox::Checked);
    EXPECT_TRUE(reader(main, "AUTOSTART_TICKBOX")->state().checked);
    main.button("SAVE_BUTTON").setEnabled(false);
    QAccessibleInterface* save = reader(main, "SAVE_BUTTON");
    EXPECT_EQ(save->text(QAccessible::Name), "Save");
    EXPECT_EQ(save->text(QAccessible::Description), "SAVE_BUTTON");
    EXPECT_TRUE(save->state().disabled);

    TextBox& model = main.textBox("SOURCE_TEXT_FILE_TEXTBOX");
    QAccessibleInterface* source = reader(main, "SOURCE_TEXT_FILE_TEXTBOX");
    source->setText(QAccessible::Value, "/from/a/screen/reader.txt");
    EXPECT_EQ(model.text(), "/from/a/screen/reader.txt");
    model.setLocked(true);
    EXPECT_TRUE(source->state().readOnly);
    model.setLocked(false);
    EXPECT_FALSE(source->state().readOnly);

    QAccessibleInterface* statusLine = reader(main, "CURRENT_STATUS_LABEL");
    EXPECT_EQ(statusLine->role(), QAccessible::StatusBar);
    main.label("CURRENT_STATUS_LABEL").setCaption("!!! ABORTED !!!");
    EXPECT_EQ(statusLine->text(QAccessible::Name), "!!! ABORTED !!!");
    EXPECT_EQ(reader(main, "STATUS_LABEL")->role(), QAccessible::StaticText) << "only the status line";
}

} // namespace
} // namespace davev::test
