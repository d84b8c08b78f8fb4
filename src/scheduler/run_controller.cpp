#include "scheduler/run_controller.h"

#include "scheduler/status_texts.h"

namespace davev {
namespace {

void startRun(MainWindow& m)
{
    m.AUTO_STARTS_STOPS_BUTTON.setCaption(std::string(status::Stop));
    m.AUTOSTART_TIMER.setEnabled(true);
    m.SAVE_BUTTON.setEnabled(false);
    m.RUN_NOW_BUTTON.setEnabled(false);
    m.SOURCE_TEXT_FILE_TEXTBOX.setLocked(true);
    m.TARGET_TEXT_FILE_TEXTBOX.setLocked(true);
    m.AUTOSTART_TICKBOX.setEnabled(false);
    m.AUTOCLOSE_TICKBOX.setEnabled(false);
    setStatus(m, status::Autostarting);
    m.LOOP_1MIN_TICKBOX.setEnabled(false);
    m.LOOP_5MIN_TICKBOX.setEnabled(false);
}

void abortRun(MainWindow& m)
{
    m.AUTO_STARTS_STOPS_BUTTON.setCaption(std::string(status::Start));
    m.SAVE_BUTTON.setEnabled(true);
    m.RUN_NOW_BUTTON.setEnabled(true);
    for (Timer* timer : {&m.AUTOSTART_TIMER, &m.BAT_TIMER, &m.LOOP_1MIN_TIMER, &m.LOOP_2MIN_TIMER, &m.LOOP_3MIN_TIMER,
                         &m.LOOP_4MIN_TIMER, &m.LOOP_5MIN_TIMER, &m.ZERO_END_TIMER, &m.AUTOCLOSE_TIMER})
        timer->setEnabled(false);
    m.SOURCE_TEXT_FILE_TEXTBOX.setLocked(false);
    m.TARGET_TEXT_FILE_TEXTBOX.setLocked(false);
    setStatus(m, status::Aborted);
    m.AUTOSTART_TICKBOX.setEnabled(true);
    m.AUTOCLOSE_TICKBOX.setEnabled(true);
    m.LOOP_1MIN_TICKBOX.setEnabled(true);
    m.LOOP_5MIN_TICKBOX.setEnabled(true);
}

void returnToReady(MainWindow& m)
{
    setStatus(m, status::Ready);
    m.AUTO_STARTS_STOPS_BUTTON.setCaption(std::string(status::Start));
    m.AUTOSTART_TICKBOX.setEnabled(true);
    m.SAVE_BUTTON.setEnabled(true);
    m.RUN_NOW_BUTTON.setEnabled(true);
    m.SOURCE_TEXT_FILE_TEXTBOX.setLocked(false);
    m.TARGET_TEXT_FILE_TEXTBOX.setLocked(false);
    m.AUTOCLOSE_TICKBOX.setEnabled(true);
    m.LOOP_1MIN_TICKBOX.setEnabled(true);
    m.LOOP_5MIN_TICKBOX.setEnabled(true);
}

bool checked(const CheckBox& box)
{
    return box.value() == CheckBox::Checked;
}

} // namespace

void setStatus(MainWindow& m, std::string_view text)
{
    m.CURRENT_STATUS_LABEL.setCaption(std::string(text));
}

void enterAutostartCountdown(MainWindow& m)
{
    m.AUTOSTART_TIMER.setEnabled(true);
    m.AUTO_STARTS_STOPS_BUTTON.setCaption(std::string(status::Stop));
    m.AUTOSTART_TICKBOX.setEnabled(false);
    m.AUTOCLOSE_TICKBOX.setEnabled(false);
    m.SAVE_BUTTON.setEnabled(false);
    m.RUN_NOW_BUTTON.setEnabled(false);
    m.SOURCE_TEXT_FILE_TEXTBOX.setLocked(true);
    m.TARGET_TEXT_FILE_TEXTBOX.setLocked(true);
    m.LOOP_1MIN_TICKBOX.setEnabled(false);
    m.LOOP_5MIN_TICKBOX.setEnabled(false);
    setStatus(m, status::AutostartCountdown);
}

void startStopClick(MainWindow& m)
{
    if (m.AUTO_STARTS_STOPS_BUTTON.caption() == status::Start)
        startRun(m);
    else
        abortRun(m);
}

void launchTick(MainWindow& m, RunActions& actions)
{
    setStatus(m, status::RunningImporting);
    // A refused launch is reported by the launcher's caller; the schedule
    // goes on so that the next repeat tries again and auto-close still closes.
    actions.launchRunner();
    if (checked(m.LOOP_1MIN_TICKBOX)) {
        setStatus(m, status::Repeat1Min);
        m.LOOP_1MIN_TIMER.setEnabled(true);
    }
    if (checked(m.LOOP_5MIN_TICKBOX)) {
        setStatus(m, status::Repeat5Mins);
        m.LOOP_5MIN_TIMER.setEnabled(true);
    }
    if (checked(m.AUTOCLOSE_TICKBOX)) {
        setStatus(m, status::AutocloseCountdown);
        m.AUTOCLOSE_TIMER.setEnabled(true);
    }
    if (m.AUTOCLOSE_TICKBOX.value() == CheckBox::Unchecked && m.LOOP_1MIN_TICKBOX.value() == CheckBox::Unchecked &&
        m.LOOP_5MIN_TICKBOX.value() == CheckBox::Unchecked)
        returnToReady(m);
    m.BAT_TIMER.setEnabled(false);
}

void repeatLeadInTick(MainWindow& m)
{
    if (checked(m.LOOP_1MIN_TICKBOX)) {
        setStatus(m, status::Importing);
        m.BAT_TIMER.setEnabled(true);
    }
    if (checked(m.LOOP_5MIN_TICKBOX)) {
        setStatus(m, status::Importing);
        m.BAT_TIMER.setEnabled(true);
    }
    m.ZERO_END_TIMER.setEnabled(false);
}

} // namespace davev
