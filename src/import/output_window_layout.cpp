#include "import/output_window_layout.h"

#include "platform/layout_builders.h"

namespace davev {
namespace {

using K = ControlKind;
using namespace layout;

WindowSpec build()
{
    WindowSpec w;
    w.name = "DA_VEV_OUTPUT_WINDOW";
    w.caption = "DA-VEV - OUTPUT COMMAND";
    w.clientWidth = 9615;
    w.clientHeight = 3480;
    w.minimizeButton = false;

    ControlSpec command = control(K::TextBox, "FULL_COMMAND_TEXTBOX", "FULL_COMMAND_TEXTBOX", 120, 600, 9375, 1365, 1);
    command.multiLine = true;
    command.verticalScrollBar = true;
    command.locked = true;
    command.labelledBy = "DA_VEV_TITLE_2";

    w.controls = {
        control(K::Button, "OK_BUTTON", "OK", 3720, 2640, 2175, 615, 0),
        command,
        displayStyle(
            control(K::Label, "DA_VEV_TITLE_2", "ZODORIZ-OVI - VX-Reriraz - Output Command", 120, 120, 9375, 360, 2),
            ArialBold),
        noteStyle(control(K::Label, "BAT_FILE_MESSAGE_LABEL",
                          "!!! RUNNER \".bat\" FILE SAVED AS \".exe\" FILENAME !!! ===>", 120, 2040, 5895, 330, 3),
                  ArialBold),
        labelledBy(noteStyle(control(K::Label, "BAT_FILENAME_LABEL", "BAT_FILENAME_LABEL", 6120, 2040, 3375, 330, 4),
                             ArialBold),
                   "BAT_FILE_MESSAGE_LABEL"),
    };
    return w;
}

} // namespace

const WindowSpec& outputWindowLayout()
{
    static const WindowSpec design = build();
    return design;
}

} // namespace davev
