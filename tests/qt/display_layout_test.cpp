#include <QAccessible>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "display_fixture.h"

namespace davev::test {
namespace {

using DisplayLayoutTest = DisplayTest;

// On screen: shown, and not clipped away below the client area.
bool inView(const QWidget* widget)
{
    return widget->isVisible() && widget->parentWidget()->rect().intersects(widget->geometry());
}

TEST_F(DisplayLayoutTest, MainWindowShowsTheClientAreaOfItsOuterSize)
{
    openMain();
    QWidget* top = topOf(main);
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(top->objectName(), "DA_VEV_MAIN");
    EXPECT_EQ(top->windowTitle(), "DA-VEV");
    // Outer 5760 x 3150 less the 45 + 45 and 330 + 45 twips of the design frame.
    EXPECT_EQ(top->size(), QSize(px(5670), px(2775)));
    if (dpi() == 96) {
        EXPECT_EQ(top->size(), QSize(378, 185));
    }
    EXPECT_EQ(top->minimumSize(), top->maximumSize()) << "the frame must not be resizable";
    EXPECT_EQ(top->frameGeometry().topLeft(), QPoint(px(1500), px(750)));
}

TEST_F(DisplayLayoutTest, TitleBarButtonsFollowTheLayout)
{
    openMain();
    // The top-left corner, where Qt would rather centre a dialog over its owner.
    about.setLeft(0);
    about.setTop(0);
    const Qt::WindowFlags flags = topOf(main)->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    whileModal(about, main, [&] {
        QWidget* top = topOf(about);
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->frameGeometry().topLeft(), QPoint(0, 0)) << "placed as the model says";
        EXPECT_TRUE(top->isModal());
        EXPECT_EQ(top->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(top->parentWidget(), topOf(main)) << "owned by the main window";
        EXPECT_FALSE(top->windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(top->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(top->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_EQ(top->windowTitle(), "DA-VEV - ABOUT");
    });
}

TEST_F(DisplayLayoutTest, ControlsSitAtTheirTwipsGeometry)
{
    openMain();
    const auto* save = child<QPushButton>(main, "SAVE_BUTTON");
    ASSERT_NE(save, nullptr);
    if (dpi() == 96) {
        EXPECT_EQ(save->geometry(), QRect(152, 152, 49, 25));
    }
    for (const auto& control : main.controls()) {
        if (control->kind() == ControlKind::Timer) {
            EXPECT_EQ(child(main, control->spec().name.data()), nullptr) << "timers have no widget";
            continue;
        }
        const ControlSpec& spec = control->spec();
        const QWidget* widget = child(main, control->name().c_str());
        ASSERT_NE(widget, nullptr) << control->name();
        EXPECT_EQ(widget->geometry(), QRect(px(spec.left), px(spec.top), px(spec.left + spec.width) - px(spec.left),
                                            px(spec.top + spec.height) - px(spec.top)))
            << control->name();
    }
}

TEST_F(DisplayLayoutTest, EachKindOfControlGetsItsWidget)
{
    openMain();
    EXPECT_NE(child<QLabel>(main, "CURRENT_STATUS_LABEL"), nullptr);
    EXPECT_NE(child<QPushButton>(main, "AUTO_STARTS_STOPS_BUTTON"), nullptr);
    EXPECT_NE(child<QCheckBox>(main, "AUTOSTART_TICKBOX"), nullptr);
    EXPECT_NE(child<QLineEdit>(main, "SOURCE_TEXT_FILE_TEXTBOX"), nullptr);
    EXPECT_NE(child<QPlainTextEdit>(main, "FULL_COMMAND_TEXTBOX"), nullptr);
    EXPECT_EQ(child<QLabel>(main, "CURRENT_STATUS_LABEL")->text(), "READY...");
    EXPECT_EQ(child<QPushButton>(main, "AUTO_STARTS_STOPS_BUTTON")->text(), "START");
}

TEST_F(DisplayLayoutTest, LowerAreaComesIntoViewOnlyWithATallerWindow)
{
    const char* const neverShown[] = {"TYPE_NEW_LINE_TEXTBOX", "ECHO_BUTTON", "TYPE_CMD_TEXTBOX", "INTO_TB",
                                      "SM_TB", "DEL_FILE_BUTTON", "TARGET_BUTTON", "SOURCE_BUTTON"};
    openMain();
    EXPECT_TRUE(inView(child(main, "AUTO_STARTS_STOPS_BUTTON")));
    EXPECT_TRUE(inView(child(main, "ABOUT_BUTTON")));
    EXPECT_FALSE(inView(child(main, "FULL_COMMAND_TEXTBOX")));
    for (const char* name : neverShown)
        EXPECT_FALSE(inView(child(main, name))) << name;

    main.setHeight(5000);
    EXPECT_EQ(topOf(main)->height(), px(5000 - 375));
    EXPECT_TRUE(inView(child(main, "FULL_COMMAND_TEXTBOX")));
    for (const char* name : neverShown) {
        EXPECT_FALSE(inView(child(main, name))) << name;
        EXPECT_TRUE(child(main, name)->isHidden()) << name;
    }
}

TEST_F(DisplayLayoutTest, DisplayStyleLabelsAreGreenOnBlackBoxedAndCentred)
{
    openMain();
    const auto* status = child<QLabel>(main, "CURRENT_STATUS_LABEL");
    EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(status->palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_TRUE(status->autoFillBackground());
    EXPECT_EQ(status->frameShape(), QFrame::Box);
    EXPECT_TRUE(status->alignment() & Qt::AlignHCenter);

    const auto* plain = child<QLabel>(main, "SOURCE_TEXT_FILE_LABEL");
    EXPECT_EQ(plain->frameShape(), QFrame::NoFrame);
    EXPECT_FALSE(plain->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(plain->focusPolicy(), Qt::NoFocus);
}

TEST_F(DisplayLayoutTest, WindowsFontsMapToInstalledFaces)
{
    openMain();
    const QFontInfo button(child(main, "SAVE_BUTTON")->font());
    EXPECT_EQ(button.family(), "Liberation Sans");
    EXPECT_DOUBLE_EQ(child(main, "SAVE_BUTTON")->font().pointSizeF(), 8.25);
    EXPECT_FALSE(button.bold());

    const QFont title = child(main, "VX_TITLE")->font();
    EXPECT_EQ(QFontInfo(title).family(), "Liberation Sans");
    EXPECT_DOUBLE_EQ(title.pointSizeF(), 9.75);
    EXPECT_TRUE(title.bold());
}

TEST_F(DisplayLayoutTest, WidgetsCarryTheControlNameAndRealStates)
{
    openMain();
    main.checkBox("AUTOSTART_TICKBOX").setValue(CheckBox::Checked);
    main.button("SAVE_BUTTON").setEnabled(false);
    main.textBox("SOURCE_TEXT_FILE_TEXTBOX").setLocked(true);

    QWidget* save = child(main, "SAVE_BUTTON");
    EXPECT_EQ(save->accessibleDescription(), "SAVE_BUTTON");
    EXPECT_FALSE(save->isEnabled());
    QAccessibleInterface* saveAccessible = QAccessible::queryAccessibleInterface(save);
    ASSERT_NE(saveAccessible, nullptr);
    EXPECT_EQ(saveAccessible->text(QAccessible::Name), "Save");
    EXPECT_TRUE(saveAccessible->state().disabled);

    QAccessibleInterface* autostart = QAccessible::queryAccessibleInterface(child(main, "AUTOSTART_TICKBOX"));
    EXPECT_TRUE(autostart->state().checked);
    EXPECT_TRUE(child<QLineEdit>(main, "SOURCE_TEXT_FILE_TEXTBOX")->isReadOnly());
    EXPECT_EQ(child(main, "CURRENT_STATUS_LABEL")->accessibleDescription(), "CURRENT_STATUS_LABEL");
}

TEST_F(DisplayLayoutTest, ModelChangesReachTheWidgets)
{
    openMain();
    main.setCaption("DA-VEV (running)");
    main.label("CURRENT_STATUS_LABEL").setCaption("IMPORTING...");
    main.button("AUTO_STARTS_STOPS_BUTTON").setCaption("STOP");
    main.checkBox("AUTOCLOSE_TICKBOX").setEnabled(true);
    main.textBox("TARGET_TEXT_FILE_TEXTBOX").setText("/data/target.txt");
    main.button("ABOUT_BUTTON").setVisible(false);
    main.setLeft(3000);

    QWidget* top = topOf(main);
    EXPECT_EQ(top->windowTitle(), "DA-VEV (running)");
    EXPECT_EQ(child<QLabel>(main, "CURRENT_STATUS_LABEL")->text(), "IMPORTING...");
    EXPECT_EQ(child<QPushButton>(main, "AUTO_STARTS_STOPS_BUTTON")->text(), "STOP");
    EXPECT_TRUE(child(main, "AUTOCLOSE_TICKBOX")->isEnabled());
    EXPECT_EQ(child<QLineEdit>(main, "TARGET_TEXT_FILE_TEXTBOX")->text(), "/data/target.txt");
    EXPECT_FALSE(child(main, "ABOUT_BUTTON")->isVisible());
    EXPECT_EQ(top->frameGeometry().left(), px(3000));
}

TEST_F(DisplayLayoutTest, UserMovesUpdateTheModelInWholeTwips)
{
    openMain();
    QWidget* top = topOf(main);
    top->move(200, 120);
    EXPECT_EQ(main.left(), static_cast<float>(std::round(200 * 1440.0 / dpi())));
    EXPECT_EQ(main.top(), static_cast<float>(std::round(120 * 1440.0 / dpi())));
    if (dpi() == 96) {
        EXPECT_EQ(main.left(), 3000.0f);
        EXPECT_EQ(main.top(), 1800.0f);
    }

    // The program's own placement keeps its exact twips, even between pixels.
    main.setLeft(1234);
    EXPECT_EQ(main.left(), 1234.0f);
}

TEST_F(DisplayLayoutTest, EveryShowingIsBuiltFromTheModelAsItIsThen)
{
    openMain();
    QWidget* first = topOf(main);
    display.close(main);
    EXPECT_FALSE(first->isVisible());

    main.load();
    main.label("CURRENT_STATUS_LABEL").setCaption("AGAIN");
    main.setHeight(5000);
    display.show(main);
    QWidget* second = topOf(main);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->isVisible());
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(second->findChild<QLabel*>("CURRENT_STATUS_LABEL")->text(), "AGAIN");
    EXPECT_EQ(second->height(), px(5000 - 375));
}

} // namespace
} // namespace davev::test
