#include "import/output_window.h"

namespace davev {

void wireOutputWindow(Window& output, const Window& main, SettingsStore& store, ExecutableName& executableName,
                      WindowDisplay& display)
{
    output.onLoad([&output, &main, &store, &executableName] {
        store.restoreGeometry(output, settings::OutputGeometry);
        output.textBox("FULL_COMMAND_TEXTBOX").setText(main.textBox("FULL_COMMAND_TEXTBOX").text());
        output.label("BAT_FILENAME_LABEL").setCaption(executableName.get() + ".bat");
    });
    output.button("OK_BUTTON").onClick([&output, &store, &display] {
        store.storePosition(output, settings::OutputGeometry);
        display.close(output);
    });
    output.onUnload([&output, &store] { store.storePosition(output, settings::OutputGeometry); });
}

} // namespace davev
