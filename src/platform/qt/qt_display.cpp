#include "platform/qt/qt_display.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <map>
#include <vector>

#include "platform/shown_windows.h"
#include "platform/qt/font_mapping.h"
#include "platform/qt/form_window.h"
#include "platform/qt/qt_error_report.h"
#include "platform/qt/screen_scale.h"

namespace davev {

namespace {

// Both sizes, drawn for their size, from the resources compiled into the program.
QIcon builtInIcon()
{
    QIcon icon;
    for (const int size : {16, 24})
        icon.addFile(QStringLiteral(":/davev/da-vev-%1.xpm").arg(size), QSize(size, size));
    return icon;
}

} // namespace

class QtDisplay::Impl : public FormEvents {
public:
    Impl() : scale_(primaryScreenScale())
    {
        setIcon(builtInIcon());
        // The program ends when its last model window unloads, not when Qt
        // sees no visible window (an error box may still be open then).
        QGuiApplication::setQuitOnLastWindowClosed(false);
    }

    ~Impl()
    {
        signalNotifier_.reset();
        for (auto& [window, entry] : entries_)
            if (entry.widget)
                entry.body->detach();
        // Deleting a form also deletes the dialogs it parents; their pointers
        // here turn null and are skipped.
        for (auto* list : {&retired_, &forms_})
            while (!list->empty()) {
                delete list->back().data();
                list->pop_back();
            }
    }

    void setIcon(QIcon icon)
    {
        icon_ = std::move(icon);
        QGuiApplication::setWindowIcon(icon_);
    }

    void show(Window& window)
    {
        Entry& entry = entryOf(window);
        if (onScreen(entry)) {
            entry.widget->setWindowState(entry.widget->windowState() & ~Qt::WindowMinimized);
            entry.widget->raise();
            entry.widget->activateWindow();
            return;
        }
        auto& form = adopt(std::make_unique<ModelessForm>(window, scale_, *this));
        replace(entry, form, form.body(), nullptr);
        form.show();
    }

    void showModal(Window& window, Window& owner)
    {
        Entry& entry = entryOf(window);
        if (onScreen(entry))
            throw PlatformError(400, "Form already displayed; can't show modally: " + window.name());
        QWidget* parent = nullptr;
        if (const auto it = entries_.find(&owner); it != entries_.end() && onScreen(it->second))
            parent = it->second.widget;
        auto& form = adopt(std::make_unique<ModalForm>(window, scale_, *this, parent));
        replace(entry, form, form.body(), &owner);
        ++loopDepth_;
        form.exec();
        --loopDepth_;
    }

    void reportErrorsWith(QtErrorReport& errors) { errors_ = &errors; }

    // A close that ends the program without the user asking for it (the
    // auto-close, a signal) reports a failure of its unload to the
    // unattended log: nobody may be there to dismiss a box.
    void closeWindow(Window& window, bool byUser)
    {
        Entry& entry = entryOf(window);
        if (entry.closing)
            return;
        entry.closing = true;
        ++closingDepth_;

        const bool last = endsProgram(entries_, window);
        {
            const UnattendedClose unattended(errors_, byUser, last);
            end_.unloaded(window.unload(), last, byUser);
            for (Window* other : ownedWindows(entries_, window, onScreen))
                closeWindow(*other, byUser);
        }
        if (entry.widget) {
            entry.body->detach();
            entry.widget->hide();
        }

        --closingDepth_;
        entry.closing = false;
        endWhenEmpty();
    }

    void closeRequested(Window& window) override { closeWindow(window, true); }

    void closeOnSignal(int fd, Window& window)
    {
        signalNotifier_ = std::make_unique<QSocketNotifier>(static_cast<qintptr>(fd), QSocketNotifier::Read);
        QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, signalNotifier_.get(), [this, &window] {
            // One request is enough; the pipe is not read again.
            signalNotifier_->setEnabled(false);
            closeWindow(window, false);
            if (loopDepth_ > 0)
                QCoreApplication::exit(end_.exitCode);
        });
    }

    WindowLimits windowLimits() const
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect all = screen != nullptr ? screen->virtualGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
        std::vector<TwipsArea> screens;
        for (const QScreen* each : QGuiApplication::screens()) {
            const QRect area = each->availableGeometry();
            screens.push_back(scale_.toTwips(PixelRect{area.x(), area.y(), area.width(), area.height()}));
        }
        return {scale_.toTwips(all.width()), scale_.toTwips(all.height()), scale_.toTwips(-(1 << 15)),
                scale_.toTwips((1 << 15) - 1), screens};
    }

    int runEventLoop()
    {
        if (!anyLoaded(entries_))
            return end_.exitCode;
        ++loopDepth_;
        const int code = QApplication::exec();
        --loopDepth_;
        return code;
    }

