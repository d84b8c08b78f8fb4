#include "platform/qt/qt_timer_driver.h"

#include <QObject>
#include <QTimer>
#include <map>

namespace davev {

class QtTimerDriver::Impl {
public:
    // Parent of every QTimer, so one retired inside its own tick and not yet
    // deleted by the event loop goes with the driver.
    QObject root;
    std::map<const Timer*, QTimer*> timers;
};

QtTimerDriver::QtTimerDriver() : impl_(std::make_unique<Impl>()) {}

QtTimerDriver::~QtTimerDriver() = default;

void QtTimerDriver::timerChanged(Timer& timer)
{
    QTimer*& qtimer = impl_->timers[&timer];
    if (qtimer == nullptr) {
        qtimer = new QTimer(&impl_->root);
        qtimer->setTimerType(Qt::PreciseTimer);
        qtimer->setSingleShot(false);
        QObject::connect(qtimer, &QTimer::timeout, qtimer, [&timer] { timer.fire(); });
    }
    const bool run = timer.enabled() && timer.interval() > 0;
    if (!run)
        qtimer->stop();
    else if (!qtimer->isActive() || qtimer->interval() != timer.interval())
        qtimer->start(timer.interval());
}

void QtTimerDriver::timerDestroyed(Timer& timer)
{
    const auto it = impl_->timers.find(&timer);
    if (it == impl_->timers.end())
        return;
    QTimer* qtimer = it->second;
    impl_->timers.erase(it);
    qtimer->stop();
    QObject::disconnect(qtimer, nullptr, nullptr, nullptr);
    // May be inside this very timer's tick.
    qtimer->deleteLater();
}

bool QtTimerDriver::running(const Timer& timer) const
{
    const auto it = impl_->timers.find(&timer);
    return it != impl_->timers.end() && it->second->isActive();
}

} // namespace davev
