#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "platform/controls.h"
#include "platform/qt/screen_scale.h"

namespace davev {

// A widget that shows one model control. The model is the source of truth:
// sync() copies its state into the widget, and user actions are handed to the
// model, never applied by the widget on its own. After detach() the widget
// no longer touches the model (the form is closed or the display is going).
class ControlView {
public:
    virtual ~ControlView() = default;
    virtual QWidget& widget() = 0;
    virtual void sync() = 0;
    virtual const Control* model() const = 0;
    virtual void detach() = 0;
};

// The widget for a control, child of `parent` at the control's design
// geometry, or nullptr for controls that have no widget (timers).
ControlView* createControlView(Control& control, QWidget& parent, const TwipsScale& scale);

// Names `field` for assistive technology after the control `label` shows:
// a label becomes its buddy, any other control lends its caption.
void labelFor(ControlView& label, ControlView& field);

class LabelView : public QLabel, public ControlView {
public:
    LabelView(Label& model, QWidget& parent);
    QWidget& widget() override { return *this; }
    void sync() override;
    const Control* model() const override { return model_; }
    void detach() override { model_ = nullptr; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Label* model_;
};

class ButtonView : public QPushButton, public ControlView {
public:
    ButtonView(Button& model, QWidget& parent);
    QWidget& widget() override { return *this; }
    void sync() override;
    const Control* model() const override { return model_; }
    void detach() override { model_ = nullptr; }

private:
    Button* model_;
};

class CheckBoxView : public QCheckBox, public ControlView {
public:
    CheckBoxView(CheckBox& model, QWidget& parent);
    QWidget& widget() override { return *this; }
    void sync() override;
    const Control* model() const override { return model_; }
    void detach() override { model_ = nullptr; }

protected:
    // Qt's own toggling is replaced by the model's decision.
    void nextCheckState() override;

private:
    CheckBox* model_;
};

class LineEditView : public QLineEdit, public ControlView {
public:
    LineEditView(TextBox& model, QWidget& parent);
    QWidget& widget() override { return *this; }
    void sync() override;
    const Control* model() const override { return model_; }
    void detach() override { model_ = nullptr; }

private:
    void edited(const QString& text);

    TextBox* model_;
    bool syncing_ = false;
};

class TextEditView : public QPlainTextEdit, public ControlView {
public:
    TextEditView(TextBox& model, QWidget& parent);
    QWidget& widget() override { return *this; }
    void sync() override;
    const Control* model() const override { return model_; }
    void detach() override { model_ = nullptr; }

private:
    void edited();

    TextBox* model_;
    bool syncing_ = false;
};

} // namespace davev
