#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

#include "app/layouts.h"
#include "import/output_window_layout.h"
#include "platform/controls.h"
#include "platform/qt/qt_display.h"
#include "platform/qt/qt_timer_driver.h"

// Readable failure messages for Qt's geometry types (found through ADL).
inline void PrintTo(const QPoint& p, std::ostream* os)
{
    *os << "(" << p.x() << ", " << p.y() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* os)
{
    *os << s.width() << "x" << s.height();
}

namespace davev::test {

inline constexpr int Generous = 10000;

class IgnoredErrors : public ErrorReport {
public:
    void report(const PlatformError&) override {}
    void note(std::string_view) override {}
};

// The program's three windows on a display of their own.
class DisplayTest : public testing::Test {
protected:
    static double dpi() { return QGuiApplication::primaryScreen()->logicalDotsPerInch(); }
    static int px(double twips) { return static_cast<int>(std::lround(twips * dpi() / 1440.0)); }

    // As the program opens it: at a stored position, with the lower part of
    // the layout out of sight unless a taller height was stored.
    void openMain(float height = 3150)
    {
        main.load();
        main.setLeft(1500);
        main.setTop(750);
        main.setHeight(height);
        display.show(main);
    }

    static QWidget* topOf(const Window& window)
    {
        return window.handle() == 0 ? nullptr : QWidget::find(static_cast<WId>(window.handle()));
    }

    template <class T = QWidget> static T* child(const Window& window, const char* name)
    {
        QWidget* top = topOf(window);
        return top == nullptr ? nullptr : top->findChild<T*>(QString::fromLatin1(name));
    }

    // Shows `window` modally over `owner`, runs `check` inside the dialog's
    // loop, then closes the dialog unless `check` did. The owner must be
    // loaded: closing the last loaded window would end every loop for good.
    void whileModal(Window& window, Window& owner, const std::function<void()>& check)
    {
        ASSERT_TRUE(owner.loaded()) << "open the owner first";
        window.load();
        bool ran = false;
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            ran = true;
            check();
            display.close(window);
        });
        QTimer::singleShot(Generous, &scope, [&] { display.close(window); });
        display.showModal(window, owner);
        EXPECT_TRUE(ran) << "the dialog's loop never ran";
    }

    IgnoredErrors errors;
    QtTimerDriver timers;
    QtDisplay display;
    Window main{mainWindowLayout(), errors, timers};
    Window about{aboutWindowLayout(), errors, timers};
    Window output{outputWindowLayout(), errors, timers};
};

} // namespace davev::test
