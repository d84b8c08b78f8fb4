#include "platform/qt/qt_error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <iostream>
#include <string>
#include <vector>

namespace davev {
namespace {

// The window the user is looking at: the modal dialog in front, else the
// active window, else the program's last visible window.
QWidget* windowInFront()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWidget* last = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->isWindow() && qobject_cast<QMessageBox*>(top) == nullptr)
            last = top;
    return last;
}

} // namespace

class QtErrorReport::Box {
public:
    ~Box()
    {
        // Closed boxes delete themselves from the event loop; these are the
        // ones the loop did not get to.
        for (const QPointer<QMessageBox>& box : boxes_)
            delete box.data();
    }

    bool open() const { return box_ != nullptr && box_->isVisible(); }
    QMessageBox* current() const { return open() ? box_.data() : nullptr; }

    void show(const QString& text, const TopmostQuery& topmost)
    {
        std::erase_if(boxes_, [](const QPointer<QMessageBox>& box) { return box == nullptr; });
        // Owned by the window in front, the window manager keeps the box
        // above it (transient for it) instead of anywhere below.
        QWidget* owner = windowInFront();
        box_ = new QMessageBox(QMessageBox::Critical, QStringLiteral("DA-VEV"), text, QMessageBox::Ok, owner);
        box_->setObjectName(QStringLiteral("DAVEV_ERROR_BOX"));
        box_->setAttribute(Qt::WA_DeleteOnClose);
        box_->setWindowModality(Qt::ApplicationModal);
        if (owner != nullptr && topmost && topmost(static_cast<std::uintptr_t>(owner->winId())))
            box_->setWindowFlag(Qt::WindowStaysOnTopHint);
        // Shown, not executed: no handler waits in a nested loop for the user.
        box_->show();
        boxes_.push_back(box_);
    }

private:
    QPointer<QMessageBox> box_;
    std::vector<QPointer<QMessageBox>> boxes_;
};

QtErrorReport::QtErrorReport() : QtErrorReport(std::cerr) {}

QtErrorReport::QtErrorReport(std::ostream& log) : log_(log), box_(std::make_unique<Box>()) {}

QtErrorReport::~QtErrorReport() = default;

void QtErrorReport::report(const PlatformError& error)
{
    const std::string text = "Error " + std::to_string(error.number()) + ": " + error.description();
    log_ << "DA-VEV: " << text << std::endl;
    if (unattended_) {
        if (const LogLoss lost = unattendedLog_ ? unattendedLog_(text) : std::nullopt)
            log_ << "DA-VEV: a log line was lost (" << *lost << "): " << text << std::endl;
        return;
    }
    if (!box_->open())
        box_->show(QString::fromStdString(text), topmost_);
}

void QtErrorReport::note(std::string_view text)
{
    log_ << "DA-VEV: " << text << std::endl;
}

bool QtErrorReport::boxOpen() const
{
    return box_->open();
}

void QtErrorReport::whenNoBoxOpen(std::function<void()> then)
{
    QMessageBox* box = box_->current();
    if (box == nullptr) {
        then();
        return;
    }
    QObject::connect(box, &QDialog::finished, box, [then = std::move(then)] { then(); });
}

void QtErrorReport::setTopmostQuery(TopmostQuery query)
{
    topmost_ = std::move(query);
}

void QtErrorReport::setUnattendedLog(Log log)
{
    unattendedLog_ = std::move(log);
}

void QtErrorReport::setUnattended(bool unattended)
{
    unattended_ = unattended;
}

} // namespace davev
