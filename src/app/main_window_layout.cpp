#include "app/layouts.h"
#include "platform/layout_builders.h"

namespace davev {
namespace {

using K = ControlKind;
using namespace layout;

WindowSpec build()
{
    WindowSpec w;
    w.name = "DA_VEV_MAIN";
    w.caption = "DA-VEV";
    w.clientWidth = 5670;
    w.clientHeight = 5715;
    w.minimizeButton = true;

    ControlSpec alwaysOnTop =
        control(K::CheckBox, "AlwaysOnTopTimer_TICKBOX", "Always On Top", 360, 720, 1455, 255, 10);
    alwaysOnTop.value = 1;
    ControlSpec autoClose = control(K::CheckBox, "AUTOCLOSE_TICKBOX", "AutoClose", 1920, 960, 1095, 255, 7);
    autoClose.enabled = false;
    ControlSpec command = control(K::TextBox, "FULL_COMMAND_TEXTBOX", "FULL_COMMAND_TEXTBOX", 120, 3120, 5415, 885, 18);
    command.multiLine = true;
    // Out of sight at the default height; named after the button that fills it.
    command.labelledBy = "OUTPUT_CMD_BUTTON";
    ControlSpec status = control(K::Label, "STATUS_LABEL", "STATUS:", 360, 480, 855, 255, 25);
    status.font = SansBold;
    ControlSpec statusLine =
        displayStyle(control(K::Label, "CURRENT_STATUS_LABEL", "READY...", 1200, 480, 4335, 255, 26), SansBold);
    statusLine.statusLine = true;
    statusLine.labelledBy = "STATUS_LABEL";

    w.controls = {
        timer("ZERO_END_TIMER", 4440, 5040),
        timer("LOOP_2MIN_TIMER", 3480, 5040),
        timer("LOOP_3MIN_TIMER", 3000, 5040),
        timer("LOOP_4MIN_TIMER", 2520, 5040),
        timer("LOOP_5MIN_TIMER", 2040, 5040),
        timer("LOOP_1MIN_TIMER", 3960, 5040),
        control(K::CheckBox, "LOOP_5MIN_TICKBOX", "Repeat Import Every 5 Mins", 3120, 960, 2415, 255, 9),
        control(K::CheckBox, "LOOP_1MIN_TICKBOX", "Repeat Import Every 1 Min", 3120, 720, 2295, 255, 8),
        control(K::Button, "SAVE_BUTTON", "Save", 2280, 2280, 735, 375, 3),
        timer("BAT_TIMER", 1440, 5040),
        control(K::Button, "OUTPUT_CMD_BUTTON", "Output Cmd", 960, 2280, 1215, 375, 4),
        timer("AUTOSTART_TIMER", 840, 5040),
        timer("AlwaysOnTopTimer", 240, 5040),
        timer("AUTOCLOSE_TIMER", 5040, 5040),
        control(K::Button, "RUN_NOW_BUTTON", "Run Now", 3120, 2280, 975, 375, 5),
        alwaysOnTop,
        control(K::Button, "AUTO_STARTS_STOPS_BUTTON", "START", 4200, 2280, 1335, 375, 0),
        autoClose,
        control(K::CheckBox, "AUTOSTART_TICKBOX", "AutoStart", 1920, 720, 975, 255, 6),
        control(K::Button, "ABOUT_BUTTON", "About", 120, 2280, 735, 375, 11),
        hidden(control(K::TextBox, "TYPE_NEW_LINE_TEXTBOX", "echo. >> \"", 2400, 4200, 975, 285, 24)),
        hidden(control(K::Button, "ECHO_BUTTON", "ECHO", 2280, 4560, 735, 375, 23)),
        hidden(control(K::TextBox, "TYPE_CMD_TEXTBOX", "type \"", 240, 4200, 615, 285, 22)),
        hidden(control(K::TextBox, "INTO_TB", "\" >> \"", 960, 4200, 615, 285, 21)),
        hidden(control(K::TextBox, "SM_TB", "\"", 1680, 4200, 615, 285, 20)),
        hidden(control(K::Button, "DEL_FILE_BUTTON", "DEL FILE", 3120, 4560, 855, 375, 19)),
        command,
        hidden(control(K::Button, "TARGET_BUTTON", "TARGET", 1320, 4560, 855, 375, 17)),
        hidden(control(K::Button, "SOURCE_BUTTON", "SOURCE", 240, 4560, 975, 375, 16)),
        labelledBy(control(K::TextBox, "TARGET_TEXT_FILE_TEXTBOX", "TARGET_TEXT_FILE_TEXTBOX", 120, 1800, 5415, 285, 2),
                   "TARGET_TEXT_FILE_LABEL"),
        labelledBy(control(K::TextBox, "SOURCE_TEXT_FILE_TEXTBOX", "SOURCE_TEXT_FILE_TEXTBOX", 120, 1200, 5415, 285, 1),
                   "SOURCE_TEXT_FILE_LABEL"),
        statusLine,
        status,
        control(K::Label, "TARGET_TEXT_FILE_LABEL", "Target TXT File", 120, 1560, 1215, 255, 15),
        control(K::Label, "SOURCE_TEXT_FILE_LABEL", "Source TXT File", 120, 960, 1215, 255, 14),
        displayStyle(control(K::Label, "VX_TITLE", "DA-VEV", 120, 120, 975, 315, 13), ArialBold),
        displayStyle(control(K::Label, "APP_EXE_NAME_LABEL", "App.EXEName", 1200, 120, 4335, 315, 12), ArialBold),
    };
    return w;
}

} // namespace

const WindowSpec& mainWindowLayout()
{
    static const WindowSpec design = build();
    return design;
}

} // namespace davev
