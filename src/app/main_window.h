#pragma once

#include "platform/controls.h"

namespace davev {

// The main window and its 37 controls, by the names every handler uses.
struct MainWindow {
    explicit MainWindow(Window& w);

    Window& window;

    Timer& ZERO_END_TIMER;
    Timer& LOOP_2MIN_TIMER;
    Timer& LOOP_3MIN_TIMER;
    Timer& LOOP_4MIN_TIMER;
    Timer& LOOP_5MIN_TIMER;
    Timer& LOOP_1MIN_TIMER;
    CheckBox& LOOP_5MIN_TICKBOX;
    CheckBox& LOOP_1MIN_TICKBOX;
    Button& SAVE_BUTTON;
    Timer& BAT_TIMER;
    Button& OUTPUT_CMD_BUTTON;
    Timer& AUTOSTART_TIMER;
    Timer& AlwaysOnTopTimer;
    Timer& AUTOCLOSE_TIMER;
    Button& RUN_NOW_BUTTON;
    CheckBox& AlwaysOnTopTimer_TICKBOX;
    Button& AUTO_STARTS_STOPS_BUTTON;
    CheckBox& AUTOCLOSE_TICKBOX;
    CheckBox& AUTOSTART_TICKBOX;
    Button& ABOUT_BUTTON;
    TextBox& TYPE_NEW_LINE_TEXTBOX;
    Button& ECHO_BUTTON;
    TextBox& TYPE_CMD_TEXTBOX;
    TextBox& INTO_TB;
    TextBox& SM_TB;
    Button& DEL_FILE_BUTTON;
    TextBox& FULL_COMMAND_TEXTBOX;
    Button& TARGET_BUTTON;
    Button& SOURCE_BUTTON;
    TextBox& TARGET_TEXT_FILE_TEXTBOX;
    TextBox& SOURCE_TEXT_FILE_TEXTBOX;
    Label& CURRENT_STATUS_LABEL;
    Label& STATUS_LABEL;
    Label& TARGET_TEXT_FILE_LABEL;
    Label& SOURCE_TEXT_FILE_LABEL;
    Label& VX_TITLE;
    Label& APP_EXE_NAME_LABEL;
};

} // namespace davev
