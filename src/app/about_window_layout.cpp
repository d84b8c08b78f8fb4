#include "app/layouts.h"
#include "platform/layout_builders.h"

namespace davev {
namespace {

using K = ControlKind;
using namespace layout;

WindowSpec build()
{
    WindowSpec w;
    w.name = "DA_VEV_ABOUT";
    w.caption = "DA-VEV - ABOUT";
    w.clientWidth = 5895;
    w.clientHeight = 3015;
    w.minimizeButton = false;
    w.controls = {
        control(K::Button, "OK_BUTTON", "OK", 1920, 2160, 2055, 615, 0),
        noteStyle(control(K::Label, "BAT_FILE_MESSAGE_LABEL", "!!! RUNNER \".bat\" FILE SAVED AS \".exe\" FILENAME !!!",
                          120, 1560, 5655, 330, 6),
                  ArialBold),
        displayStyle(control(K::Label, "DA_VEV_TITLE_2", "ZODORIZ-OVI - VX-Reriraz", 120, 120, 5655, 360, 5),
                     ArialBold),
        displayStyle(control(K::Label, "DA_VEV_VERSION", "Version 1.0", 3960, 600, 1815, 345, 4), ArialBold),
        displayStyle(control(K::Label, "DA_VEV_TITLE_1", "DA-VEV", 120, 600, 1575, 360, 3), ArialBold),
        displayStyle(control(K::Label, "DA_VEV_FREEWARE", "!!! FREEWARE !!!", 1800, 600, 2055, 360, 2), ArialBold),
        displayStyle(control(K::Label, "DA_VEV_CREATOR", "Created By Zerud904", 120, 1080, 5655, 360, 1), ArialBold),
    };
    return w;
}

} // namespace

const WindowSpec& aboutWindowLayout()
{
    static const WindowSpec design = build();
    return design;
}

} // namespace davev
