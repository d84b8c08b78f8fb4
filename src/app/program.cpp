#include "app/program.h"

#include "app/about_window.h"
#include "app/layouts.h"
#include "import/compose.h"
#include "import/launch.h"
#include "import/output_window.h"
#include "import/output_window_layout.h"
#include "import/save.h"
#include "scheduler/countdowns.h"
#include "scheduler/repeat_chain.h"
#include "scheduler/run_controller.h"
#include "settings/always_on_top.h"
#include "settings/main_window_lifecycle.h"

namespace davev {

Program::Program(Platform& platform)
    : platform_(platform), store_(platform.settings, platform.executableName, platform.errors, platform.display),
      main_(std::make_unique<Window>(mainWindowLayout(), platform.errors, platform.timers)),
      controls_(std::make_unique<MainWindow>(*main_))
{
    wireMainWindow();
}

// Owned windows go first: their timers and handlers refer to the main window.
Program::~Program()
{
    output_.reset();
    about_.reset();
    controls_.reset();
    main_.reset();
}

void Program::start()
{
    main_->load();
    platform_.display.show(*main_);
}

void Program::wireMainWindow()
{
    MainWindow& m = *controls_;
    Platform& p = platform_;

    m.window.onLoad([&m, this] { loadMainWindow(m, store_, platform_.executableName); });
    m.window.onUnload([&m, this] { storeMainWindowSettings(m, store_); });

    m.OUTPUT_CMD_BUTTON.onClick([this] { showOutputWindow(); });
    m.SAVE_BUTTON.onClick([&m, &p, this] { saveClick(m, store_, p.fileOutput); });
    m.RUN_NOW_BUTTON.onClick([this] { launchRunner(); });
    m.DEL_FILE_BUTTON.onClick([&m, &p] { deleteFileClick(m, p.launcher); });
    m.SOURCE_BUTTON.onClick([&m] { sourceSampleClick(m); });
    m.TARGET_BUTTON.onClick([&m] { targetSampleClick(m); });
    m.ABOUT_BUTTON.onClick([this] { showAboutWindow(); });
    m.AUTO_STARTS_STOPS_BUTTON.onClick([&m] { startStopClick(m); });

    m.AlwaysOnTopTimer_TICKBOX.onClick([&m] { alwaysOnTopClick(m); });
    m.AUTOSTART_TICKBOX.onClick([&m] { autostartClick(m); });
    m.AUTOCLOSE_TICKBOX.onClick([&m] { autocloseClick(m); });
    m.LOOP_1MIN_TICKBOX.onClick([&m] { loop1MinClick(m); });
    m.LOOP_5MIN_TICKBOX.onClick([&m] { loop5MinClick(m); });

    m.AlwaysOnTopTimer.onTick([&m, &p] { alwaysOnTopTick(m, p.zOrder); });
    m.AUTOSTART_TIMER.onTick([&m] { autostartTick(m); });
    m.BAT_TIMER.onTick([&m, this] { launchTick(m, *this); });
    m.ZERO_END_TIMER.onTick([&m] { repeatLeadInTick(m); });
    m.AUTOCLOSE_TIMER.onTick([&m, this] { autocloseTick(m, *this); });
    for (Timer* minute : {&m.LOOP_5MIN_TIMER, &m.LOOP_4MIN_TIMER, &m.LOOP_3MIN_TIMER, &m.LOOP_2MIN_TIMER})
        minute->onTick([&m, minute] { chainTick(m, *minute); });
    m.LOOP_1MIN_TIMER.onTick([&m] { lastMinuteTick(m); });
}

void Program::launchRunner()
{
    try {
        launchRunnerBatchFile(*controls_, platform_.launcher, platform_.log, platform_.errors);
    } catch (const PlatformError& error) {
        platform_.errors.report(error);
    }
}

void Program::closeMainWindow()
{
    platform_.display.close(*main_);
}

void Program::showOutputWindow()
{
    composeImportCommand(*controls_);
    if (!output_) {
        output_ = std::make_unique<Window>(outputWindowLayout(), platform_.errors, platform_.timers);
        wireOutputWindow(*output_, *main_, store_, platform_.executableName, platform_.display);
    }
    output_->load();
    platform_.display.showModal(*output_, *main_);
}

void Program::showAboutWindow()
{
    if (!about_) {
        about_ = std::make_unique<Window>(aboutWindowLayout(), platform_.errors, platform_.timers);
        wireAboutWindow(*about_, store_, platform_.display);
    }
    about_->load();
    platform_.display.showModal(*about_, *main_);
}

} // namespace davev
