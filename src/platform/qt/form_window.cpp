#include "platform/qt/form_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <algorithm>

namespace davev {
namespace {

bool takesTabFocus(const Control& control)
{
    switch (control.kind()) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::TextBox:
        return control.design().tabIndex >= 0;
    case ControlKind::Label:
    case ControlKind::Timer:
        return false;
    }
    return false;
}

Qt::WindowFlags frameFlags(const WindowSpec& design, Qt::WindowType type)
{
    Qt::WindowFlags flags =
        type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (design.minimizeButton)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

} // namespace

FormBody::FormBody(QWidget& top, Window& window, const TwipsScale& scale, FormEvents& events)
    : top_(top), window_(&window), scale_(scale), events_(events)
{
    top_.setObjectName(QString::fromStdString(window.name()));
}

void FormBody::build()
{
    struct Focusable {
        int tabIndex;
        QWidget* widget;
    };
    std::vector<Focusable> focusables;
    for (const auto& control : window_->controls()) {
        ControlView* view = createControlView(*control, top_, scale_);
        if (view == nullptr)
            continue;
        views_.push_back(view);
        if (takesTabFocus(*control))
            focusables.push_back({control->design().tabIndex, &view->widget()});
    }
    std::stable_sort(focusables.begin(), focusables.end(),
                     [](const Focusable& a, const Focusable& b) { return a.tabIndex < b.tabIndex; });
    for (const Focusable& f : focusables)
        tabOrder_.push_back(f.widget);
    for (std::size_t i = 1; i < tabOrder_.size(); ++i)
        QWidget::setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
    for (ControlView* field : views_) {
        const std::string_view by = field->model()->design().labelledBy;
        for (ControlView* label : views_)
            if (!by.empty() && label->model()->name() == by)
                labelFor(*label, *field);
    }

    window_->setObserver([guard = QPointer<QWidget>(&top_), this] {
        if (guard)
            applyWindow();
    });
    applyWindow();
}

void FormBody::applyWindow()
{
    if (window_ == nullptr)
        return;
    const QString caption = QString::fromStdString(window_->caption());
    if (top_.windowTitle() != caption)
        top_.setWindowTitle(caption);

    // Always placed where the model says, also at first: left alone, Qt
    // would centre a dialog over its owner on its own.
    const QPoint position = toPixelPoint(scale_, window_->left(), window_->top());
    if (top_.pos() != position || !top_.testAttribute(Qt::WA_Moved))
        top_.move(position);

    // The model holds the outer size; the design frame around the client
    // area is taken off, whatever frame the window manager draws.
    const WindowSpec& design = window_->design();
    const double clientWidth = double{window_->width()} - design.frameLeft - design.frameRight;
    const double clientHeight = double{window_->height()} - design.frameTop - design.frameBottom;
    const QSize client(std::max(1, scale_.toPixels(clientWidth)), std::max(1, scale_.toPixels(clientHeight)));
    if (top_.size() != client || top_.minimumSize() != client || top_.maximumSize() != client)
        top_.setFixedSize(client);
}

void FormBody::focusFirst()
{
    for (QWidget* widget : tabOrder_) {
        if (widget->isVisibleTo(&top_) && widget->isEnabled()) {
            widget->setFocus(Qt::ActiveWindowFocusReason);
            return;
        }
    }
}

void FormBody::detach()
{
    window_ = nullptr;
    for (ControlView* view : views_)
        view->detach();
}

void FormBody::shown()
{
    if (window_ != nullptr)
        window_->setHandle(static_cast<Window::Handle>(top_.winId()));
}

void FormBody::moved()
{
    if (window_ == nullptr || !top_.isVisible())
        return;
    const QPoint position = top_.frameGeometry().topLeft();
    // Our own move to the model's position: the model keeps its exact twips.
    if (position == toPixelPoint(scale_, window_->left(), window_->top()))
        return;
    window_->placedBy(scale_.toTwips(position.x()), scale_.toTwips(position.y()));
}

void FormBody::closeRequested()
{
    if (window_ != nullptr)
        events_.closeRequested(*window_);
}

ModelessForm::ModelessForm(Window& window, const TwipsScale& scale, FormEvents& events)
    : QWidget(nullptr, frameFlags(window.design(), Qt::Window)), body_(*this, window, scale, events)
{
}

void ModelessForm::closeEvent(QCloseEvent* event)
{
    body_.closeRequested();
    event->accept();
}

void ModelessForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    body_.moved();
}

void ModelessForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    body_.shown();
}

ModalForm::ModalForm(Window& window, const TwipsScale& scale, FormEvents& events, QWidget* owner)
    : QDialog(owner, frameFlags(window.design(), Qt::Dialog)), body_(*this, window, scale, events)
{
    setWindowModality(Qt::ApplicationModal);
    setSizeGripEnabled(false);
}

void ModalForm::closeEvent(QCloseEvent* event)
{
    body_.closeRequested();
    event->accept();
}

void ModalForm::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    body_.moved();
}

void ModalForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    body_.shown();
}

void ModalForm::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // As the close box does, position stored and all.
        body_.closeRequested();
        return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        QWidget::keyPressEvent(event);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace davev
