#pragma once

#include <QDialog>
#include <QWidget>
#include <vector>

#include "platform/controls.h"
#include "platform/qt/control_widgets.h"
#include "platform/qt/screen_scale.h"

namespace davev {

// Told when the user (or the window manager) asks to close a form.
class FormEvents {
public:
    virtual void closeRequested(Window& window) = 0;

protected:
    ~FormEvents() = default;
};

// One showing of a model window on a top-level widget: the controls'
// widgets, the tab order, and the window's caption and geometry kept in step
// with the model. The top-level widget is the client area.
class FormBody {
public:
    FormBody(QWidget& top, Window& window, const TwipsScale& scale, FormEvents& events);
    FormBody(const FormBody&) = delete;
    FormBody& operator=(const FormBody&) = delete;

    // The model window, or nullptr once detached.
    Window* model() const { return window_; }
    const std::vector<ControlView*>& views() const { return views_; }

    void build();
    void applyWindow();
    // Focuses the control with the lowest tab index that can take focus.
    void focusFirst();
    // From here on the widgets no longer read or write the model.
    void detach();

    void shown();
    void moved();
    void closeRequested();

private:
    QWidget& top_;
    Window* window_;
    TwipsScale scale_;
    FormEvents& events_;
    std::vector<ControlView*> views_;
    std::vector<QWidget*> tabOrder_;
};

class ModelessForm : public QWidget {
public:
    ModelessForm(Window& window, const TwipsScale& scale, FormEvents& events);
    FormBody& body() { return body_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    FormBody body_;
};

// A modal window. Escape closes it as its close box does; Enter reaches only
// the focused control: there is no default button closing the dialog.
class ModalForm : public QDialog {
public:
    ModalForm(Window& window, const TwipsScale& scale, FormEvents& events, QWidget* owner);
    FormBody& body() { return body_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    FormBody body_;
};

} // namespace davev
