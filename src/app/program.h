#pragma once

#include <memory>

#include "app/main_window.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "scheduler/run_actions.h"
#include "settings/settings_store.h"

namespace davev {

// The program's three windows and the handlers that join them to the
// platform. Windows live as long as the program does: the platform only
// loads, shows and unloads them.
class Program : private RunActions {
public:
    explicit Program(Platform& platform);
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Creates the main window from its layout, runs its load handler and shows it.
    void start();

    Window& mainWindow() { return *main_; }
    MainWindow& mainControls() { return *controls_; }
    // Created the first time they are shown.
    Window* aboutWindow() { return about_.get(); }
    Window* outputWindow() { return output_.get(); }

private:
    void launchRunner() override;
    void closeMainWindow() override;

    void wireMainWindow();
    void showOutputWindow();
    void showAboutWindow();

    Platform& platform_;
    SettingsStore store_;
    std::unique_ptr<Window> main_;
    std::unique_ptr<MainWindow> controls_;
    std::unique_ptr<Window> about_;
    std::unique_ptr<Window> output_;
};

} // namespace davev