private:
    // `body` belongs to `widget` and is valid while it is.
    struct Entry {
        Window* owner = nullptr;
        QPointer<QWidget> widget;
        FormBody* body = nullptr;
        bool closing = false;
    };

    Entry& entryOf(Window& window) { return entries_[&window]; }

    static bool onScreen(const Entry& entry)
    {
        return entry.widget && entry.body->model() != nullptr && entry.widget->isVisible();
    }

    template <class Form> Form& adopt(std::unique_ptr<Form> form)
    {
        // Forms deleted along with a retired owner leave null pointers behind.
        std::erase_if(forms_, [](const QPointer<QWidget>& f) { return f.isNull(); });
        std::erase_if(retired_, [](const QPointer<QWidget>& f) { return f.isNull(); });
        forms_.emplace_back(form.get());
        return *form.release();
    }

    // Each showing is built afresh from the model. The earlier form of the same
    // window, hidden by now, is detached and deleted once the event loop gets
    // back to it, in case one of its own handlers is still on the stack.
    void replace(Entry& entry, QWidget& widget, FormBody& body, Window* owner)
    {
        if (entry.widget) {
            entry.body->detach();
            QWidget* old = entry.widget;
            std::erase(forms_, QPointer<QWidget>(old));
            retired_.emplace_back(old);
            old->deleteLater();
        }
        entry.widget = &widget;
        entry.body = &body;
        entry.owner = owner;
        if (!icon_.isNull())
            widget.setWindowIcon(icon_);
        widget.setFont(fontFor(FontSpec{}));
        body.build();
        body.focusFirst();
    }

    bool isForm(const QWidget* widget) const
    {
        for (const auto& form : forms_)
            if (form.data() == widget)
                return true;
        return false;
    }

    void endWhenEmpty()
    {
        if (closingDepth_ > 0 || anyLoaded(entries_))
            return;
        // The user who closed the window reads why it failed before the end.
        if (end_.awaitUser && errors_ != nullptr && errors_->boxOpen()) {
            errors_->whenNoBoxOpen([this] { endNow(); });
            return;
        }
        endNow();
    }

    void endNow()
    {
        // Error boxes and any other stray top-level window go too.
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            if (!isForm(top))
                top->close();
            if (top->isVisible())
                top->hide();
        }
        // Ends the main loop and every nested one (modal dialogs, message boxes).
        if (loopDepth_ > 0)
            QCoreApplication::exit(end_.exitCode);
    }

    TwipsScale scale_;
    QIcon icon_;
    // Owned here unless a parent form owns them (a dialog belongs to its
    // owner's form); QPointer notices either way of going.
    std::vector<QPointer<QWidget>> forms_;
    std::vector<QPointer<QWidget>> retired_;
    std::map<Window*, Entry> entries_;
    int loopDepth_ = 0;
    int closingDepth_ = 0;
    ProgramEnd end_;
    QtErrorReport* errors_ = nullptr;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
};

QtDisplay::QtDisplay() : impl_(std::make_unique<Impl>()) {}

QtDisplay::~QtDisplay() = default;

void QtDisplay::setIconPath(const std::string& path)
{
    if (path.empty()) {
        impl_->setIcon(builtInIcon());
        return;
    }
    // Naming the format up front spares the start-up a probe of every image
    // plugin (and the libraries they pull in) that the bare file name costs.
    const QString file = QString::fromStdString(path);
    QImageReader reader(file, QFileInfo(file).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    impl_->setIcon(image.isNull() ? QIcon(file) : QIcon(QPixmap::fromImage(image)));
}

void QtDisplay::show(Window& window)
{
    impl_->show(window);
}

void QtDisplay::showModal(Window& window, Window& owner)
{
    impl_->showModal(window, owner);
}

void QtDisplay::close(Window& window)
{
    impl_->closeWindow(window, false);
}

void QtDisplay::reportErrorsWith(QtErrorReport& errors)
{
    impl_->reportErrorsWith(errors);
}

WindowLimits QtDisplay::windowLimits() const
{
    return impl_->windowLimits();
}

void QtDisplay::closeOnSignal(int signalFd, Window& window)
{
    impl_->closeOnSignal(signalFd, window);
}

int QtDisplay::runEventLoop()
{
    return impl_->runEventLoop();
}

} // namespace davev
