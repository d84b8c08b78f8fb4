// The Qt renderer under test: Qt Widgets on the offscreen platform (or the
// X server the environment names), driven with QTest's synthetic input.
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
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

struct RendererUnderTest::Parts {
    // Actions still waiting go with it.
    QObject scope;
    QTemporaryDir icons;
};

namespace {

QWidget* topOf(Window::Handle handle)
{
    return handle == 0 ? nullptr : QWidget::find(static_cast<WId>(handle));
}

QWidget* find(const Window& window, std::string_view name)
{
    return top(window).findChild<QWidget*>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

template <class T = QWidget> T& widget(const Window& window, std::string_view name)
{
    auto* found = qobject_cast<T*>(&widgetOf(window, name));
    if (found == nullptr)
        throw std::invalid_argument("not that kind of control: " + std::string(name));
    return *found;
}

Qt::Key qtKey(Key key)
{
    switch (key) {
    case Key::Tab:
        return Qt::Key_Tab;
    case Key::Return:
        return Qt::Key_Return;
    case Key::Space:
        return Qt::Key_Space;
    case Key::Escape:
        return Qt::Key_Escape;
    case Key::Backspace:
        return Qt::Key_Backspace;
    }
    return Qt::Key_unknown;
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

Pixels pixels(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

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

RendererUnderTest::RendererUnderTest() : parts_(std::make_unique<Parts>()) {}

RendererUnderTest::~RendererUnderTest() = default;

void RendererUnderTest::later(int milliseconds, std::function<void()> action)
{
    QTimer::singleShot(milliseconds, &parts_->scope, std::move(action));
}

bool RendererUnderTest::waitFor(const std::function<bool()>& condition, int milliseconds)
{
    return QTest::qWaitFor([&] { return condition(); }, milliseconds);
}

void RendererUnderTest::settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

double RendererUnderTest::dpi()
{
    return QGuiApplication::primaryScreen()->logicalDotsPerInch();
}

// The metric-compatible face installed here stands in for both Windows faces.
std::string RendererUnderTest::faceShownFor(std::string_view)
{
    return "Liberation Sans";
}

std::vector<int> RendererUnderTest::programIconSizes()
{
    return {16, 24};
}

bool RendererUnderTest::boxesWaitForTheLoop()
{
    return false;
}

std::string RendererUnderTest::noPartIn(Part part)
{
    if (part == Part::ActivationByZOrder)
        return "on X11 a z-order change never activates a window, so the owner of a modal window stays inactive";
    return {};
}

bool RendererUnderTest::showing(Window::Handle window)
{
    const QWidget* widget = topOf(window);
    return widget != nullptr && widget->isVisible();
}

bool RendererUnderTest::exists(Window::Handle window)
{
    return topOf(window) != nullptr;
}

std::string RendererUnderTest::title(const Window& window)
{
    return top(window).windowTitle().toStdString();
}

// The top-level widget is the client area.
Pixels RendererUnderTest::clientArea(const Window& window)
{
    return pixels(top(window).rect());
}

Pixels RendererUnderTest::frame(const Window& window)
{
    return pixels(top(window).frameGeometry());
}

FrameLook RendererUnderTest::frameLook(const Window& window)
{
    const QWidget& widget = top(window);
    const Qt::WindowFlags flags = widget.windowFlags();
    return {flags.testFlag(Qt::WindowMinimizeButtonHint), flags.testFlag(Qt::WindowMaximizeButtonHint),
            flags.testFlag(Qt::WindowCloseButtonHint), widget.minimumSize() != widget.maximumSize()};
}

bool RendererUnderTest::ownedBy(const Window& window, const Window& owner)
{
    return top(window).parentWidget() == &top(owner);
}

bool RendererUnderTest::reachable(const Window& window)
{
    const QWidget* modal = QApplication::activeModalWidget();
    return modal == nullptr || modal == &top(window);
}

bool RendererUnderTest::active(const Window& window)
{
    return top(window).isActiveWindow();
}

std::vector<int> RendererUnderTest::iconSizes(const Window& window)
{
    std::vector<int> sizes;
    for (const QSize& size : top(window).windowIcon().availableSizes())
        sizes.push_back(size.width());
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

Image RendererUnderTest::icon(const Window& window, int size)
{
    return imageOf(top(window).windowIcon().pixmap(QSize(size, size)).toImage());
}

bool RendererUnderTest::hasControl(const Window& window, std::string_view control)
{
    return find(window, control) != nullptr;
}

Pixels RendererUnderTest::geometry(const Window& window, std::string_view control)
{
    return pixels(widget(window, control).geometry());
}

bool RendererUnderTest::shown(const Window& window, std::string_view control)
{
    return widget(window, control).isVisibleTo(&top(window));
}

bool RendererUnderTest::enabled(const Window& window, std::string_view control)
{
    return widget(window, control).isEnabled();
}

bool RendererUnderTest::readOnly(const Window& window, std::string_view control)
{
    if (auto* line = qobject_cast<QLineEdit*>(&widgetOf(window, control)))
        return line->isReadOnly();
    return widget<QPlainTextEdit>(window, control).isReadOnly();
}

bool RendererUnderTest::verticalScrollBar(const Window& window, std::string_view control)
{
    return widget<QAbstractScrollArea>(window, control).verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
}

std::string RendererUnderTest::text(const Window& window, std::string_view control)
{
    QWidget& shown = widget(window, control);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(&shown))
        return edit->toPlainText().toStdString();
    return shown.property("text").toString().toStdString();
}

int RendererUnderTest::checkState(const Window& window, std::string_view control)
{
    switch (widget<QCheckBox>(window, control).checkState()) {
    case Qt::Checked:
        return CheckBox::Checked;
    case Qt::PartiallyChecked:
        return CheckBox::Grayed;
    case Qt::Unchecked:
        break;
    }
    return CheckBox::Unchecked;
}

FontLook RendererUnderTest::font(const Window& window, std::string_view control)
{
    const QFontInfo font(widget(window, control).font());
    return {font.family().toStdString(), font.pixelSize(), font.bold()};
}

Image RendererUnderTest::picture(const Window& window, std::string_view control)
{
    return imageOf(widget(window, control).grab().toImage());
}

std::string RendererUnderTest::focused(const Window& window)
{
    const QWidget* focus = top(window).focusWidget();
    return focus == nullptr ? "(none)" : focus->objectName().toStdString();
}

void RendererUnderTest::activate(Window& window)
{
    top(window).activateWindow();
}

void RendererUnderTest::moveTo(Window& window, int x, int y)
{
    top(window).move(x, y);
}

void RendererUnderTest::closeByUser(Window& window)
{
    top(window).close();
}

void RendererUnderTest::click(Window& window, std::string_view control)
{
    QTest::mouseClick(&widget(window, control), Qt::LeftButton);
}

void RendererUnderTest::doubleClick(Window& window, std::string_view control)
{
    QTest::mouseDClick(&widget(window, control), Qt::LeftButton);
}

void RendererUnderTest::press(Window& window, Key key)
{
    QWidget* focus = top(window).focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &top(window), qtKey(key));
}

void RendererUnderTest::press(Window& window, std::string_view control, Key key)
{
    QWidget& target = widget(window, control);
    target.setFocus();
    QTest::keyClick(&target, qtKey(key));
}

void RendererUnderTest::type(Window& window, std::string_view control, std::string_view text)
{
    // As keyClicks does, with any character: its key is its capital's code.
    for (const QChar c : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())))
        QTest::sendKeyEvent(QTest::Click, &widget(window, control), Qt::Key(c.toUpper().unicode()), QString(c),
                            Qt::NoModifier);
}

void RendererUnderTest::placeCaret(Window& window, std::string_view control, int characters)
{
    auto& edit = widget<QPlainTextEdit>(window, control);
    QTextCursor caret = edit.textCursor();
    caret.setPosition(characters);
    edit.setTextCursor(caret);
}

void RendererUnderTest::putText(Window& window, std::string_view control, std::string_view text)
{
    widget<QLineEdit>(window, control).setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

// A hang-up, as when the terminal or the session goes. The pipe is emptied
// first, so only this signal can wake the display.
void RendererUnderTest::endSession(Window& main)
{
    const int pipe = openTerminationSignalPipe();
    char drained[64];
    while (read(pipe, drained, sizeof drained) > 0) {
    }
    display.closeOnSignal(pipe, main);
    std::raise(SIGHUP);
}

std::vector<MessageBoxSeen> RendererUnderTest::messageBoxes()
{
    std::vector<MessageBoxSeen> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box == nullptr || !box->isVisible())
            continue;
        const QWidget* owner = box->parentWidget();
        boxes.push_back({reinterpret_cast<std::uintptr_t>(box), box->windowTitle().toStdString(),
                         box->text().toStdString(), owner != nullptr ? static_cast<Window::Handle>(owner->winId()) : 0,
                         box->icon() == QMessageBox::Critical, box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)});
    }
    return boxes;
}

void RendererUnderTest::dismiss(const MessageBoxSeen& seen)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); reinterpret_cast<std::uintptr_t>(box) == seen.id)
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
}

void RendererUnderTest::makeTopmost(RendererErrorReport& report, const Window& window)
{
    report.setTopmostQuery([handle = window.handle()](std::uintptr_t asked) { return asked == handle; });
}

void RendererUnderTest::useProgramIcon()
{
    display.setIconPath("");
}

void RendererUnderTest::useMissingIcon()
{
    display.setIconPath(parts_->icons.filePath(QStringLiteral("missing.png")).toStdString());
}

bool RendererUnderTest::useIcon(const Image& picture)
{
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            image.setPixel(x, y, picture.at(x, y) | 0xff000000u);
    const QString file = parts_->icons.filePath(QStringLiteral("icon.png"));
    if (!image.save(file, "PNG"))
        return false;
    display.setIconPath(file.toStdString());
    return true;
}

std::optional<int> RendererUnderTest::msUntilWake(const Timer& timer)
{
    return timers.msUntilWake(timer);
}

} // namespace davev::test
