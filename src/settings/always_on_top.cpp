#include "settings/always_on_top.h"

namespace davev {

void alwaysOnTopClick(MainWindow& m)
{
    m.AlwaysOnTopTimer.setEnabled(m.AlwaysOnTopTimer_TICKBOX.value() == CheckBox::Checked);
}

void alwaysOnTopTick(MainWindow& m, ZOrder& zOrder)
{
    if (zOrder.foregroundWindow() == m.window.handle())
        return;
    if (const ZOrder::Handle front = zOrder.foregroundWindow())
        zOrder.makeNotTopmost(front);
    zOrder.makeTopmost(m.window.handle());
}

} // namespace davev
