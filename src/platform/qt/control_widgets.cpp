#include "platform/qt/control_widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPalette>
#include <QPointer>
#include <QString>

#include "platform/qt/font_mapping.h"
#include "platform/qt/line_ends.h"

namespace davev {
namespace {

QString qstr(const std::string& text)
{
    return QString::fromStdString(text);
}

QColor qcolour(const Colour& colour)
{
    return {colour.red, colour.green, colour.blue};
}

void applyVisible(QWidget& widget, bool visible)
{
    if (widget.isHidden() == visible)
        widget.setVisible(visible);
}

void applyColours(QWidget& widget, const ControlSpec& design)
{
    if (!design.hasColours)
        return;
    QPalette palette = widget.palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, qcolour(design.foreground));
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, qcolour(design.background));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

// What every control's widget shares: geometry, name for accessibility and
// tests, font, colours, and whether it sits in the tab order.
void applyDesign(QWidget& widget, const Control& control, const TwipsScale& scale)
{
    const ControlSpec& design = control.design();
    widget.setGeometry(toQRect(scale.toPixels(design.left, design.top, design.width, design.height)));
    widget.setObjectName(qstr(control.name()));
    widget.setAccessibleDescription(qstr(control.name()));
    widget.setFont(fontFor(design.font));
    applyColours(widget, design);
    if (design.tabIndex < 0 && widget.focusPolicy() != Qt::NoFocus)
        widget.setFocusPolicy(Qt::ClickFocus);
}

constexpr const char* StatusLineProperty = "davevStatusLine";

// A label that is the window's status line: screen readers announce the
// name changes of a status bar, where a plain label's pass unspoken.
class StatusLineAccessible : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name || t == QAccessible::Value)
            return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* statusLineFactory(const QString&, QObject* object)
{
    auto* label = qobject_cast<QLabel*>(object);
    if (label != nullptr && label->property(StatusLineProperty).toBool())
        return new StatusLineAccessible(label);
    return nullptr;
}

template <class View, class Model> View* makeView(Model& model, QWidget& parent, const TwipsScale& scale)
{
    auto* view = new View(model, parent);
    applyDesign(*view, model, scale);
    // Explicitly, so a hidden control stays hidden when the window is shown.
    view->setVisible(model.visible());
    view->sync();
    model.setObserver([guard = QPointer<View>(view)] {
        if (guard)
            guard->sync();
    });
    return view;
}

} // namespace

void labelFor(ControlView& label, ControlView& field)
{
    if (auto* qlabel = dynamic_cast<QLabel*>(&label.widget())) {
        qlabel->setBuddy(&field.widget());
        return;
    }
    if (auto* button = dynamic_cast<QAbstractButton*>(&label.widget()))
        field.widget().setAccessibleName(button->text());
}

ControlView* createControlView(Control& control, QWidget& parent, const TwipsScale& scale)
{
    switch (control.kind()) {
    case ControlKind::Label:
        return makeView<LabelView>(static_cast<Label&>(control), parent, scale);
    case ControlKind::Button:
        return makeView<ButtonView>(static_cast<Button&>(control), parent, scale);
    case ControlKind::CheckBox:
        return makeView<CheckBoxView>(static_cast<CheckBox&>(control), parent, scale);
    case ControlKind::TextBox: {
        auto& box = static_cast<TextBox&>(control);
        if (box.design().multiLine)
            return makeView<TextEditView>(box, parent, scale);
        return makeView<LineEditView>(box, parent, scale);
    }
    case ControlKind::Timer:
        return nullptr;
    }
    return nullptr;
}

