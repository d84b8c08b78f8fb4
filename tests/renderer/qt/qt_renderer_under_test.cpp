// The Qt renderer under test: Qt Widgets on the offscreen platform (or the
// X server the environment names), driven with QTest's synthetic input.
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <stdexcept>
#include <unistd.h>

#include "platform/posix/signal_pipe.h"
#include "qt_widgets.h"
#include "renderer_under_test.h"

namespace davev::test {
namespace {

QWidget* topOf(Window::Handle handle)
{
    return handle == 0 ? nullptr : QWidget::find(static_cast<WId>(handle));
}

QWidget* find(const Window& window, std::string_view name)
{
    return top(window).findChild<QWidget*>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

template <class T> T& widget(const Window& window, std::string_view name)
{
    auto* found = qobject_cast<T*>(&widgetOf(window, name));
    if (found == nullptr)
        throw std::invalid_argument("not that kind of control: " + std::string(name));
    return *found;
}

QString qstr(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Pixels pixels(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

Image imageOf(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    Image image{rgb.width(), rgb.height(), {}};
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            image.pixels.push_back(rgb.pixel(x, y) & 0xffffff);
    return image;
}

Qt::Key qtKey(Key key)
{
    constexpr Qt::Key keys[] = {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape, Qt::Key_Backspace};
    return keys[static_cast<int>(key)];
}

class QtRendererUnderTest : public RendererUnderTest {
public:
    void later(int milliseconds, std::function<void()> action) override
    {
        QTimer::singleShot(milliseconds, &scope_, std::move(action));
    }
    bool waitFor(const std::function<bool()>& condition, int milliseconds) override
    {
        return QTest::qWaitFor([&] { return condition(); }, milliseconds);
    }
    void settle() override
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    double dpi() override { return QGuiApplication::primaryScreen()->logicalDotsPerInch(); }
    // The metric-compatible face installed here stands in for both Windows faces.
    std::string faceShownFor(std::string_view) override { return "Liberation Sans"; }
    std::vector<int> programIconSizes() override { return {16, 24}; }
    bool boxesWaitForTheLoop() override { return false; }
    std::string noPartIn(Part part) override
    {
        if (part == Part::ActivationByZOrder)
            return "on X11 a z-order change never activates a window, so the owner of a modal window stays inactive";
        return {};
    }

    Pixels workArea() override { return pixels(QGuiApplication::primaryScreen()->availableGeometry()); }
    bool showing(Window::Handle window) override { return topOf(window) != nullptr && topOf(window)->isVisible(); }
    bool exists(Window::Handle window) override { return topOf(window) != nullptr; }

    // The top-level widget is the client area.
    WindowSeen seen(const Window& window) override
    {
        const QWidget& shown = top(window);
        const Qt::WindowFlags flags = shown.windowFlags();
        const QWidget* modal = QApplication::activeModalWidget();
        const QWidget* focus = shown.focusWidget();
        const QWidget* owner = shown.parentWidget();
        WindowSeen seen{shown.windowTitle().toStdString(),
                        pixels(shown.rect()),
                        pixels(shown.frameGeometry()),
                        flags.testFlag(Qt::WindowMinimizeButtonHint),
                        flags.testFlag(Qt::WindowMaximizeButtonHint),
                        flags.testFlag(Qt::WindowCloseButtonHint),
                        shown.minimumSize() != shown.maximumSize(),
                        owner != nullptr ? static_cast<Window::Handle>(owner->winId()) : 0,
                        modal == nullptr || modal == &shown,
                        shown.isActiveWindow(),
                        focus != nullptr ? focus->objectName().toStdString() : "(none)",
                        {}};
        for (const QSize& size : shown.windowIcon().availableSizes())
            seen.iconSizes.push_back(size.width());
        std::sort(seen.iconSizes.begin(), seen.iconSizes.end());
        return seen;
    }

    ControlSeen seen(const Window& window, std::string_view control) override
    {
        QWidget* shown = find(window, control);
        if (shown == nullptr)
            return {};
        const QFontInfo font(shown->font());
        ControlSeen seen{true,
                         pixels(shown->geometry()),
                         shown->isVisibleTo(&top(window)),
                         shown->isEnabled(),
                         shown->property("readOnly").toBool(),
                         false,
                         shown->property("text").toString().toStdString(),
                         CheckBox::Unchecked,
                         font.family().toStdString(),
                         font.pixelSize(),
                         font.bold()};
        if (auto* edit = qobject_cast<QPlainTextEdit*>(shown)) {
            seen.verticalScrollBar = edit->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
            seen.text = edit->toPlainText().toStdString();
        }
        if (auto* box = qobject_cast<QCheckBox*>(shown))
            seen.checkState = box->checkState() == Qt::Checked            ? CheckBox::Checked
                              : box->checkState() == Qt::PartiallyChecked ? CheckBox::Grayed
                                                                          : CheckBox::Unchecked;
        return seen;
    }

    Image picture(const Window& window, std::string_view control) override
    {
        return imageOf(widgetOf(window, control).grab().toImage());
    }
    Image icon(const Window& window, int size) override
    {
        return imageOf(top(window).windowIcon().pixmap(QSize(size, size)).toImage());
    }

    void activate(Window& window) override { top(window).activateWindow(); }
    void moveTo(Window& window, int x, int y) override { top(window).move(x, y); }
    void closeByUser(Window& window) override { top(window).close(); }
    void click(Window& window, std::string_view control) override
    {
        QTest::mouseClick(&widgetOf(window, control), Qt::LeftButton);
    }
    void doubleClick(Window& window, std::string_view control) override
    {
        QTest::mouseDClick(&widgetOf(window, control), Qt::LeftButton);
    }
    void press(Window& window, Key key) override
    {
        QWidget* focus = top(window).focusWidget();
        QTest::keyClick(focus != nullptr ? focus : &top(window), qtKey(key));
    }
    void press(Window& window, std::string_view control, Key key) override
    {
        QWidget& target = widgetOf(window, control);
        target.setFocus();
        QTest::keyClick(&target, qtKey(key));
    }
    // As keyClicks does, with any character: its key is its capital's code.
    void type(Window& window, std::string_view control, std::string_view text) override
    {
        for (const QChar c : qstr(text))
            QTest::sendKeyEvent(QTest::Click, &widgetOf(window, control), Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
    }
    void placeCaret(Window& window, std::string_view control, int characters) override
    {
        auto& edit = widget<QPlainTextEdit>(window, control);
        QTextCursor caret = edit.textCursor();
        caret.setPosition(characters);
        edit.setTextCursor(caret);
    }
    void putText(Window& window, std::string_view control, std::string_view text) override
    {
        widget<QLineEdit>(window, control).setText(qstr(text));
    }
    // A hang-up, as when the terminal or the session goes. The pipe is
    // emptied first, so that only this signal can wake the display.
    void endSession(Window& main) override
    {
        const int pipe = openTerminationSignalPipe();
        char drained[64];
        while (read(pipe, drained, sizeof drained) > 0) {
        }
        display.closeOnSignal(pipe, main);
        std::raise(SIGHUP);
    }

    std::vector<MessageBoxSeen> messageBoxes() override
    {
        std::vector<MessageBoxSeen> boxes;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible())
                boxes.push_back(
                    {reinterpret_cast<std::uintptr_t>(box), box->windowTitle().toStdString(), box->text().toStdString(),
                     box->parentWidget() != nullptr ? box->parentWidget()->winId() : 0,
                     box->icon() == QMessageBox::Critical, box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)});
        return boxes;
    }
    void dismiss(const MessageBoxSeen& seen) override
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(top); reinterpret_cast<std::uintptr_t>(box) == seen.id)
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }
    void makeTopmost(RendererErrorReport& report, const Window& window) override
    {
        report.setTopmostQuery([handle = window.handle()](std::uintptr_t asked) { return asked == handle; });
    }

    void useProgramIcon() override { display.setIconPath(""); }
    void useMissingIcon() override
    {
        display.setIconPath(icons_.filePath(QStringLiteral("missing.png")).toStdString());
    }
    bool useIcon(const Image& picture) override
    {
        QImage image(picture.width, picture.height, QImage::Format_RGB32);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                image.setPixel(x, y, picture.at(x, y) | 0xff000000u);
        const QString file = icons_.filePath(QStringLiteral("icon.png"));
        if (!image.save(file, "PNG"))
            return false;
        display.setIconPath(file.toStdString());
        return true;
    }
    std::optional<int> msUntilWake(const Timer& timer) override { return timers.msUntilWake(timer); }

private:
    // Actions still waiting go with it.
    QObject scope_;
    QTemporaryDir icons_;
};

} // namespace

QWidget& top(const Window& window)
{
    QWidget* widget = topOf(window.handle());
    if (widget == nullptr)
        throw std::invalid_argument(window.name() + " is not shown");
    return *widget;
}

QWidget& widgetOf(const Window& window, std::string_view control)
{
    QWidget* found = find(window, control);
    if (found == nullptr)
        throw std::invalid_argument("no such control: " + std::string(control));
    return *found;
}

std::unique_ptr<RendererUnderTest> makeRendererUnderTest()
{
    return std::make_unique<QtRendererUnderTest>();
}

} // namespace davev::test
