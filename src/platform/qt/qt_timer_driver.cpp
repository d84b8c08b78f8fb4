#include "platform/qt/qt_timer_driver.h"

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <map>

namespace davev {
namespace {

// The kernel lets a poll() with a long timeout wake up to 0.1 % late (60 ms on
// a one-minute wait), and the event loop waits for the nearest timer in one
// poll. A silent waker shortly before each long tick keeps the last wait short,
// so the tick itself comes within a millisecond or so.
constexpr int WakeLead = 1000;
constexpr int LongInterval = 2 * WakeLead;

} // namespace

class QtTimerDriver::Impl {
public:
    struct Entry {
        QTimer* tick = nullptr;
        QTimer* waker = nullptr;
    };

    // Parent of every QTimer, so one retired inside its own tick and not yet
    // deleted by the event loop goes with the driver.
    QObject root;
    std::map<const Timer*, Entry> timers;

    Entry& entryFor(Timer& timer)
    {
        Entry& entry = timers[&timer];
        if (entry.tick != nullptr)
            return entry;
        entry.tick = new QTimer(&root);
        entry.tick->setTimerType(Qt::PreciseTimer);
        entry.tick->setSingleShot(false);
        entry.waker = new QTimer(&root);
        entry.waker->setTimerType(Qt::PreciseTimer);
        entry.waker->setSingleShot(true);
        QTimer* tick = entry.tick;
        QTimer* waker = entry.waker;
        QObject::connect(tick, &QTimer::timeout, tick, [&timer, tick, waker] {
            timer.fire();
            // The handler may have stopped, restarted or destroyed the timer;
            // the QTimers themselves live on until the event loop runs again.
            if (tick->isActive() && !waker->isActive())
                armWaker(tick, waker);
        });
        return entry;
    }

    static void armWaker(QTimer* tick, QTimer* waker)
    {
        if (tick->interval() >= LongInterval)
            waker->start(std::max(0, tick->remainingTime() - WakeLead));
        else
            waker->stop();
    }
};

QtTimerDriver::QtTimerDriver() : impl_(std::make_unique<Impl>()) {}

QtTimerDriver::~QtTimerDriver() = default;

void QtTimerDriver::timerChanged(Timer& timer)
{
    const Impl::Entry& entry = impl_->entryFor(timer);
    const bool run = timer.enabled() && timer.interval() > 0;
    if (!run) {
        entry.tick->stop();
        entry.waker->stop();
    } else if (!entry.tick->isActive() || entry.tick->interval() != timer.interval()) {
        entry.tick->start(timer.interval());
        Impl::armWaker(entry.tick, entry.waker);
    }
}

void QtTimerDriver::timerDestroyed(Timer& timer)
{
    const auto it = impl_->timers.find(&timer);
    if (it == impl_->timers.end())
        return;
    const Impl::Entry entry = it->second;
    impl_->timers.erase(it);
    for (QTimer* qtimer : {entry.tick, entry.waker}) {
        qtimer->stop();
        QObject::disconnect(qtimer, nullptr, nullptr, nullptr);
        // May be inside this very timer's tick.
        qtimer->deleteLater();
    }
}

bool QtTimerDriver::running(const Timer& timer) const
{
    const auto it = impl_->timers.find(&timer);
    return it != impl_->timers.end() && it->second.tick->isActive();
}

int QtTimerDriver::msUntilWake(const Timer& timer) const
{
    const auto it = impl_->timers.find(&timer);
    if (it == impl_->timers.end() || !it->second.waker->isActive())
        return -1;
    return it->second.waker->remainingTime();
}

} // namespace davev