LabelView::LabelView(Label& model, QWidget& parent) : QLabel(&parent), model_(&model)
{
    const ControlSpec& design = model.design();
    if (design.statusLine) {
        static const bool installed = [] {
            QAccessible::installFactory(&statusLineFactory);
            return true;
        }();
        (void)installed;
        setProperty(StatusLineProperty, true);
    }
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
    if (design.border) {
        setFrameShape(QFrame::Box);
        setFrameShadow(QFrame::Plain);
        setLineWidth(1);
    }
    // The display fonts stand taller than the originals: centring keeps a
    // bordered caption clear of its frame.
    setAlignment((design.border ? Qt::AlignVCenter : Qt::AlignTop) |
                 (design.centred ? Qt::AlignHCenter : Qt::AlignLeft));
}

void LabelView::sync()
{
    if (model_ == nullptr)
        return;
    const QString caption = qstr(model_->caption());
    // QLabel tells assistive technology of the new name itself.
    if (text() != caption)
        setText(caption);
    applyVisible(*this, model_->visible());
}

void LabelView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLabel::mouseDoubleClickEvent(event);
    if (model_ != nullptr)
        model_->userDblClick();
}

ButtonView::ButtonView(Button& model, QWidget& parent) : QPushButton(&parent), model_(&model)
{
    // Enter on the focused button clicks it, as Space does.
    setAutoDefault(true);
    connect(this, &QPushButton::clicked, this, [this] {
        if (model_ != nullptr)
            model_->userClick();
    });
}

void ButtonView::sync()
{
    if (model_ == nullptr)
        return;
    const QString caption = qstr(model_->caption());
    if (text() != caption)
        setText(caption);
    setEnabled(model_->enabled());
    applyVisible(*this, model_->visible());
}

CheckBoxView::CheckBoxView(CheckBox& model, QWidget& parent) : QCheckBox(&parent), model_(&model)
{
    setTristate(true);
}

void CheckBoxView::sync()
{
    if (model_ == nullptr)
        return;
    const QString caption = qstr(model_->caption());
    if (text() != caption)
        setText(caption);
    const int value = model_->value();
    setCheckState(value == CheckBox::Grayed    ? Qt::PartiallyChecked
                  : value == CheckBox::Checked ? Qt::Checked
                                               : Qt::Unchecked);
    setEnabled(model_->enabled());
    applyVisible(*this, model_->visible());
}

void CheckBoxView::nextCheckState()
{
    if (model_ == nullptr)
        return;
    model_->userClick();
    // The click handler may have refused or chosen another value.
    sync();
}

LineEditView::LineEditView(TextBox& model, QWidget& parent) : QLineEdit(&parent), model_(&model)
{
    // Whatever changed the text, typing or assistive technology or a test
    // tool setting it: the model hears of it as typed text.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { edited(text); });
}

void LineEditView::edited(const QString& text)
{
    if (syncing_ || model_ == nullptr)
        return;
    model_->userEdit(text.toStdString());
    sync();
}

void LineEditView::sync()
{
    if (model_ == nullptr)
        return;
    const QString shown = qstr(model_->text());
    if (text() != shown) {
        syncing_ = true;
        setText(shown);
        syncing_ = false;
    }
    setReadOnly(model_->locked());
    applyVisible(*this, model_->visible());
}

TextEditView::TextEditView(TextBox& model, QWidget& parent) : QPlainTextEdit(&parent), model_(&model)
{
    setTabChangesFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(model.design().verticalScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { edited(); });
}

void TextEditView::edited()
{
    if (syncing_ || model_ == nullptr)
        return;
    model_->userEdit(toModelLineEnds(toPlainText().toStdString()));
    sync();
}

void TextEditView::sync()
{
    if (model_ == nullptr)
        return;
    const QString shown = qstr(toWidgetLineEnds(model_->text()));
    if (toPlainText() != shown) {
        syncing_ = true;
        setPlainText(shown);
        syncing_ = false;
    }
    const bool locked = model_->locked();
    if (isReadOnly() != locked) {
        setReadOnly(locked);
        // Read-only still lets the user select and copy, also from the keyboard.
        if (locked)
            setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    applyVisible(*this, model_->visible());
}

} // namespace davev
