#include "app/about_window.h"

#include "app/identity.h"

namespace davev {

void wireAboutWindow(Window& about, SettingsStore& store, WindowDisplay& display)
{
    about.onLoad([&about, &store] { store.restoreGeometry(about, settings::AboutGeometry); });
    about.button("OK_BUTTON").onClick([&about, &store, &display] {
        store.storePosition(about, settings::AboutGeometry);
        display.close(about);
    });
    about.onUnload([&about, &store] { store.storePosition(about, settings::AboutGeometry); });
    Label& creator = about.label("DA_VEV_CREATOR");
    creator.onDblClick([&creator] { creator.setCaption(std::string(identity::contactEmail)); });
}

} // namespace davev
