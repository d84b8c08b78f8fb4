#include "scheduler/countdowns.h"

#include "scheduler/run_controller.h"
#include "scheduler/status_texts.h"

namespace davev {

void autostartTick(MainWindow& m)
{
    setStatus(m, status::Autostarting);
    m.BAT_TIMER.setEnabled(true);
    m.AUTOSTART_TIMER.setEnabled(false);
}

void autocloseTick(MainWindow& m, RunActions& actions)
{
    setStatus(m, status::Autoclosing);
    m.AUTOCLOSE_TIMER.setEnabled(false);
    actions.closeMainWindow();
}

void autostartClick(MainWindow& m)
{
    if (m.AUTOSTART_TICKBOX.value() == CheckBox::Checked) {
        m.AUTOCLOSE_TICKBOX.setEnabled(true);
    } else {
        m.AUTOCLOSE_TICKBOX.setEnabled(false);
        m.AUTOCLOSE_TICKBOX.setValue(CheckBox::Unchecked);
    }
}

void autocloseClick(MainWindow& m)
{
    if (m.AUTOCLOSE_TICKBOX.value() == CheckBox::Checked) {
        m.LOOP_1MIN_TICKBOX.setEnabled(false);
        m.LOOP_5MIN_TICKBOX.setEnabled(false);
        m.LOOP_1MIN_TICKBOX.setValue(CheckBox::Unchecked);
        m.LOOP_5MIN_TICKBOX.setValue(CheckBox::Unchecked);
    } else {
        m.LOOP_1MIN_TICKBOX.setEnabled(true);
        m.LOOP_5MIN_TICKBOX.setEnabled(true);
    }
}

} // namespace davev
