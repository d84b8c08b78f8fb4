#include "settings/main_window_lifecycle.h"

#include "scheduler/run_controller.h"

namespace davev {
namespace {

CheckBox* optionBox(MainWindow& m, std::string_view key)
{
    return &m.window.checkBox(std::string(key));
}

TextBox* textField(MainWindow& m, std::string_view key)
{
    return &m.window.textBox(std::string(key));
}

bool checked(const CheckBox& box)
{
    return box.value() == CheckBox::Checked;
}

void setIntervals(MainWindow& m)
{
    m.AlwaysOnTopTimer.setInterval(1000);
    m.AUTOSTART_TIMER.setInterval(10000);
    m.BAT_TIMER.setInterval(3000);
    m.AUTOCLOSE_TIMER.setInterval(10000);
    m.LOOP_1MIN_TIMER.setInterval(60000);
    m.LOOP_2MIN_TIMER.setInterval(60000);
    m.LOOP_3MIN_TIMER.setInterval(60000);
    m.LOOP_4MIN_TIMER.setInterval(60000);
    m.LOOP_5MIN_TIMER.setInterval(60000);
    m.ZERO_END_TIMER.setInterval(3000);
}

void applyExclusions(MainWindow& m)
{
    if (checked(m.AUTOCLOSE_TICKBOX)) {
        m.LOOP_1MIN_TICKBOX.setEnabled(false);
        m.LOOP_5MIN_TICKBOX.setEnabled(false);
        m.LOOP_1MIN_TICKBOX.setValue(CheckBox::Unchecked);
        m.LOOP_5MIN_TICKBOX.setValue(CheckBox::Unchecked);
    }
    if (checked(m.LOOP_1MIN_TICKBOX)) {
        m.LOOP_5MIN_TICKBOX.setEnabled(false);
        m.AUTOCLOSE_TICKBOX.setEnabled(false);
        m.AUTOCLOSE_TICKBOX.setValue(CheckBox::Unchecked);
    }
    if (checked(m.LOOP_5MIN_TICKBOX)) {
        m.LOOP_1MIN_TICKBOX.setEnabled(false);
        m.AUTOCLOSE_TICKBOX.setEnabled(false);
        m.AUTOCLOSE_TICKBOX.setValue(CheckBox::Unchecked);
    }
}

} // namespace

void loadMainWindow(MainWindow& m, SettingsStore& store, ExecutableName& executableName)
{
    store.restoreGeometry(m.window, settings::MainGeometry);
    m.APP_EXE_NAME_LABEL.setCaption(executableName.get());
    m.window.setCaption("DA-VEV - " + m.APP_EXE_NAME_LABEL.caption());
    for (const auto& option : settings::OptionKeys)
        optionBox(m, option.name)->setValue(store.getOption(option.name, option.defaultValue));
    for (const std::string_view key : settings::TextKeys)
        textField(m, key)->setText(store.get(key, ""));
    setIntervals(m);
    m.AlwaysOnTopTimer.setEnabled(checked(m.AlwaysOnTopTimer_TICKBOX));
    if (checked(m.AUTOSTART_TICKBOX)) {
        enterAutostartCountdown(m);
    } else {
        m.AUTOSTART_TIMER.setEnabled(false);
        m.AUTOSTART_TICKBOX.setEnabled(true);
        m.SOURCE_TEXT_FILE_TEXTBOX.setLocked(false);
        m.TARGET_TEXT_FILE_TEXTBOX.setLocked(false);
    }
    applyExclusions(m);
}

void storeMainWindowSettings(MainWindow& m, SettingsStore& store)
{
    SettingsBatch batch(store);
    batch.storePosition(m.window, settings::MainGeometry);
    for (const auto& option : settings::OptionKeys)
        batch.saveOption(option.name, optionBox(m, option.name)->value());
    for (const std::string_view key : settings::TextKeys)
        batch.save(key, textField(m, key)->text());
    batch.commit();
}

} // namespace davev
